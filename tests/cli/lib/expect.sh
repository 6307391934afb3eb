# Sourced by the qvtool test scripts: a scratch folder removed at exit, a failure count, and
# expect NAME EXPECTED_STATUS EXPECTED_TEXT -- command... (the exit status, and a text the output
# must contain when one is given).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() {
    local name=$1 status=$2 wanted=$3
    shift 4
    local out rc
    out=$("$@" 2>&1)
    rc=$?
    if [[ $rc -ne $status ]]; then
        echo "FAIL $name: exit $rc, wanted $status"; echo "$out"; failures=$((failures + 1)); return
    fi
    if [[ -n $wanted && $out != *"$wanted"* ]]; then
        echo "FAIL $name: output lacks '$wanted'"; echo "$out"; failures=$((failures + 1)); return
    fi
    echo "ok   $name"
}

# The scripts that decode captures with sigrok's protocol decoders need sigrok-cli.
require_sigrok() {
    if ! command -v sigrok-cli > /dev/null; then
        echo "FAIL sigrok-cli is missing (scripts/setup.sh installs it)"
        exit 1
    fi
}

# same_waveform NAME REFERENCE.vcd CAPTURED.vcd: the capture plays the reference time unit for
# time unit (lib/same_waveform.py); $here is the calling script's folder.
same_waveform() { # same_waveform NAME REFERENCE.vcd CAPTURED.vcd
    local out
    if out=$(python3 "$here/lib/same_waveform.py" "$2" "$3"); then
        echo "ok   $1 ($out)"
    else
        echo "FAIL $1: $out"; failures=$((failures + 1))
    fi
}
