# Sourced first by every screenshot script: the build's bin folder and the output folder from the
# script's arguments (defaults build/win64/bin and docs/screenshots), the script run again under
# Xvfb when no display is open, then a Wine session (wine-session.sh) with the CJK caption font.
# Call as: . "$(dirname "$0")/screenshot-session.sh" <session name> <screen WxH> "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${3:-$root/build/win64/bin}" && pwd)
out=$(mkdir -p "${4:-$root/docs/screenshots}" && cd "${4:-$root/docs/screenshots}" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 ${2}x24" bash "$0" "$bin" "$out"
fi
. "$root/scripts/wine-session.sh" "$1"
link_cjk_caption_font
