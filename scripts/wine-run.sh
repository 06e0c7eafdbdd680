#!/usr/bin/env bash
# Runs one Windows program under Wine, the way the tests need it: the
# project's own prefix (created on first use), nothing downloaded, no menu
# entries copied to the host, a time limit, and a private virtual display when
# none is set. CMake uses it as the emulator of the Windows tree.
#
# A 64-bit program runs in a 64-bit prefix (default build/win64/wineprefix)
# through the 64-bit loader; a 32-bit one in a 32-bit prefix (default
# build/win32/wineprefix) unless NERRO_WINEARCH says win64. Wine's own
# programs (explorer, reg) run with the loader of NERRO_WINEARCH.
#
# Environment: NERRO_WINEPREFIX, NERRO_WINEARCH (win32 or win64),
# NERRO_WINE_TIMEOUT in seconds (240).
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/wine-loader.sh
. "$root/scripts/wine-loader.sh"
case "$(pe_machine "$1")" in
  x64) arch=win64 loader=win64 ;;
  x86) arch=${NERRO_WINEARCH:-win32} loader=win32 ;;
  *) arch=${NERRO_WINEARCH:-win32} loader=$arch ;;  # a Wine program: explorer, reg
esac
use_wine_loader "$loader"
default_prefix=$root/build/$arch/wineprefix
export WINEPREFIX=${NERRO_WINEPREFIX:-$default_prefix}
export WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${NERRO_WINEDLLOVERRIDES:+;$NERRO_WINEDLLOVERRIDES}"

"$root/scripts/wine-prefix.sh" "$WINEPREFIX" "$arch" || exit 125

# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
if [ -z "${DISPLAY:-}" ]; then
  # A private display ends with `wineserver -k`, which would kill a sibling
  # run in the same prefix: runs without a display of their own take turns.
  # (./build.sh test starts one display for the whole suite instead.)
  exec 7>"$WINEPREFIX.run.lock"
  flock 7
  start_private_display || exit 125
fi

timeout --kill-after=10 "${NERRO_WINE_TIMEOUT:-240}" "${wine_cmd[@]}" "$@"
status=$?

if [ -n "$private_display_pid" ]; then
  # Wine's desktop process holds the display: stop Wine before the display.
  wineserver -k 2>/dev/null
  stop_private_display
fi
exit $status
