#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows with mingw-w64, the static libraries the program links:
# zlib, libpng, libjpeg-turbo, giflib, libtiff (zlib and jpeg only), sqlite3, xxhash, qpdf
# (native crypto) and GoogleTest for the tests; and, from the same builds, jpegtran.exe and
# qpdf.exe for the zip. Sources are Debian's: the source packages with Debian's patches applied
# (windows-sources.sh says which version when the newest cannot be had), and the installed
# googletest and libz-mingw-w64-dev packages.
#
#   bash scripts/windows-deps.sh      builds or reuses the libraries, prints their prefix
#
# PREFIX/share/versions.txt says which version and Debian revision each part is; PREFIX/tools
# holds the two programs.
#
# The prefix is kept outside the clone, in ${XDG_CACHE_HOME:-~/.cache}/tarnwick/windows-deps/KEY,
# where KEY hashes this script, the source versions and the compiler's; a clean clone reuses it.
# build/windows-deps/prefix links to it. Its .pc files are relocatable (${pcfiledir}), so use
#   PKG_CONFIG_LIBDIR=PREFIX/lib/pkgconfig pkg-config --static ...
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix
cxx=$triple-g++-posix
ar=$triple-ar
ranlib=$triple-ranlib
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=2
source_packages=(libpng1.6 libjpeg-turbo giflib tiff sqlite3 xxhash qpdf)
gtest_source=/usr/src/googletest
mingw_sysroot=/usr/$triple

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/windows-deps
downloads=$cache_root/downloads
link=$root/build/windows-deps/prefix

say() { echo "windows-deps: $*" >&2; }

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

for tool in "$cc" "$cxx" ccache cmake ninja pkg-config tclsh gcc make nasm; do
  command -v "$tool" >/dev/null || {
    say "$tool is missing (bash scripts/windows.sh installs what this needs)"
    exit 1
  }
done
[ -f "$mingw_sysroot/lib/libz.a" ] || {
  say "libz-mingw-w64-dev is missing"
  exit 1
}
[ -f "$gtest_source/CMakeLists.txt" ] || {
  say "googletest (its source in $gtest_source) is missing"
  exit 1
}

# apt-get source needs deb-src entries: the same mirrors and suites as the binary ones.
source_uris() { apt-get source --print-uris -qq "$1" 2>/dev/null; }
if ! source_uris giflib | grep orig >/dev/null; then
  if ! grep -rqs '^\(Types:.*\)\?deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      say "adding deb-src entries beside /etc/apt/sources.list.d/debian.sources"
      sed 's/^Types: *deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tarnwick-deb-src.sources >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
      say "adding deb-src lines beside /etc/apt/sources.list"
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
        "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tarnwick-deb-src.list >/dev/null
    fi
  fi
  "${sudo_cmd[@]}" apt-get update -qq
fi

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
    dpkg-query -W -f='${Package} ${Version}\n' googletest libz-mingw-w64-dev
    "$cxx" --version | head -n 1
  } | sha256sum | cut -c1-16
)
final=$cache_root/$key

publish_link() {
  mkdir -p "$(dirname "$link")"
  ln -sfn "$final/prefix" "$link"
  echo "$link"
}

if [ -f "$final/done" ]; then
  say "reusing $final"
  sed 's/^/windows-deps: /' "$final/prefix/share/versions.txt" >&2
  publish_link
  exit 0
fi

started=$(date +%s)
work=$cache_root/partial-$key
rm -rf "$work"
mkdir -p "$work/src" "$work/build" "$downloads"
prefix=$work/prefix
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/share/licenses"
: >"$prefix/share/versions.txt"
export CCACHE_BASEDIR=$work

# Unpacks a source package (with Debian's patches) into the work folder and prints the folder.
fetch() {
  say "${source_note[$1]}"
  echo "${source_note[$1]}" >>"$prefix/share/versions.txt"
  unpack_source "$1" "$work/src/$1"
  echo "$work/src/$1"
}

