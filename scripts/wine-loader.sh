# Sourced: which Wine loader starts a program, and whether this machine can
# start 32-bit Windows programs at all.
#
# Debian's `wine` wrapper prefers the 32-bit loader whenever it is installed,
# even on a machine whose kernel does not execute 32-bit programs; 64-bit
# programs and 64-bit prefixes are therefore started with the 64-bit loader
# directly (WINELOADER tells Wine which one to use for the programs a program
# starts).
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine

# pe_machine FILE: prints x86 or x64 for a PE image (empty for anything else).
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$offset" ] || return 0
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo x86 ;;
    8664) echo x64 ;;
  esac
}

# use_wine_loader win32|win64: sets wine_cmd (an array) for that kind of prefix.
use_wine_loader() {
  if [ "$1" = win64 ]; then
    export WINELOADER=$wine64_loader
    wine_cmd=("$wine64_loader")
  else
    unset WINELOADER
    wine_cmd=(wine)
  fi
}

# can_run_32bit: true when the kernel executes 32-bit (i386) programs, probed
# by starting one (Wine's own 32-bit loader), never guessed from the kernel.
can_run_32bit() {
  [ -x "$wine32_loader" ] && "$wine32_loader" --version >/dev/null 2>&1
}
