#!/usr/bin/env bash
# The native nerro-pack and nerro-pack.exe under Wine build byte-identical
# installers from the same product folder, and each reads what the other
# wrote: list, verify and extract agree.
# Usage: native_wine_identical.sh NATIVE_TOOL WINE_RUN WINDOWS_TOOL PRODUCT_DIR STUB WORK_DIR
set -euo pipefail
native=$1 wine_run=$2 exe=$3 product=$4 stub=$5 work=$6
rm -rf "$work"
mkdir -p "$work/native" "$work/wine"
export SOURCE_DATE_EPOCH=1700000000

# One file name for both: the installer names its own file in its version information.
"$native" build "$product" -o "$work/native/setup.exe" --stub "$stub"
"$wine_run" "$exe" build "Z:$product" -o "Z:$work/wine/setup.exe" --stub "Z:$stub"
cmp "$work/native/setup.exe" "$work/wine/setup.exe"

"$wine_run" "$exe" verify "Z:$work/native/setup.exe"
"$native" verify "$work/wine/setup.exe"
diff <("$native" list "$work/native/setup.exe") <("$wine_run" "$exe" list "Z:$work/wine/setup.exe" | tr -d '\r')

"$wine_run" "$exe" extract "Z:$work/native/setup.exe" -o "Z:$work/by-wine"
"$native" extract "$work/wine/setup.exe" -o "$work/by-native"
diff -r "$product" "$work/by-wine"
diff -r "$product" "$work/by-native"

# zstd as well: both use the same libzstd release on one thread.
mkdir -p "$work/native-zstd" "$work/wine-zstd"
"$native" build "$product" -o "$work/native-zstd/setup.exe" --stub "$stub" --codec zstd
"$wine_run" "$exe" build "Z:$product" -o "Z:$work/wine-zstd/setup.exe" --stub "Z:$stub" --codec zstd
cmp "$work/native-zstd/setup.exe" "$work/wine-zstd/setup.exe"
"$wine_run" "$exe" verify "Z:$work/native-zstd/setup.exe"
"$native" verify "$work/wine-zstd/setup.exe"
echo "identical installers; both tools read both"
