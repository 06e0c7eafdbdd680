#!/usr/bin/env bash
# The native nerro-pack and nerro-pack.exe under Wine build byte-identical
# installers from the same product folder, and each reads what the other
# wrote: list, verify and extract agree.
# Usage: native_wine_identical.sh NATIVE_TOOL WINE_RUN WINDOWS_TOOL PRODUCT_DIR STUB WORK_DIR
set -euo pipefail
native=$1 wine_run=$2 exe=$3 product=$4 stub=$5 work=$6
rm -rf "$work"
mkdir -p "$work"
export SOURCE_DATE_EPOCH=1700000000

"$native" build "$product" -o "$work/native.exe" --stub "$stub"
"$wine_run" "$exe" build "Z:$product" -o "Z:$work/wine.exe" --stub "Z:$stub"
cmp "$work/native.exe" "$work/wine.exe"

"$wine_run" "$exe" verify "Z:$work/native.exe"
"$native" verify "$work/wine.exe"
diff <("$native" list "$work/native.exe") <("$wine_run" "$exe" list "Z:$work/wine.exe" | tr -d '\r')

"$wine_run" "$exe" extract "Z:$work/native.exe" -o "Z:$work/by-wine"
"$native" extract "$work/wine.exe" -o "$work/by-native"
diff -r "$product" "$work/by-wine"
diff -r "$product" "$work/by-native"
echo "identical installers; both tools read both"
