#!/usr/bin/env bash
# Creates a Wine prefix for the tests, once: wineboot single-threaded (the
# first use of a new prefix races when several programs start at once), no
# crash dialog. Usage: wine-prefix.sh PREFIX [win32|win64]
set -euo pipefail
prefix=$(realpath -m "$1")
arch=${2:-win32}
# shellcheck source=scripts/wine-loader.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# Bump when the settings below change: older prefixes get them on next use.
version=5
if [ "$(cat "$prefix/.nerro-ready" 2>/dev/null)" = "$version" ]; then exit 0; fi

export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
use_wine_loader "$arch"
if [ ! -f "$prefix/.nerro-ready" ]; then
  rm -rf "$prefix"
  echo "wine-prefix: creating $arch prefix $prefix" >&2
  "${wine_cmd[@]}" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
"${wine_cmd[@]}" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Without a window manager (plain Xvfb) Wine waits about 2 s for every shown
# window it destroys; unmanaged windows close at once.
"${wine_cmd[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Settings version 3 made East Asian fonts stand for WenQuanYi Micro Hei;
# Wine then smooths the Latin dialog text too, which the widget tests' exact
# pixels do not expect: taken out again until the tests allow for it.
"${wine_cmd[@]}" reg delete 'HKCU\Software\Wine\Fonts\Replacements' /f >/dev/null 2>&1 || true
# Japanese, Chinese and Russian dialog texts on an English system: as on
# Windows, the dialog fonts link to a font that has those letters (here
# WenQuanYi Micro Hei, which setup.sh installs); Wine's own links name
# Windows' East Asian fonts, which a test prefix does not have. Both
# registry views, for 32-bit programs in a 64-bit prefix.
link_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
views=(/reg:32)
[ "$arch" = win64 ] && views+=(/reg:64)
for view in "${views[@]}"; do
  for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
    "${wine_cmd[@]}" reg add "$link_key" /v "$face" /t REG_MULTI_SZ \
      /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f "$view" >/dev/null 2>&1
  done
done
wineserver -w
[ -f "$prefix/system.reg" ] || { echo "wine-prefix: $prefix was not created" >&2; exit 1; }
echo "$version" >"$prefix/.nerro-ready"
