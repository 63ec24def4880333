#!/usr/bin/env bash
# Installs what building and testing need, builds Tarnwick with its tests and runs them all but
# the kill stress tests (label stress, minutes long: .ci/run runs them as a stage of their own).
#   BUILD_DIR            build folder (default build/test)
#   TARNWICK_CMAKE_ARGS  extra CMake arguments (sanitizers, compilers)
#   BUILD_TARGETS        what to build (default everything), e.g. "tests_util tests_engine"
#   CTEST_ARGS           ctest arguments choosing the tests (default "-LE stress")
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache may reuse objects compiled in another clone of the project: paths below the project are
# hashed relative to it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
bash scripts/setup.sh --test

build=${BUILD_DIR:-build/test}
# ccache keeps compiled objects between runs and build folders.
launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DTARNWICK_WERROR=ON "${launchers[@]}" ${TARNWICK_CMAKE_ARGS:-}
# shellcheck disable=SC2086
cmake --build "$build" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
# shellcheck disable=SC2086
ctest --test-dir "$build" --output-on-failure -j2 --no-tests=error ${CTEST_ARGS:--LE stress}
