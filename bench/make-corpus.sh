#!/usr/bin/env bash
# Assembles the codec benchmark's corpus from files every set-up machine has.
#
#   bench/make-corpus.sh [FOLDER]      (default: build/bench/corpus)
#
# FOLDER/        the corpus: 32-bit Windows DLLs from Wine, licence texts,
#                documentation, a 24-bit BMP
# FOLDER/apart/  inputs measured beside the corpus but kept out of its totals:
#                one 1,000-byte random string repeated to 900,000 bytes,
#                900,000 bytes of a 4-letter alphabet, and 900,000 random
#                bytes (the yardstick for the repeated one)
# Everything is made deterministically; a missing source file is reported
# and skipped.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/build/bench/corpus}
rm -rf "$out"
mkdir -p "$out/apart"

warn() { echo "make-corpus: $*" >&2; }

wine_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
for dll in version.dll cabinet.dll atl.dll advapi32.dll kernel32.dll; do
  if [ -f "$wine_dlls/$dll" ]; then
    cp "$wine_dlls/$dll" "$out/"
  else
    warn "no $wine_dlls/$dll"
  fi
done

licenses=()
for name in GPL-2 GPL-3 LGPL-2.1 Apache-2.0 MPL-2.0 Artistic; do
  [ -f "/usr/share/common-licenses/$name" ] && licenses+=("/usr/share/common-licenses/$name")
done
if [ ${#licenses[@]} -gt 0 ]; then
  cat "${licenses[@]}" > "$out/licenses.txt"
else
  warn "no texts in /usr/share/common-licenses"
fi

changelog=/usr/share/doc/imagemagick/changelog.gz
if [ -f "$changelog" ]; then
  gzip -dc "$changelog" > "$out/imagemagick-changelog.txt"
else
  warn "no $changelog"
fi

if command -v convert > /dev/null; then
  # A smooth gradient with fractal noise over it, 480 x 360, 24 bits per pixel.
  convert -seed 7 -size 480x360 gradient:navy-orange \
    \( -size 480x360 plasma:fractal \) -compose blend -define compose:args=35 -composite \
    -type TrueColor BMP3:"$out/plasma.bmp"
else
  warn "no ImageMagick convert: no BMP"
fi

python3 - "$out/apart" <<'PY'
import sys

folder = sys.argv[1]
state = 0x2545F491

def next_byte():
    # xorshift32: the same bytes on every machine and Python version.
    global state
    state ^= (state << 13) & 0xFFFFFFFF
    state ^= state >> 17
    state ^= (state << 5) & 0xFFFFFFFF
    return state >> 24

size = 900000
period = bytes(next_byte() for _ in range(1000))
with open(f"{folder}/period-1000.bin", "wb") as f:
    f.write((period * (size // 1000 + 1))[:size])
with open(f"{folder}/alphabet-4.bin", "wb") as f:
    f.write(bytes(b"ACGT"[next_byte() & 3] for _ in range(size)))
with open(f"{folder}/random.bin", "wb") as f:
    f.write(bytes(next_byte() for _ in range(size)))
PY
