#!/usr/bin/env bash
# Builds Penwick (Release) and starts it on the sample project. Extra arguments go to penwick.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPENWICK_BENCH=OFF >/dev/null
cmake --build build/release --target penwick penwick-cli
args=("$@")
if [ ${#args[@]} -eq 0 ] && [ -f examples/sample.xml ]; then args=(--project examples/sample.xml); fi
exec build/release/bin/penwick "${args[@]}"
