# Sourced by the scripts: a throw-away Wine prefix (unless WINEPREFIX is set) and quiet Wine.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d /tmp/qv-wine.XXXXXX)
  export WINEPREFIX
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
fi
wineboot -i >/dev/null 2>&1 || true
wineserver -w || true
# Unmanaged windows: without a window manager (Xvfb) Wine would wait for one on every window shown.
wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 || true
wineserver -w || true
