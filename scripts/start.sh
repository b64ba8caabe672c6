#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Penwick (Release) and starts it on the sample project. Extra arguments go to penwick.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPENWICK_BENCH=OFF >/dev/null
cmake --build build/release --target penwick penwick-cli
args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  # The sample opens from a copy of its own: saving (the counter saves too) must not
  # change the file kept in the repository.
  sample="${XDG_DATA_HOME:-$HOME/.local/share}/penwick/examples/sample.xml"
  if [ ! -f "$sample" ]; then
    mkdir -p "$(dirname "$sample")" && cp examples/sample.xml "$sample"
  fi
  args=(--project "$sample")
fi
exec build/release/bin/penwick "${args[@]}"
