# Sourced by the install benchmarks: the product they all pack.
#
# make_bench_product DLLS SIZE_MB PRODUCT_DIR UNINSTALL_EXE
# Copies DLLs from DLLS (in name order) until SIZE_MB million bytes are
# reached, adds UNINSTALL_EXE as nerro-uninstall.exe and the demo's logo,
# and writes a "Nerro.ini" naming them all. Leaves the installed files' names
# in the array files and the DLLs' bytes in total.
make_bench_product() {
  local dlls=$1 size_mb=$2 product=$3 uninstall=$4 dll limit
  limit=$((size_mb * 1000 * 1000))
  total=0
  files=()
  mkdir -p "$product"
  while IFS= read -r dll; do
    [ "$total" -ge "$limit" ] && break
    cp "$dll" "$product/"
    files+=("$(basename "$dll")")
    total=$((total + $(stat -c %s "$dll")))
  done < <(find "$dlls" -maxdepth 1 -type f -name '*.dll' | LC_ALL=C sort)
  cp "$uninstall" "$product/nerro-uninstall.exe"
  files+=(nerro-uninstall.exe)
  cp "$root/demo/product/logo.bmp" "$product/"
  {
    printf '[General]\nTitle=Nerro Bench\nProduct name=Nerro Bench\n'
    printf 'Registry key=Software\\Nerro\\Bench\nDefault folder=\\Nerro Bench\n'
    printf 'Number of files=%d\n' "${#files[@]}"
    local i
    for i in "${!files[@]}"; do
      printf '[%d]\nName=%s\nCreate name=%s\nCan uninstall=1\n' "$i" "${files[$i]}" "${files[$i]}"
    done
  } >"$product/Nerro.ini"
}
