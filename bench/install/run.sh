#!/usr/bin/env bash
# Installation benchmark: a product of about SIZE_MB megabytes of real program
# files (Wine's i386 DLLs) packed with the block codec, installed under Wine
# the way the dialog runs the worker, beside decoding the same pack natively
# with `nerro-pack verify`.
#
# Usage: bench/install/run.sh [SIZE_MB] [RUNS]      (defaults: 50, 3)
# Environment: NERRO_BENCH_DLLS (folder of the DLLs), NERRO_WINEPREFIX.
# Builds in build/install-bench-native and build/install-win32; works in
# build/install-bench.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
size_mb=${1:-50}
runs=${2:-3}
dlls=${NERRO_BENCH_DLLS:-/usr/lib/i386-linux-gnu/wine/i386-windows}
work=$root/build/install-bench
native=$root/build/install-bench-native
win=$root/build/install-win32
export NERRO_WINEPREFIX=${NERRO_WINEPREFIX:-$win/wineprefix}

echo "== building" >&2
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNERRO_TESTS=OFF \
  -DNERRO_BENCH=OFF >/dev/null
cmake --build "$native" --target nerro-pack -j2 >/dev/null
cmake -S "$root" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  >/dev/null
cmake --build "$win" --target install_bench nerro-uninstall -j2 >/dev/null

echo "== product of ${size_mb} MB from $dlls" >&2
rm -rf "$work"
mkdir -p "$work/product" "$work/target"
limit=$((size_mb * 1000 * 1000))
total=0
files=()
while IFS= read -r dll; do
  [ "$total" -ge "$limit" ] && break
  cp "$dll" "$work/product/"
  files+=("$(basename "$dll")")
  total=$((total + $(stat -c %s "$dll")))
done < <(find "$dlls" -maxdepth 1 -type f -name '*.dll' | LC_ALL=C sort)
cp "$win/bin/nerro-uninstall.exe" "$work/product/"
files+=(nerro-uninstall.exe)
cp "$root/demo/product/logo.bmp" "$work/product/"
{
  printf '[General]\nTitle=Nerro Bench\nProduct name=Nerro Bench\n'
  printf 'Registry key=Software\\Nerro\\Bench\nDefault folder=\\Nerro Bench\n'
  printf 'Number of files=%d\n' "${#files[@]}"
  for i in "${!files[@]}"; do
    printf '[%d]\nName=%s\nCreate name=%s\nCan uninstall=1\n' "$i" "${files[$i]}" "${files[$i]}"
  done
} >"$work/product/Nerro.ini"

start=$(date +%s.%N)
# Any program will do as the stub: the benchmark reads only the pack.
"$native/bin/nerro-pack" build "$work/product" -o "$work/setup.exe" --codec block \
  --stub "$win/bin/nerro-uninstall.exe" >/dev/null
end=$(date +%s.%N)
packed=$(stat -c %s "$work/setup.exe")
echo "files=${#files[@]} bytes=$total packed=$packed build_s=$(echo "$end - $start" | bc)"

echo "== native nerro-pack verify (best of $runs)" >&2
best=
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$native/bin/nerro-pack" verify "$work/setup.exe" >/dev/null
  ms=$((($(date +%s%N) - start) / 1000000))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
echo "native_verify_ms=$best"

echo "== install under Wine (each run: decode alone, then Install to completion)" >&2
for _ in $(seq "$runs"); do
  "$root/scripts/wine-run.sh" "$win/bin/install_bench.exe" "Z:$work/setup.exe" "Z:$work/target"
done
WINEPREFIX=$NERRO_WINEPREFIX wineserver -k 2>/dev/null || true
