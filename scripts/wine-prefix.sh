#!/usr/bin/env bash
# Creates a Wine prefix for the tests, once: wineboot single-threaded (the
# first use of a new prefix races when several programs start at once), no
# crash dialog. Usage: wine-prefix.sh PREFIX [win32|win64]
set -euo pipefail
prefix=$1
arch=${2:-win32}

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/.nerro-ready" ]; then exit 0; fi

rm -rf "$prefix"
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
echo "wine-prefix: creating $arch prefix $prefix" >&2
wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.nerro-ready"
