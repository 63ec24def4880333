#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for SECONDS seconds (default 60) under
# AddressSanitizer on a copy of its seed corpus: the JSON parser, then the image checks (whose
# seeds the build writes). Exits non-zero when a fuzzer finds a crash or a leak; the input is left
# in the build folder (crash-*, leak-*).
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
cmake --build "$build" --target json_fuzz image_fuzz image_seeds -- -j2

# The fuzzer adds what it learns to the corpus folder it runs on; keep the seeds clean.
corpus="$build/corpus-json"
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/corpus/json/* "$corpus"/

"$build/fuzz/json_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build/" "$corpus"

corpus="$build/corpus-image"
rm -rf "$corpus"
mkdir -p "$corpus"
"$build/fuzz/image_seeds" "$corpus"

"$build/fuzz/image_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build/" "$corpus"
