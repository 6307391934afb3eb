#!/usr/bin/env bash
# The online update under Wine against a local HTTP server (python3 -m http.server on the loopback
# address, started here), in a temporary program folder. First the whole flow: QV.exe's start-up
# check finds a listed file missing and asks; Yes writes the updater out and starts it (the system's
# cmd.exe, elevated; a CMD.EXE planted in the temporary and the program folder never runs), QV.exe
# closes, the updater installs a signed update and the unelevated waiter starts QV.exe again, which
# asks again (No) and is quit. Then OnlineUpdate.exe alone: a signed update is installed (a changed
# file replaced, a new one in a new folder, an unchanged one left alone, a stale backup cleared, no
# staging folder, journal or old copies left, the release recorded); a tampered file, a truncated
# file, a tampered manifest, a manifest naming a "..\" path, a replayed older release and a file
# named where a folder is install nothing and leave the folder byte-identical; an install cut short
# is undone, or finished when it was committed; started with /no-restart it does not start QV.exe;
# the updater of a build with no key installs nothing, says so and ignores the message-log hook.
# The manifests are signed with the test key (tests/keys). Boxes are recognised through
# QV_MESSAGE_LOG and answered with Return. $1 is the bin directory.
set -euo pipefail
bin=$(cd "$1" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
keys=$(cd "$(dirname "$0")/../keys" && pwd)

. "$(dirname "$0")/../../scripts/wine-session.sh" e2e-update
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
log=$work/messages.log
export QV_MESSAGE_LOG=$(winepath -w "$log")
program=$work/program
served=$work/server/Software/OnlineUpdate/QV

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$served/files"
python3 -m http.server --bind 127.0.0.1 --directory "$work/server" "$port" >>"$work/http.log" 2>&1 &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true; cleanup' EXIT
wine reg add 'HKLM\Software\Tavro\QV' /v "Update Server" /d "127.0.0.1:$port" /f >/dev/null 2>&1
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done

# The program folder before each run: the updater, an old driver, an unchanged data file and a
# file of the user's.
fresh_program() {
  rm -rf "$program"
  mkdir -p "$program"
  cp "$bin/OnlineUpdate.exe" "$program/"
  printf 'old driver' >"$program/QvRun.dll"
  printf 'same data' >"$program/data.txt"
  printf 'mine' >"$program/keep.txt"
}
# Serves $1 as the file at path $2 of the update.
serve_file() { mkdir -p "$(dirname "$served/files/$2")"; printf '%s' "$1" >"$served/files/$2"; }
# A manifest line for content $1 at path $2.
entry() { printf '%s %s %s\n' "$(printf '%s' "$1" | sha256sum | cut -d' ' -f1)" "${#1}" "$2"; }
# Writes the manifest of release $release from standard input and signs it with the test key.
release=1
sign_manifest() {
  { echo "QV-UPDATE-MANIFEST 2"; echo "release $release"; cat; } >"$served/manifest.txt"
  openssl dgst -sha256 -sign "$keys/update-test-private.pem" -out "$served/manifest.sig" "$served/manifest.txt"
}
# Every file of the program folder with its digest.
snapshot() { (cd "$program" && find . -print0 | sort -z | xargs -0 -I{} sh -c 'if [ -f "{}" ]; then sha256sum "{}"; else echo "dir {}"; fi'); }

# Runs the updater (with the arguments after $3), expects the box $1 (string id) with caption $2,
# answers it and expects exit status $3.
run_updater() {
  : >"$log"
  (cd "$program" && wine OnlineUpdate.exe "${@:4}") &
  local pid=$! status=0 id
  for _ in $(seq 600); do [ -s "$log" ] && break; sleep 0.1; done
  [ "$(tr -d '\r' <"$log")" = "$1" ] || fail "expected message $1"
  id=$(wait_for_window "^$2\$") || fail "no box '$2'"
  for _ in $(seq 50); do
    xdotool windowfocus "$id" 2>/dev/null || true
    xdotool key --clearmodifiers Return 2>/dev/null || true
    sleep 0.2
    kill -0 "$pid" 2>/dev/null || break
  done
  wait "$pid" || status=$?
  [ "$status" = "$3" ] || fail "updater exit status $status, expected $3"
}

# Waits up to 60 s for the message log to hold $1 lines, the $1-th being string $2; then presses
# key $4 in the window named $3 until that window is gone (or the next message is up).
answer() {
  local id
  for _ in $(seq 600); do [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$1" ] && break; sleep 0.1; done
  [ "$(sed -n "$1p" "$log" | tr -d '\r')" = "$2" ] || fail "message $1 is not $2"
  id=$(wait_for_window "^$3\$") || fail "no window '$3'"
  for _ in $(seq 150); do
    # The next box may reuse the window: never press a key once its message is logged.
    [ "$(wc -l <"$log")" -gt "$1" ] && return 0
    xdotool windowfocus "$id" 2>/dev/null || true
    xdotool key --window "$id" --clearmodifiers "$4" 2>/dev/null || true
    sleep 0.2
    xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name "^$3\$" 2>/dev/null | grep -qx "$id" || return 0
    [ "$(wc -l <"$log")" -gt "$1" ] && return 0
  done
  fail "window '$3' did not close"
}

# ---- the whole flow from QV.exe -----------------------------------------------------------------
fresh_program
cp "$bin/QV.exe" "$bin/QvRun.dll" "$program/"
rm "$program/OnlineUpdate.exe"
temp=$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")
mkdir -p "$temp"
for folder in "$temp" "$program"; do cp "$bin/PlantedProgram.exe" "$folder/CMD.EXE"; done
printf 'QV.exe 0.0.0.0 .\r\nMissing.dll 1.0.0.0 .\r\n' >"$served/OnlineUpdate.txt"
serve_file 'new data' data.txt
entry 'new data' data.txt | sign_manifest
: >"$log"
(cd "$program" && QVRUN_DEVICES= wine QV.exe) &
answer 1 12034 "$caption" Return # welcome (first run)
answer 2 12033 "$caption" Return # demo mode
answer 3 11068 Information y
answer 4 17303 Information Return # the updater's result
[ "$(cat "$program/data.txt")" = 'new data' ] || fail "the update started from QV.exe was not installed"
cmp -s "$program/OnlineUpdate.exe" "$bin/OnlineUpdate.exe" || fail "the updater was not written out whole"
[ "$(tr -d '\r' <"$program/OnlineUpdate.release")" = 1 ] || fail "the release was not recorded"
answer 5 12033 "$caption" Return # QV.exe started again
answer 6 11068 Information n
main=$(wait_for_window "^$caption\$") || fail "QV.exe did not start again"
for _ in $(seq 50); do
  xdotool windowfocus "$main" key --clearmodifiers ctrl+q 2>/dev/null || true
  sleep 0.3
  xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 || break
done
wineserver -w
for folder in "$temp" "$program"; do [ ! -e "$folder/CMD.EXE.ran" ] || fail "a planted CMD.EXE ran in $folder"; done
rm -f "$program/CMD.EXE" "$temp/CMD.EXE"

# ---- a signed update ----------------------------------------------------------------------------
fresh_program
printf 'older driver' >"$program/QvRun.dll.update-old" # left by a completed install
: >"$work/http.log"
release=5
serve_file 'new driver' QvRun.dll
serve_file 'help pages' help/enQV.chm
serve_file 'same data' data.txt
{ entry 'new driver' QvRun.dll; entry 'help pages' help/enQV.chm; entry 'same data' data.txt; } | sign_manifest
run_updater 17303 Information 0
[ "$(cat "$program/QvRun.dll")" = 'new driver' ] || fail "QvRun.dll not replaced"
[ "$(cat "$program/help/enQV.chm")" = 'help pages' ] || fail "help/enQV.chm not installed"
[ "$(cat "$program/keep.txt")" = 'mine' ] || fail "keep.txt changed"
[ -z "$(find "$program" -name '*.update-old' -o -name 'OnlineUpdate.staging' -o -name 'OnlineUpdate.journal')" ] ||
  fail "left-overs after the update"
[ "$(tr -d '\r' <"$program/OnlineUpdate.release")" = 5 ] || fail "release 5 was not recorded"
grep -q 'GET /Software/OnlineUpdate/QV/files/data.txt' "$work/http.log" && fail "an unchanged file was downloaded"

# ---- refused updates leave the folder as it was --------------------------------------------------
refused() { # message id, what, updater arguments
  local before
  before=$(snapshot)
  run_updater "$1" Error 1 "${@:3}"
  [ "$(snapshot)" = "$before" ] || fail "$2 changed the program folder"
}
fresh_program
{ entry 'new driver' QvRun.dll; entry 'help pages' help/enQV.chm; } | sign_manifest
serve_file 'new driveR' QvRun.dll
refused 17308 "a tampered file"
serve_file 'new driver' QvRun.dll
serve_file 'help' help/enQV.chm
refused 17305 "a truncated file"
serve_file 'help pages' help/enQV.chm
sed -i 's/ QvRun.dll$/ QvRun.dlL/' "$served/manifest.txt"
refused 17306 "a tampered manifest"
{ entry 'new driver' QvRun.dll; entry 'evil' '..\evil.txt'; } | sign_manifest
serve_file 'evil' evil.txt
refused 17307 'a "..\\" path'
[ ! -e "$work/evil.txt" ] || fail "a file outside the program folder was written"

# An older signed manifest replayed after release 5 was installed; QV.exe beside the updater is not
# started by it with /no-restart (the unelevated waiter does that).
printf '5\r\n' >"$program/OnlineUpdate.release"
cp "$bin/QV.exe" "$program/"
release=4
{ entry 'new driver' QvRun.dll; } | sign_manifest
refused 18303 "a replayed older release" /no-restart
sleep 3
[ "$(tr -d '\r' <"$log")" = 18303 ] || fail "the updater started with /no-restart started QV.exe"
rm "$program/QV.exe"

# A file named where the program has a folder.
release=6
mkdir -p "$program/manual"
printf 'pages' >"$program/manual/index.htm"
serve_file 'not a folder' manual
{ entry 'new driver' QvRun.dll; entry 'not a folder' manual; } | sign_manifest
refused 18304 "a file in the place of a folder"

# An install cut short after QvRun.dll was renamed aside and the new one put in place: undone at the
# next start. The same with the commit marker written: finished.
fresh_program
before=$(snapshot)
mkdir "$program/OnlineUpdate.staging"
mv "$program/QvRun.dll" "$program/QvRun.dll.update-old"
printf 'new driver' >"$program/QvRun.dll"
printf 'help pages' >"$program/OnlineUpdate.staging/1"
mkdir "$program/help"
printf 'QV-UPDATE-JOURNAL 1\nrelease 7\nfolder help\nfile 0 1 QvRun.dll\nfile 1 0 help/enQV.chm\nend\n' \
  >"$program/OnlineUpdate.journal"
release=7
{ entry 'new driver' QvRun.dll; } | sign_manifest
run_updater 18306 Error 1
[ "$(snapshot)" = "$before" ] || fail "the interrupted install was not undone"
mkdir "$program/help"
mv "$program/QvRun.dll" "$program/QvRun.dll.update-old"
printf 'new driver' >"$program/QvRun.dll"
printf 'help pages' >"$program/help/enQV.chm"
printf 'QV-UPDATE-JOURNAL 1\nrelease 7\nfolder help\nfile 0 1 QvRun.dll\nfile 1 0 help/enQV.chm\nend\n' \
  >"$program/OnlineUpdate.journal"
: >"$program/OnlineUpdate.committed"
run_updater 18305 Information 0
[ "$(cat "$program/QvRun.dll")" = 'new driver' ] && [ "$(cat "$program/help/enQV.chm")" = 'help pages' ] ||
  fail "the committed install was not finished"
[ -z "$(find "$program" -name '*.update-old' -o -name 'OnlineUpdate.journal' -o -name 'OnlineUpdate.committed')" ] ||
  fail "left-overs after finishing the install"
[ "$(tr -d '\r' <"$program/OnlineUpdate.release")" = 7 ] || fail "the finished install's release was not recorded"

# The updater of a build with no key: a box, exit status 1, no message log written, nothing changed.
fresh_program
cp "$bin/OnlineUpdateNoKey.exe" "$program/OnlineUpdate.exe"
{ entry 'new driver' QvRun.dll; } | sign_manifest
before=$(snapshot)
rm -f "$log"
(cd "$program" && wine OnlineUpdate.exe) &
pid=$!
id=$(wait_for_window '^Error$') || fail "no box from the updater without a key"
for _ in $(seq 50); do
  xdotool windowfocus "$id" 2>/dev/null || true
  xdotool key --clearmodifiers Return 2>/dev/null || true
  sleep 0.2
  kill -0 "$pid" 2>/dev/null || break
done
status=0
wait "$pid" || status=$?
[ "$status" = 1 ] || fail "the updater without a key exited with $status"
[ ! -e "$log" ] || fail "the updater without a key wrote the message log"
[ "$(snapshot)" = "$before" ] || fail "the updater without a key changed the program folder"
echo "online update: 12 passed, 0 failed"
