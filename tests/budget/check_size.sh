#!/usr/bin/env bash
# check_size.sh PROGRAM BUDGET: fails when PROGRAM has more than BUDGET bytes.
set -u
program=$1
budget=$2
size=$(stat -c %s "$program") || exit 1
echo "$(basename "$program"): $size bytes, budget $budget"
if [ "$size" -gt "$budget" ]; then
  echo "$(basename "$program") is $((size - budget)) bytes over its budget"
  exit 1
fi
