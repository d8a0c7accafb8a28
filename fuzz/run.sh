#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs one: fuzz/run.sh TARGET [SECONDS]
# Crashing inputs land in fuzz/regressions/TARGET/, where the test suite replays them.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz/run.sh TARGET [SECONDS]}
seconds=${2:-600}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKORIN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "$target"
mkdir -p "fuzz/corpus/$target" "fuzz/regressions/$target"
./build-fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="fuzz/regressions/$target/" "fuzz/corpus/$target"
