#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from the seeds in tests/fuzz/corpus/TARGET. A crash, a leak, a time-out or
# an out-of-memory fails the run and leaves its reproducer in
# $build/artifacts/TARGET/; turn it into a regression test and fix the fault.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]    (default 60, all four)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(xlsx loginfile celltext json)

build=${FUZZ_BUILD_DIR:-build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=OFF -DWIFV_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

status=0
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  cp -r "tests/fuzz/corpus/$t/." "$work/"
  mkdir -p "$build/artifacts/$t"
  echo "== fuzz_$t for $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tests/fuzz/fuzz_$t" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=262144 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" 2>"$build/fuzz_$t.log"; then
    status=1
    echo "fuzz_$t FAILED; its log:"
    tail -60 "$build/fuzz_$t.log"
  else
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE" "$build/fuzz_$t.log" || true
  fi
  echo "corpus: $(ls "$work" | wc -l) inputs"
  rm -rf "$work"
done
exit $status
