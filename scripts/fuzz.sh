#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang-14, replays the seed corpora, then fuzzes each
# target for FUZZ_SECONDS (default 60) seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh fuzz
secs=${FUZZ_SECONDS:-60}
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPENWICK_FUZZ=ON -DPENWICK_GUI=OFF -DPENWICK_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz
for t in fuzz/corpus/*/; do
  name=$(basename "$t")
  exe=build/fuzz/bin/fuzz_$name
  [ -x "$exe" ] || { echo "no fuzz target for $t" >&2; exit 1; }
  echo "== $name: replaying $(ls "$t" | wc -l) seeds"
  "$exe" -runs=0 "$t"
  work=$(mktemp -d); cp "$t"/* "$work"/
  echo "== $name: fuzzing ${secs}s"
  "$exe" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$work" -print_final_stats=1 2>&1 | tail -n 5
  rm -rf "$work"
done
