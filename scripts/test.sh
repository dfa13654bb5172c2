#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, twice:
# a plain debug build, then a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the run.
# The tests start and stop their own throwaway PostgreSQL servers. Then the
# load benchmark runs once as a smoke test, and each fuzzer for 60 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build-asan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build-asan" --output-on-failure -j2

# The load benchmark once on a 10,000-line workbook, as a smoke test: it
# prints its table and asserts no time.
smoke=$(mktemp -d)
"$build/tests/bench/wimport-bench" --generate 10000 "$smoke/invoice-10000.xlsx"
"$build/tests/bench/wimport-bench" "$smoke/invoice-10000.xlsx" --runs 3
rm -rf "$smoke"

# The fuzzers, 60 seconds each, in their own clang build.
bash scripts/fuzz.sh 60
