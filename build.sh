#!/usr/bin/env bash
# The project's one entry point.
#   ./build.sh test   set up, build every tree, run every test suite (native,
#                     native under ASan+UBSan, Windows under Wine, fuzz runs)
#   ./build.sh demo   set up, build, make the demo installer and run it
#   ./build.sh build  set up and build the native and Windows trees only
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root"
exec "$root/scripts/driver.sh" "$@"
