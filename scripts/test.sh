#!/usr/bin/env bash
# Installs what is missing, builds the host build (also once with sanitizers) and the 64-bit and
# 32-bit Windows builds, and runs every test: native tests directly, the Win32 and whole-program
# tests under Wine inside a private Xvfb with a throw-away Wine prefix (of the 32-bit build its
# Win32 test program and the qvtool.exe checks).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
jobs=$(nproc)

start=$(date +%s)
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host -j "$jobs"
host_built=$(date +%s)
# The test builds opt into the test update key (tests/keys), so that the update tests can sign.
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DQV_UPDATE_TEST_KEY=ON >/dev/null
cmake --build build/win64 -j "$jobs"
win_built=$(date +%s)
# The 32-bit build: a vendor's instrument driver is a 32-bit DLL, so many users run the 32-bit QV.exe.
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DQV_UPDATE_TEST_KEY=ON >/dev/null
cmake --build build/win32 -j "$jobs"
echo "build times: host $((host_built - start)) s, win64 $((win_built - host_built)) s, win32 $(( $(date +%s) - win_built )) s"

# The native tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, built by clang.
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON \
      -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"

status=0
ctest --test-dir build/host --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" || status=1
# The Win32 tests: Wine under a private X server.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '. scripts/wine-env.sh; ctest --test-dir build/win64 --output-on-failure' || status=1
# The 32-bit build's Win32 test program and qvtool.exe checks: Wine runs them in a 64-bit prefix
# through its 32-bit half (wine32), as 64-bit Windows runs them.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '. scripts/wine-env.sh
  ctest --test-dir build/win32 --output-on-failure -R "^(win\.unit|e2e\.qvtool_windows)$"' || status=1
exit $status