copy_licenses() { # NAME FILE...: and Debian's copyright file of the source unpacked last
  local name=$1
  shift
  mkdir -p "$prefix/share/licenses/$name"
  cp "$@" "$prefix/share/licenses/$name/"
  if [ -n "${src:-}" ] && [ -f "$src/debian/copyright" ]; then
    cp "$src/debian/copyright" "$prefix/share/licenses/$name/copyright"
  fi
}

cmake_configure() { # SOURCE NAME [CMAKE ARGS...]
  local src=$1 name=$2
  shift 2
  cmake -S "$src" -B "$work/build/$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DTARNWICK_WINDOWS_DEPS="$prefix" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$work/build/$name.log" 2>&1 || failed "$name"
}

failed() {
  tail -n 40 "$work/build/$1.log" >&2
  say "$1 failed, log in $work/build/$1.log"
  exit 1
}

cmake_build() { # SOURCE NAME [CMAKE ARGS...]: configures, builds and installs
  cmake_configure "$@"
  cmake --build "$work/build/$2" -- -j"$jobs" >>"$work/build/$2.log" 2>&1 || failed "$2"
  cmake --install "$work/build/$2" >>"$work/build/$2.log" 2>&1 || failed "$2"
}

write_pc() { # NAME VERSION DESCRIPTION LIBS [REQUIRES.PRIVATE] [LIBS.PRIVATE]
  cat >"$prefix/lib/pkgconfig/$1.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $3
Version: $2
Requires.private: ${5:-}
Libs: -L\${libdir} $4
Libs.private: ${6:-}
Cflags: -I\${includedir}
EOF
}

