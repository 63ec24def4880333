#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows with mingw-w64, the optimizers the zip carries beside
# tarnwick.exe: pngcrush, optipng, zopflipng (from zopfli) and gifsicle, each one static program
# linked with the libraries of windows-deps.sh (jpegtran and qpdf come from that script's builds).
# Sources are Debian's source packages with Debian's patches applied (see windows-sources.sh).
#
#   bash scripts/windows-tools.sh DEPS_PREFIX    builds or reuses the tools, prints their folder
#
# The folder, ${XDG_CACHE_HOME:-~/.cache}/tarnwick/windows-tools/KEY, holds bin/*.exe,
# licenses/NAME/ (Debian's copyright file, else the upstream licence) and versions.txt. KEY hashes
# this script, the source versions and the libraries' own key.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps=$(realpath "${1:?usage: bash scripts/windows-tools.sh DEPS_PREFIX}")
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix
strip=$triple-strip
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=2
source_packages=(pngcrush optipng zopfli gifsicle)

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/windows-tools
downloads=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/windows-deps/downloads
say() { echo "windows-tools: $*" >&2; }

# shellcheck source=scripts/windows-sources.sh
source "$root/scripts/windows-sources.sh"
mkdir -p "$downloads"
for p in "${source_packages[@]}"; do
  resolve_source "$p"
done

key=$(
  {
    cat "${BASH_SOURCE[0]}" "$root/scripts/windows-sources.sh"
    for p in "${source_packages[@]}"; do echo "${source_note[$p]}"; done
    echo "$deps"
    "$cc" --version | head -n 1
  } | sha256sum | cut -c1-16
)
final=$cache_root/$key

# Finished builds under other keys would never be used again; builds in progress stay.
drop_older() {
  local other
  for other in "$cache_root"/*/done; do
    [ -e "$other" ] || continue
    [ "$(dirname "$other")" = "$final" ] || rm -rf "$(dirname "$other")"
  done
}

if [ -f "$final/done" ]; then
  say "reusing $final"
  sed 's/^/windows-tools: /' "$final/versions.txt" >&2
  drop_older
  echo "$final"
  exit 0
fi

started=$(date +%s)
work=$cache_root/partial-$key
rm -rf "$work"
mkdir -p "$work/src" "$work/build" "$work/out/bin" "$work/out/licenses"
: >"$work/out/versions.txt"
export CCACHE_BASEDIR=$work

failed() {
  tail -n 40 "$work/build/$1.log" >&2
  say "$1 failed, log in $work/build/$1.log"
  exit 1
}

fetch() { # PACKAGE: unpacks it into the work folder, prints the folder
  say "${source_note[$1]}"
  echo "${source_note[$1]}" >>"$work/out/versions.txt"
  unpack_source "$1" "$work/src/$1"
  echo "$work/src/$1"
}

licences() { # NAME SOURCE UPSTREAM_FILE...: Debian's copyright file where the source has one
  local name=$1 src=$2
  shift 2
  mkdir -p "$work/out/licenses/$name"
  if [ -f "$src/debian/copyright" ]; then
    cp "$src/debian/copyright" "$work/out/licenses/$name/copyright"
  fi
  cp "$@" "$work/out/licenses/$name/"
}

finish() { # EXE: strips it into bin/; a program that needs a DLL of ours would not start alone
  local exe=$1 dll
  "$strip" -o "$work/out/bin/$(basename "$exe")" "$exe"
  while read -r dll; do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | shell32.dll | ws2_32.dll | \
        bcrypt.dll | crypt32.dll | api-ms-win-*) ;;
      *)
        say "$(basename "$exe") needs $dll"
        exit 1
        ;;
    esac
  done < <("$triple-objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p')
}

static_flags=(-O2 -I"$deps/include")
static_libs=(-static -L"$deps/lib" -lpng16 -lz -lm)

say "pngcrush"
src=$(fetch pngcrush)
mkdir -p "$work/build/pngcrush"
ccache "$cc" "${static_flags[@]}" -c "$src/pngcrush.c" -o "$work/build/pngcrush/pngcrush.o" \
  >"$work/build/pngcrush.log" 2>&1 || failed pngcrush
"$cc" -o "$work/build/pngcrush/pngcrush.exe" "$work/build/pngcrush/pngcrush.o" \
  "${static_libs[@]}" >>"$work/build/pngcrush.log" 2>&1 || failed pngcrush
finish "$work/build/pngcrush/pngcrush.exe"
licences pngcrush "$src" "$src/LICENSE"

say "optipng"
src=$(fetch optipng)
# Its own configure script: with our libpng and zlib, not the copies it bundles.
(cd "$src" && CC="ccache $cc" CPPFLAGS="-I$deps/include" CFLAGS=-O2 \
  LDFLAGS="-static -L$deps/lib" LIBS="-lpng16 -lz -lm" \
  ./configure -with-system-libpng -with-system-zlib &&
  make -j"$jobs") >"$work/build/optipng.log" 2>&1 || failed optipng
finish "$src/src/optipng/optipng.exe"
licences optipng "$src" "$src/LICENSE.txt"

say "zopflipng"
src=$(fetch zopfli)
cmake -S "$src" -B "$work/build/zopfli" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF >"$work/build/zopfli.log" 2>&1 ||
  failed zopfli
cmake --build "$work/build/zopfli" --target zopflipng -- -j"$jobs" \
  >>"$work/build/zopfli.log" 2>&1 || failed zopfli
finish "$work/build/zopfli/zopflipng.exe"
licences zopflipng "$src" "$src/COPYING"

say "gifsicle"
src=$(fetch gifsicle)
# Its Windows configuration is a header of its own; the Makefile for MinGW wants cmd.exe.
cp "$src/src/win32cfg.h" "$src/config.h"
mkdir -p "$work/build/gifsicle"
objects=()
for f in clp fmalloc giffunc gifread gifunopt gifwrite merge optimize quantize support xform \
  gifsicle; do
  ccache "$cc" -O2 -DHAVE_CONFIG_H -DHAVE_UINTPTR_T -DHAVE_INTTYPES_H -D_CONSOLE \
    -I"$src" -I"$src/include" -c "$src/src/$f.c" -o "$work/build/gifsicle/$f.o" \
    >>"$work/build/gifsicle.log" 2>&1 || failed gifsicle
  objects+=("$work/build/gifsicle/$f.o")
done
"$cc" -static -o "$work/build/gifsicle/gifsicle.exe" "${objects[@]}" \
  >>"$work/build/gifsicle.log" 2>&1 || failed gifsicle
finish "$work/build/gifsicle/gifsicle.exe"
licences gifsicle "$src" "$src/COPYING"

rm -rf "$final"
mv "$work/out" "$final"
echo "built in $(($(date +%s) - started)) s" >"$final/done"
rm -rf "$work"
say "built $final in $(($(date +%s) - started)) s"
drop_older
echo "$final"
