#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
#   ./test.sh              the ordinary build in build/
#   ./test.sh --sanitize   AddressSanitizer+UndefinedBehaviorSanitizer over every test in
#                          build-asan/, then ThreadSanitizer over the core tests in build-tsan/,
#                          then each libFuzzer target briefly from its seeds in build-fuzz/
#                          (clang only; skipped when clang cannot link libFuzzer)
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

# True when clang++ can build and link a libFuzzer target.
have_libfuzzer() {
  command -v clang >/dev/null && command -v clang++ >/dev/null || return 1
  local probe
  probe=$(mktemp -d)
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' \
    >"$probe/probe.cpp"
  local rc=0
  clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1 || rc=1
  rm -rf "$probe"
  return $rc
}

# Every fuzz target for FUZZ_SECONDS (default 20) from its seed corpus; a crash, a sanitizer
# report or a broken promise fails the run, and its input is kept in build-fuzz/crashes/.
fuzz_phase() {
  if ! have_libfuzzer; then
    echo "clang with libFuzzer not available: fuzz phase skipped"
    return 0
  fi
  local folder=$here/build-fuzz
  CC=clang CXX=clang++ cmake -S "$here" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQEV_FUZZ=ON -DQEV_BUILD_BENCH=OFF
  cmake --build "$folder" -j "$jobs" --target qev_fuzzers
  local seconds=${FUZZ_SECONDS:-20} fuzzer name
  for fuzzer in "$folder"/bin/*_fuzz; do
    name=$(basename "$fuzzer")
    # New inputs go to a scratch corpus; the seeds stay as the generator wrote them.
    rm -rf "$folder/corpus/$name"
    mkdir -p "$folder/corpus/$name" "$folder/crashes"
    echo "fuzzing $name for ${seconds}s"
    ASAN_OPTIONS=abort_on_error=1 "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$folder/crashes/$name-" \
      "$folder/corpus/$name" "$folder/fuzz-seeds/$name" 2>"$folder/corpus/$name.log" || {
      tail -n 40 "$folder/corpus/$name.log" >&2
      echo "$name failed; its input is in $folder/crashes" >&2
      return 1
    }
  done
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
    fuzz_phase
    ;;
  *)
    echo "usage: $0 [--sanitize]" >&2
    exit 2
    ;;
esac
