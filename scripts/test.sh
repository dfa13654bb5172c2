#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# The tests start and stop their own throwaway PostgreSQL servers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2
