#!/usr/bin/env bash
# Builds the trees and runs the suites; called by ./build.sh.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${NERRO_FUZZ_SECONDS:-10}

say() { printf '\n=== %s\n' "$*" >&2; }
die() { echo "build.sh: $*" >&2; exit 1; }

configure() {
  local tree=$1
  shift
  cmake -S "$root" -B "$root/build/$tree" -G Ninja -Wno-dev "$@" >/dev/null ||
    die "configuring build/$tree failed"
}

build_tree() {
  say "building build/$1"
  cmake --build "$root/build/$1" -j "$jobs" || die "building build/$1 failed"
}

build_main_trees() {
  "$root/scripts/setup.sh" || die "set-up failed"
  configure native -DCMAKE_BUILD_TYPE=RelWithDebInfo
  build_tree native
  configure win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake"
  build_tree win32
  configure win64 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/x86_64-w64-mingw32.cmake"
  build_tree win64
}

# ---------------------------------------------------------------- suites

declare -a summary=()
failed_suites=0
total_passed=0

# record NAME LOG STATUS: reads ctest's "N tests failed out of M" line.
record() {
  local name=$1 log=$2 status=$3 line passed=0 failed=0 total=0
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((total - failed))
  fi
  if [ "$status" -ne 0 ] || [ "$total" -eq 0 ]; then
    failed_suites=$((failed_suites + 1))
    summary+=("$(printf '%-12s FAILED  %3d passed, %3d failed (log: %s)' "$name" "$passed" "$failed" "${log#"$root"/}")")
  else
    summary+=("$(printf '%-12s ok      %3d passed' "$name" "$passed")")
  fi
  total_passed=$((total_passed + passed))
}

run_ctest_suite() {
  local name=$1 tree=$2 log="$root/build/$1-tests.log"
  shift 2
  say "tests: $name"
  ctest --test-dir "$root/build/$tree" --output-on-failure --no-tests=error -j "$jobs" "$@" 2>&1 |
    tee "$log"
  record "$name" "$log" "${PIPESTATUS[0]}"
}

# wine_suites: the Windows suites. The 64-bit tree always runs (64-bit
# prefix); the 32-bit tree only where the kernel executes 32-bit programs:
# in a 32-bit prefix, then its installation and end-to-end tests again in a
# 64-bit prefix, as on today's 64-bit Windows.
run_wine_suites() {
  # shellcheck source=scripts/xvfb.sh
  . "$root/scripts/xvfb.sh"
  # shellcheck source=scripts/wine-loader.sh
  . "$root/scripts/wine-loader.sh"
  local own_display=
  if [ -z "${DISPLAY:-}" ]; then
    start_private_display || die "no virtual display"
    own_display=1
  fi

  run_wine_ctest_suite win64 win64 "$root/build/win64/wineprefix" win64
  if can_run_32bit; then
    run_wine_ctest_suite win32 win32 "$root/build/win32/wineprefix" win32
    # There a 32-bit installer sees "Program Files (x86)" and its
    # HKLM\Software keys go to Wow6432Node.
    run_wine_ctest_suite win32-on-64 win32 "$root/build/win32/wineprefix64" win64 -R 'e2e|install'
  else
    summary+=("32-bit Windows suites not run: this machine's kernel does not execute 32-bit programs")
  fi
  if [ -n "$own_display" ]; then stop_private_display; fi
}

# run_wine_ctest_suite NAME TREE PREFIX ARCH [ctest arguments...]
run_wine_ctest_suite() {
  local name=$1 tree=$2 prefix=$3 arch=$4
  shift 4
  say "preparing the $arch Wine prefix $prefix"
  if ! "$root/scripts/wine-prefix.sh" "$prefix" "$arch"; then
    echo "build.sh: the Wine prefix $prefix could not be created" >&2
    summary+=("$(printf '%-12s FAILED  the Wine prefix could not be created' "$name")")
    failed_suites=$((failed_suites + 1))
    return
  fi
  NERRO_WINEARCH=$arch NERRO_WINEPREFIX=$prefix run_ctest_suite "$name" "$tree" "$@"
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
}

# Each fuzz target runs for a bounded time, seeded by (and replaying) the
# inputs kept in fuzz/corpus/<target>/.
run_fuzz_suite() {
  local log="$root/build/fuzz-tests.log" status=0 count=0 failures=0
  say "fuzzing, ${fuzz_seconds}s per target"
  : >"$log"
  for target in "$root"/build/fuzz/bin/*; do
    [ -x "$target" ] || continue
    local name work seeds
    name=$(basename "$target")
    work="$root/build/fuzz/corpus/$name"
    seeds="$root/fuzz/corpus/$name"
    mkdir -p "$work" "$seeds"
    count=$((count + 1))
    if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=20 \
      -print_final_stats=1 "$work" "$seeds" >>"$log" 2>&1; then
      echo "fuzz $name: ok" | tee -a "$log" >&2
    else
      echo "fuzz $name: FAILED (see $log)" | tee -a "$log" >&2
      failures=$((failures + 1))
      status=1
    fi
  done
  echo "$(( count > 0 ? 100 * (count - failures) / count : 0 ))% tests passed, $failures tests failed out of $count" >>"$log"
  record fuzz "$log" "$status"
}

run_tests() {
  build_main_trees
  configure native-asan -DCMAKE_BUILD_TYPE=Debug -DNERRO_SANITIZE=address,undefined -DNERRO_BENCH=OFF
  build_tree native-asan
  configure fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DNERRO_FUZZ=ON
  build_tree fuzz

  run_ctest_suite native native
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest_suite sanitizers native-asan
  run_wine_suites
  run_fuzz_suite

  printf '\n=== summary\n'
  printf '%s\n' "${summary[@]}"
  if [ "$failed_suites" -ne 0 ]; then
    echo "FAILED: $failed_suites suite(s) failed"
    exit 1
  fi
  if [ "$total_passed" -eq 0 ]; then
    echo "FAILED: no test ran"
    exit 1
  fi
  echo "ALL PASSED"
}

case "${1:-}" in
  test) run_tests ;;
  build) build_main_trees ;;
  demo)
    build_main_trees
    exec "$root/demo/run-demo.sh"
    ;;
  *)
    echo "usage: ./build.sh test|demo|build" >&2
    exit 2
    ;;
esac
