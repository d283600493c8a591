#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
#   ./test.sh              the ordinary build in build/
#   ./test.sh --sanitize   AddressSanitizer+UndefinedBehaviorSanitizer over every test in
#                          build-asan/, then ThreadSanitizer over the core tests in build-tsan/
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/install-deps.sh"

jobs=$(nproc)

build_and_test() { # folder, extra cmake arguments..., -- ctest arguments...
  local folder=$1; shift
  local cmake_args=() ctest_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do cmake_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  ctest_args=("$@")
  cmake -S "$here" -B "$here/$folder" -G Ninja "${cmake_args[@]}"
  cmake --build "$here/$folder" -j "$jobs"
  ctest --test-dir "$here/$folder" --output-on-failure -j "$jobs" "${ctest_args[@]}"
}

case "${1:-}" in
  "")
    build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ;;
  --sanitize)
    # Qt and fontconfig keep caches for the life of the process; those are not our leaks.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DQEV_SANITIZE=address,undefined
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    build_and_test build-tsan -DCMAKE_BUILD_TYPE=Debug -DQEV_SANITIZE=thread -- -L core
    ;;
  *)
    echo "usage: $0 [--sanitize]" >&2
    exit 2
    ;;
esac
