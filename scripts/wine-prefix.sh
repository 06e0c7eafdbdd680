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
version=3
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
# Wine's dialog font (Tahoma) links to the East Asian fonts of Windows for
# the letters it lacks; with none of those installed, Japanese and Chinese
# texts show as boxes. The linked names stand for WenQuanYi Micro Hei
# (fonts-wqy-microhei, scripts/setup.sh), which has the kana, the Han letters
# and Cyrillic.
for linked in "MS UI Gothic" "SimSun" "PMingLiU" "Gulim"; do
  "${wine_cmd[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$linked" /t REG_SZ \
    /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -w
[ -f "$prefix/system.reg" ] || { echo "wine-prefix: $prefix was not created" >&2; exit 1; }
echo "$version" >"$prefix/.nerro-ready"
