#!/usr/bin/env bash
# Installation benchmark against NSIS: a product of about SIZE_MB megabytes of
# real program files (Wine's 64-bit DLLs) made into 64-bit installers with each of our
# codecs (block, lz, zstd at level 19) and, as a peer, into an NSIS 3
# installer of the same files (SetCompressor /SOLID lzma, Target
# amd64-unicode). Measures under 64-bit Wine:
#
#   - each installer's size;
#   - its silent installation (SETUP.exe /S /D=FOLDER) from start to exit, the
#     installers taking turns run after run, so that a slower moment of the
#     machine hits every one of them alike; the best of RUNS counts;
#   - for ours, also decode_ms and install_ms inside one process
#     (install_bench.exe: every file decoded alone, then the install worker);
#   - natively, `nerro-pack verify` of each of our installers (best of RUNS);
#   - the size of the installer stub (nerro-setup-x64.exe).
#
# Then prints a table and whether the zstd installer meets its targets: size
# at most 1.1x NSIS's, silent install time at most 0.5x NSIS's, native verify
# at least 4x as fast as the block codec's.
#
# Usage: bench/install/vs-nsis.sh [SIZE_MB] [RUNS]      (defaults: 50, 3)
# Environment: NERRO_BENCH_DLLS (folder of the DLLs), NERRO_BENCH_NATIVE and
# NERRO_BENCH_WIN64 (native and 64-bit Windows trees to build in; default
# build/install-bench-native and build/install-win64, as bench/install/run.sh),
# NERRO_WINEPREFIX (default: the Windows tree's wineprefix).
# Installs Debian's nsis package when makensis is missing (a benchmark peer
# only; scripts/setup.sh does not install it). Works in build/install-vs-nsis.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=bench/install/bench-product.sh
. "$root/bench/install/bench-product.sh"
size_mb=${1:-50}
runs=${2:-3}
dlls=${NERRO_BENCH_DLLS:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
work=$root/build/install-vs-nsis
native=${NERRO_BENCH_NATIVE:-$root/build/install-bench-native}
win=${NERRO_BENCH_WIN64:-$root/build/install-win64}
export NERRO_WINEPREFIX=${NERRO_WINEPREFIX:-$win/wineprefix}
export NERRO_WINEARCH=win64
codecs=(block lz zstd)

if ! command -v makensis >/dev/null; then
  echo "== installing nsis (benchmark peer)" >&2
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
    nsis >/dev/null
fi

echo "== building" >&2
# A tree named by the environment is used as it is configured.
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNERRO_TESTS=OFF \
    -DNERRO_BENCH=OFF >/dev/null
fi
cmake --build "$native" --target nerro-pack -j2 >/dev/null
if [ ! -f "$win/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/x86_64-w64-mingw32.cmake" >/dev/null
fi
cmake --build "$win" --target install_bench nerro-setup nerro-uninstall -j2 >/dev/null
stub=$win/bin/nerro-setup-x64.exe

echo "== product of ${size_mb} MB from $dlls" >&2
rm -rf "$work"
mkdir -p "$work/product" "$work/installers"
make_bench_product "$dlls" "$size_mb" "$work/product" "$win/bin/nerro-uninstall-x64.exe"
echo "files=${#files[@]} bytes=$total"

# ms_since START_NS: whole milliseconds from then to now.
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
seconds() { echo "scale=2; $1 / 1000" | bc -l | sed 's/^\./0./'; }

declare -A size build_ms verify_ms install_ms process_line
for codec in "${codecs[@]}"; do
  start=$(date +%s%N)
  "$native/bin/nerro-pack" build "$work/product" -o "$work/installers/$codec.exe" --arch x64 \
    --codec "$codec" --stub "$stub" >/dev/null
  build_ms[$codec]=$(ms_since "$start")
  size[$codec]=$(stat -c %s "$work/installers/$codec.exe")
done

# The peer: the same files, installed into the folder /D names.
{
  printf 'Unicode true\nTarget amd64-unicode\nSetCompressor /SOLID lzma\n'
  printf 'Name "Nerro Bench"\nOutFile "nsis.exe"\nRequestExecutionLevel admin\n'
  printf 'InstallDir "$PROGRAMFILES64\\Nerro Bench"\nSilentInstall silent\n'
  printf 'Section\n  SetOutPath "$INSTDIR"\n'
  for file in "$work/product"/*; do printf '  File "product\\%s"\n' "$(basename "$file")"; done
  printf 'SectionEnd\n'
} >"$work/nsis.nsi"
start=$(date +%s%N)
(cd "$work" && makensis -V1 nsis.nsi >/dev/null)
build_ms[nsis]=$(ms_since "$start")
mv "$work/nsis.exe" "$work/installers/nsis.exe"
size[nsis]=$(stat -c %s "$work/installers/nsis.exe")

echo "== native nerro-pack verify (best of $runs)" >&2
for codec in "${codecs[@]}"; do
  best=
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$native/bin/nerro-pack" verify "$work/installers/$codec.exe" >/dev/null
    ms=$(ms_since "$start")
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  verify_ms[$codec]=$best
done

# One display and one running wineserver for all runs, so that no run pays
# for starting them.
# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
own_display=
if [ -z "${DISPLAY:-}" ]; then
  start_private_display
  own_display=1
fi
wine_run() { "$root/scripts/wine-run.sh" "$@"; }
wine_run "$win/bin/install_bench.exe" >/dev/null 2>&1 || true  # prefix made, server up
# The registry keys a silent installation of ours leaves, removed between runs.
forget_installation() {
  wine_run reg delete 'HKLM\Software\Nerro\Bench' /f /reg:64 >/dev/null 2>&1 || true
  wine_run reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nerro Bench' \
    /f /reg:64 >/dev/null 2>&1 || true
}

echo "== silent installations under 64-bit Wine, taking turns (best of $runs)" >&2
target=$work/target
for run in $(seq "$runs"); do
  for name in "${codecs[@]}" nsis; do
    rm -rf "$target"
    forget_installation
    start=$(date +%s%N)
    wine_run "$work/installers/$name.exe" /S "/D=Z:${target//\//\\}" >/dev/null 2>&1 || {
      echo "vs-nsis: the $name installer failed (run $run)" >&2
      exit 1
    }
    ms=$(ms_since "$start")
    count=$(find "$target" -type f | wc -l)
    if [ "$count" -lt "${#files[@]}" ]; then
      echo "vs-nsis: the $name installer wrote $count files of ${#files[@]}" >&2
      exit 1
    fi
    echo "run $run: $name ${ms} ms"
    if [ -z "${install_ms[$name]:-}" ] || [ "$ms" -lt "${install_ms[$name]}" ]; then
      install_ms[$name]=$ms
    fi
  done
done
rm -rf "$target"
forget_installation

echo "== inside one process: decode alone, then Install to completion" >&2
for codec in "${codecs[@]}"; do
  process_line[$codec]=$(wine_run "$win/bin/install_bench.exe" "Z:$work/installers/$codec.exe" \
    "Z:$work/target" | tr -d '\r')
done
WINEPREFIX=$NERRO_WINEPREFIX wineserver -k 2>/dev/null || true
if [ -n "$own_display" ]; then stop_private_display; fi

echo
printf '%-8s %12s %10s %10s %10s  %s\n' installer "setup bytes" "build s" "install s" "verify s" \
  "in one process"
for name in "${codecs[@]}" nsis; do
  printf '%-8s %12d %10s %10s %10s  %s\n' "$name" "${size[$name]}" "$(seconds "${build_ms[$name]}")" \
    "$(seconds "${install_ms[$name]}")" "$([ -n "${verify_ms[$name]:-}" ] && seconds "${verify_ms[$name]}" || echo -)" \
    "${process_line[$name]:-}"
done
stub_bytes=$(stat -c %s "$stub")
echo "stub nerro-setup-x64.exe: $stub_bytes bytes"

# verdict LABEL NUMERATOR DENOMINATOR OP LIMIT: one line, met or not; met is
# decided on the exact figures, not on the ratio cut to three places.
verdict() {
  local result="not met"
  [ "$(echo "$2 $4 $5 * $3" | bc -l)" = 1 ] && result=met
  printf '%-44s %6s (target %s %s): %s\n' "$1" "$(echo "scale=3; $2 / $3" | bc -l)" "$4" "$5" \
    "$result"
}
verdict "zstd installer size / NSIS lzma size" "${size[zstd]}" "${size[nsis]}" "<=" 1.1
verdict "zstd install time / NSIS install time" "${install_ms[zstd]}" "${install_ms[nsis]}" "<=" 0.5
verdict "native verify speed, zstd / block" "${verify_ms[block]}" "${verify_ms[zstd]}" ">=" 4
