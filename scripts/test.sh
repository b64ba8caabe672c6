#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Penwick and runs every test through CTest, headless.
#   scripts/test.sh             optimised build with debug info (build/test)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
dir=build/test; extra=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build/asan; extra=(-DCMAKE_BUILD_TYPE=Debug -DPENWICK_SANITIZE=ON -DPENWICK_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
fi
cmake -S . -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
