#!/usr/bin/env bash
# Builds the static libzstd of each Windows tree, once per clone, into
# build/third-party/zstd-<arch>/ (include/, lib/libzstd.a); a tree whose
# library is there already is skipped. The native trees use Debian's
# libzstd-dev instead.
#
# The source is Debian bookworm's libzstd, one pinned upstream release
# (the .orig tarball of 1.5.4+dfsg2), fetched with apt-get from a private
# source list, so the machine's own apt configuration is not touched, and
# checked against its SHA-256 before it is unpacked. Nothing of it is kept in
# the repository.
#
# Only the library is built (no programs), single-threaded (compressed bytes
# never depend on threads), without the legacy formats (the decoder accepts
# today's frame format and nothing else) and without the dictionary builder.
# -O2, no run-time BMI2 dispatch and no error strings keep the decoder that
# the installer links small; the installer pulls only the decoder's objects
# out of the archive.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
third_party="$root/build/third-party"
tarball=libzstd_1.5.4+dfsg2.orig.tar.xz
tarball_sha256=8cf4bbb65e77ec348d052c8d6230eba66d435bddf64c8b5be2fcb16880c19953
source_dir=zstd-1.5.4

# arch -> compiler prefix
declare -A toolchains=(
  [i686]=i686-w64-mingw32
  [x86_64]=x86_64-w64-mingw32
)

say() { echo "build-zstd: $*" >&2; }

fetch_source() {
  local download="$third_party/download"
  if [ -f "$download/$tarball" ] &&
    echo "$tarball_sha256  $download/$tarball" | sha256sum --check --status; then
    return
  fi
  say "fetching Debian's libzstd source ($tarball)"
  local apt="$download/apt"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt/sources.list"
  local options=(-q -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User="$(id -un)")
  apt-get "${options[@]}" update >&2
  (cd "$download" && apt-get "${options[@]}" source --download-only libzstd >&2)
  if ! echo "$tarball_sha256  $download/$tarball" | sha256sum --check --status; then
    say "$tarball is missing or does not match its SHA-256 $tarball_sha256"
    exit 1
  fi
  rm -rf "$apt"
}

build_arch() {
  local arch=$1 prefix="$third_party/zstd-$1" tool=${toolchains[$1]}
  if [ -f "$prefix/lib/libzstd.a" ] && [ -f "$prefix/include/zstd.h" ]; then return; fi
  fetch_source
  say "building libzstd for $arch (a minute or two, once)"
  local work="$third_party/work-$arch"
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  tar -xJf "$third_party/download/$tarball" -C "$work"
  make -C "$work/$source_dir/lib" -j "$(nproc)" libzstd.a \
    CC="$tool-gcc-posix" AR="$tool-gcc-ar-posix" \
    CFLAGS="-O2" CPPFLAGS="-DDYNAMIC_BMI2=0 -DZSTD_STRIP_ERROR_STRINGS" \
    ZSTD_LEGACY_SUPPORT=0 ZSTD_LIB_DICTBUILDER=0 ZSTD_LIB_DEPRECATED=0 >"$work/build.log" 2>&1 || {
    tail -n 20 "$work/build.log" >&2
    say "building libzstd for $arch failed (log: $work/build.log)"
    exit 1
  }
  mkdir -p "$prefix/lib.tmp" "$prefix/include"
  cp "$work/$source_dir/lib/"{zstd.h,zstd_errors.h} "$prefix/include/"
  cp "$work/$source_dir/LICENSE" "$prefix/"
  cp "$work/$source_dir/lib/libzstd.a" "$prefix/lib.tmp/"
  # The library appears last, so an interrupted build is rebuilt next time.
  mv "$prefix/lib.tmp" "$prefix/lib"
  rm -rf "$work"
}

for arch in i686 x86_64; do
  build_arch "$arch"
done
