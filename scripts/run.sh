#!/usr/bin/env bash
# Installs what is needed, builds the program and compresses PATH headless, showing the log.
# Without PATH it compresses a fresh temporary copy of sample/.
#   bash scripts/run.sh [PATH]
set -euo pipefail

# Resolve PATH against the caller's folder first: the program itself takes a relative path from
# its own folder.
target=""
if [ $# -ge 1 ]; then
  target=$(realpath -m -- "$1")
fi

cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

build=build/release
echo "Building the program in $build..." >&2
if ! log=$(cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
             -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF 2>&1 &&
           cmake --build "$build" --target tarnwick 2>&1); then
  echo "$log" >&2
  exit 1
fi

if [ -z "$target" ]; then
  copy=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-sample.XXXXXX")
  cp -R sample "$copy/sample"
  target="$copy/sample"
  echo "Compressing a fresh copy of the sample folder: $target" >&2
fi

exec "$root/$build/app/tarnwick" "$target"
