#!/usr/bin/env bash
# The demo, run by `./build.sh demo` after the native and Windows trees are
# built: makes the demo installer with nerro-pack and runs it under Wine in
# its own prefix (build/demo-prefix-win32 or -win64). It uses the 32-bit
# installer where this machine can run 32-bit programs, else the 64-bit one.
#   - With a display (DISPLAY set): the installer opens on it for you.
#   - Without one: a virtual display; the end-to-end driver walks through the
#     dialog, the folder chooser and an installation, saves screenshots to
#     build/demo/ and prints what was installed (files, shortcuts, record).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pack_tool=${NERRO_DEMO_PACK_TOOL:-$root/build/native/bin/nerro-pack}
out=$root/build/demo
# shellcheck source=scripts/wine-loader.sh
. "$root/scripts/wine-loader.sh"

die() { echo "run-demo: $*" >&2; exit 1; }
if can_run_32bit; then
  arch=x86 NERRO_WINEARCH=win32
  echo "run-demo: the 32-bit installer (nerro-setup.exe)" >&2
else
  arch=x64 NERRO_WINEARCH=win64
  echo "run-demo: the 64-bit installer (nerro-setup-x64.exe): this machine's kernel does not execute 32-bit programs" >&2
fi
export NERRO_WINEARCH NERRO_WINEPREFIX=$root/build/demo-prefix-$NERRO_WINEARCH
tree=$root/build/$NERRO_WINEARCH
stub=$tree/bin/nerro-setup$([ "$arch" = x64 ] && echo -x64).exe
[ -x "$pack_tool" ] || die "no $pack_tool: build the native tree first"
[ -f "$stub" ] || die "no $stub: build the Windows tree first"
[ -d "$tree/demo-product" ] || die "no $tree/demo-product: build the Windows tree's nerro-demo-setup target"

mkdir -p "$out"
echo "run-demo: building the demo installer from $tree/demo-product" >&2
"$pack_tool" build "$tree/demo-product" -o "$out/nerro-demo-setup.exe" --arch "$arch" \
  --stub "$stub" || die "nerro-pack build failed"
"$pack_tool" list "$out/nerro-demo-setup.exe"

if [ -n "${DISPLAY:-}" ]; then
  echo "run-demo: starting the installer on display $DISPLAY" >&2
  NERRO_WINE_TIMEOUT=${NERRO_WINE_TIMEOUT:-3600} exec "$root/scripts/wine-run.sh" \
    explorer /desktop=nerro-demo,800x600 "$out/nerro-demo-setup.exe"
fi

driver=$tree/bin/e2e_installer_tests.exe
[ -f "$driver" ] || die "no $driver: build the Windows tree's tests"
# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
start_private_display || die "no virtual display"
echo "run-demo: no display; the end-to-end driver walks through an installation" >&2
rm -rf "$tree/e2e-shots"
NERRO_E2E_REPORT=1 NERRO_WINE_TIMEOUT=900 "$root/scripts/wine-run.sh" "$driver" \
  --gtest_filter='InstallerE2E.StartUp*:InstallerE2E.ModernHost*:InstallerE2E.Row*:InstallerE2E.Installs*'
status=$?
WINEPREFIX=$NERRO_WINEPREFIX wineserver -k 2>/dev/null
stop_private_display

for shot in "$tree"/e2e-shots/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "$out/$(basename "${shot%.bmp}").png"
done
echo "run-demo: screenshots in ${out#"$root"/}:" >&2
ls "$out"/*.png >&2 2>/dev/null
exit $status
