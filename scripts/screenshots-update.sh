#!/usr/bin/env bash
# Screenshots of OnlineUpdate.exe's result box under Xvfb in the three languages: the updater in a
# temporary program folder with no update server reachable says that nothing was installed. The
# language comes from an instrument's "Language" setting, as QV.exe keeps it.
# Usage: scripts/screenshots-update.sh <bin dir> [out dir]
# Writes update_failed_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" update-shots 1280x800 "$@"
mkdir -p "$work/program"
cp "$bin/OnlineUpdate.exe" "$work/program/"
wine reg add 'HKLM\Software\Tavro\QV' /v "Update Server" /d "127.0.0.1:1" /f >/dev/null 2>&1
cd "$work/program"
for lang in en:1033:Error tw:1028:錯誤 cn:2052:错误; do
  IFS=: read -r name id box_caption <<<"$lang"
  wine reg add 'HKLM\Software\Tavro\QV\System\0' /v Language /t REG_DWORD /d "$id" /f >/dev/null 2>&1
  wine OnlineUpdate.exe &
  qv_pid=$!
  box=$(wait_for_window "^$box_caption\$")
  shot "$box" "$out/update_failed_$name.png"
  xdotool windowfocus "$box" key Return
  wait "$qv_pid" || true
  qv_pid=
done