# Plain C libraries without a usable Windows build system are compiled file by file.
c_library() { # NAME SOURCES...
  local name=$1 objects=() obj
  shift
  mkdir -p "$work/build/$name"
  for f in "$@"; do
    obj=$work/build/$name/$(basename "${f%.c}").o
    ccache "$cc" -O2 -I"$prefix/include" -c "$f" -o "$obj"
    objects+=("$obj")
  done
  "$ar" rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=

say "zlib (libz-mingw-w64-dev)"
cp "$mingw_sysroot/include/zlib.h" "$mingw_sysroot/include/zconf.h" "$prefix/include/"
cp "$mingw_sysroot/lib/libz.a" "$prefix/lib/"
dpkg-query -W -f='zlib ${Version} (the libz-mingw-w64-dev package)\n' libz-mingw-w64-dev >>"$prefix/share/versions.txt"
zlib_version=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$prefix/include/zlib.h")
write_pc zlib "$zlib_version" "zlib compression library" -lz
src="" copy_licenses zlib /usr/share/doc/libz-mingw-w64-dev/copyright

say "libjpeg-turbo"
src=$(fetch libjpeg-turbo)
# With SIMD (nasm), as Debian builds it: the image checks decode every JPEG twice. Its own
# install-folder logic takes a relative library folder as relative to the current one.
cmake_build "$src" jpeg -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
copy_licenses libjpeg-turbo "$src/LICENSE.md" "$src/README.ijg"
mkdir -p "$prefix/tools"
cp "$prefix/bin/jpegtran.exe" "$prefix/tools/"

say "libpng"
src=$(fetch libpng1.6)
cmake_build "$src" png -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$prefix"
copy_licenses libpng "$src/LICENSE"

say "giflib"
src=$(fetch giflib)
c_library gif "$src"/{dgif_lib,egif_lib,gifalloc,gif_err,gif_font,gif_hash,openbsd-reallocarray}.c
cp "$src/gif_lib.h" "$prefix/include/"
gif_version=$(awk '/define GIFLIB_(MAJOR|MINOR|RELEASE)/{v=v (v?".":"") $3} END{print v}' "$src/gif_lib.h")
write_pc libgif "$gif_version" "GIF image library" -lgif
copy_licenses giflib "$src/COPYING"

say "libtiff"
src=$(fetch tiff)
cmake_build "$src" tiff -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Dcxx=OFF -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
  -Dpixarlog=OFF -Dold-jpeg=OFF -Djpeg12=OFF -Dzlib=ON -Djpeg=ON -DZLIB_ROOT="$prefix" \
  -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a"
copy_licenses libtiff "$src/LICENSE.md"

say "sqlite3"
src=$(fetch sqlite3)
# The single-file source is generated with tclsh and a native compiler.
mkdir -p "$work/build/sqlite-native"
(cd "$work/build/sqlite-native" && "$src/configure" --disable-tcl >/dev/null &&
  make -j"$jobs" sqlite3.c >/dev/null)
cp "$work/build/sqlite-native/sqlite3.h" "$src/src/sqlite3ext.h" "$prefix/include/"
mkdir -p "$work/build/sqlite"
ccache "$cc" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
  -c "$work/build/sqlite-native/sqlite3.c" -o "$work/build/sqlite/sqlite3.o"
"$ar" rcs "$prefix/lib/libsqlite3.a" "$work/build/sqlite/sqlite3.o"
write_pc sqlite3 "$(cat "$src/VERSION")" "SQL database engine" -lsqlite3
copy_licenses sqlite3 "$src/LICENSE.md"

say "xxhash"
src=$(fetch xxhash)
c_library xxhash "$src/xxhash.c"
cp "$src/xxhash.h" "$src/xxh3.h" "$prefix/include/"
xxhash_version=$(awk '/define XXH_VERSION_(MAJOR|MINOR|RELEASE) /{v=v (v?".":"") $3} END{print v}' "$src/xxhash.h")
write_pc libxxhash "$xxhash_version" "extremely fast hash algorithm" -lxxhash
copy_licenses xxhash "$src/LICENSE"

say "qpdf (native crypto)"
src=$(fetch qpdf)
# Its checks link "Advapi32" as spelled on Windows; the mingw-w64 library name is lower-case.
mkdir -p "$work/build/compat"
ln -sf "$mingw_sysroot/lib/libadvapi32.a" "$work/build/compat/libAdvapi32.a"
cmake_configure "$src" qpdf -DBUILD_STATIC_LIBS=ON -DUSE_IMPLICIT_CRYPTO=OFF \
  -DREQUIRE_CRYPTO_NATIVE=ON -DBUILD_DOC=OFF -DINSTALL_EXAMPLES=OFF -DWERROR=OFF \
  -DCMAKE_EXE_LINKER_FLAGS="-L$work/build/compat -static"
# The library and the qpdf program; its other programs and tests are not needed.
cmake --build "$work/build/qpdf" --target libqpdf qpdf -- -j"$jobs" >>"$work/build/qpdf.log" 2>&1 ||
  failed qpdf
cmake --install "$work/build/qpdf" --component dev >>"$work/build/qpdf.log" 2>&1 || failed qpdf
cp "$work/build/qpdf/qpdf/qpdf.exe" "$prefix/tools/"
copy_licenses qpdf "$src/LICENSE.txt" "$src/NOTICE.md"

say "googletest"
dpkg-query -W -f='googletest ${Version} (the googletest package, for the tests only)\n' googletest >>"$prefix/share/versions.txt"
src=""
cmake_build "$gtest_source" gtest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
copy_licenses googletest /usr/share/doc/googletest/copyright

# Relocatable .pc files: the prefix moves into the cache once complete.
for pc in "$prefix"/lib/pkgconfig/*.pc; do
  sed -i -e "s|$prefix|\${prefix}|g" -e 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$pc"
done
rm -rf "$prefix"/lib/*.la "$prefix/bin" "$prefix/share/man" "$prefix/share/doc"

rm -rf "$final"
mkdir -p "$final"
mv "$prefix" "$final/prefix"
echo "built in $(($(date +%s) - started)) s" >"$final/done"
rm -rf "$work"
say "built $final in $(($(date +%s) - started)) s"
publish_link
