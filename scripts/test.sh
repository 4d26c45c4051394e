#!/usr/bin/env bash
# Installs what is needed, builds twice and runs every test:
#   build/       optimised build: the whole suite, benchmarks excluded;
#   build-asan/  clang with AddressSanitizer + UBSan: the suite again (the
#                whole-program tests excepted) and the bounded fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" -LE bench

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTUMBLEVIEW_SANITIZE=ON -DTUMBLEVIEW_FUZZ=ON -DTUMBLEVIEW_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE 'bench|e2e'
