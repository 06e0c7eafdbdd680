#!/usr/bin/env bash
# Installs everything the project needs on Debian 12 (run as root, or with sudo
# available), then builds the static libzstd of both Windows trees once.
# Idempotent: when every package and both libraries are present it only checks
# and exits.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  cmake g++ make ninja-build clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  # Japanese, Chinese and Cyrillic letters for the dialogs under Wine (its
  # font fallback finds them here): one small font covers all three.
  fonts-wqy-microhei
  xvfb x11-utils imagemagick
  googletest libbz2-dev zlib1g-dev libzstd-dev xz-utils
  python3 bc bzip2
  osslsigncode openssl
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -ne 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

"$root/scripts/build-zstd.sh"
