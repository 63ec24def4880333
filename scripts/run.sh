#!/usr/bin/env bash
# Installs what building and running need, builds the program and runs it headless with the
# given arguments (a path, --json PATH, --tools, ...), showing the log. Without arguments it
# compresses a fresh temporary copy of sample/.
#   bash scripts/run.sh [ARGUMENTS...]
set -euo pipefail

# Stay in the caller's folder: the program takes relative paths from there.
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh"

build=$root/build/release
echo "Building the program in $build..." >&2
if ! log=$(cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
             -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF 2>&1 &&
           cmake --build "$build" --target tarnwick 2>&1); then
  echo "$log" >&2
  exit 1
fi

if [ $# -eq 0 ]; then
  copy=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-sample.XXXXXX")
  cp -R "$root/sample" "$copy/sample"
  echo "Compressing a fresh copy of the sample folder: $copy/sample" >&2
  set -- "$copy/sample"
fi

exec "$build/app/tarnwick" "$@"
