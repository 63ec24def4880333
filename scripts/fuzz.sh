#!/usr/bin/env bash
# Builds the JSON fuzzer with clang and runs it for SECONDS seconds (default 60) on a copy of
# the seed corpus. Exits non-zero when the fuzzer finds a crash; the input is left in the
# build folder (crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache may reuse objects compiled in another clone of the project: paths below the project are
# hashed relative to it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true

seconds=${1:-60}
build=build/fuzz

launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja "${launchers[@]}" \
  -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF -DTARNWICK_GTK=OFF \
  -DTARNWICK_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target json_fuzz -- -j2

# The fuzzer adds what it learns to the corpus folder it runs on; keep the seeds clean.
corpus="$build/corpus-json"
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/corpus/json/* "$corpus"/

"$build/fuzz/json_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build/" "$corpus"
