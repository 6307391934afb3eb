#!/usr/bin/env bash
# The Wine paint benchmark: builds Google Benchmark from Debian's source of the host's version
# (1.7.1, checked by its SHA-256) with MinGW-w64, then qv_paint_bench.exe, and runs it under Wine
# and Xvfb with a throw-away prefix. Usage: scripts/bench-wine.sh [benchmark options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64-bench
source_dir=$build/benchmark-1.7.1
tarball=benchmark_1.7.1.orig.tar.gz
sha256=6430e4092653380d9dc4ccb45a1e2dc9259d581f4866dc0759713126056bc1d7
mkdir -p "$build"
if [ ! -d "$source_dir" ]; then
  curl -sfL -o "$build/$tarball" "http://deb.debian.org/debian/pool/main/b/benchmark/$tarball"
  echo "$sha256  $build/$tarball" | sha256sum -c --quiet
  tar -xzf "$build/$tarball" -C "$build"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DQV_BENCHMARK_SOURCE="$source_dir" >/dev/null
cmake --build "$build" --target qv_paint_bench -j2
export WINEPREFIX=$(mktemp -d /tmp/qv-bench.XXXXXX)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
cd "$build/bin"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c ". '$root/scripts/wine-env.sh'; wine qv_paint_bench.exe $*"
