#!/usr/bin/env bash
# check_imports.sh OBJDUMP PROGRAM...: fails when a program imports a DLL
# outside the allowed list, and names it. comctl32.dll is not on it: the
# programs load it when they make their first dialog (platform/
# common_controls.h), since its start-up code makes even a run without a
# window wait for Wine's desktop process.
set -u
objdump=$1
shift
allowed=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll "
status=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | awk '/DLL Name:/ {print tolower($3)}')
  [ -n "$dlls" ] || { echo "$program: no import table found"; status=1; continue; }
  for dll in $dlls; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "$(basename "$program") imports $dll, which Windows may load from the program's folder"; status=1 ;;
    esac
  done
  echo "$(basename "$program"): $(echo $dlls)"
done
exit $status
