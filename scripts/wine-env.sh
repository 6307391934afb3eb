# Sourced by the scripts: a throw-away Wine prefix (unless WINEPREFIX is set) and quiet Wine.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d /tmp/qv-wine.XXXXXX)
  export WINEPREFIX
  own_prefix=1
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
fi
# Creating the prefix once hung under load (a process crashed and its debugger waited forever), so
# it is bounded in time and tried once more, in a new prefix when it is this script's own.
boot_prefix() { timeout 300 wineboot -i >/dev/null 2>&1; timeout 300 wineserver -w; }
if ! boot_prefix; then
  echo "wine-env: creating the Wine prefix did not finish; trying again" >&2
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$own_prefix" ]; then
    rm -rf "$WINEPREFIX"
    mkdir "$WINEPREFIX"
  fi
  boot_prefix || true
fi
# Unmanaged windows: without a window manager (Xvfb) Wine would wait for one on every window shown.
wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 || true
wineserver -w || true
