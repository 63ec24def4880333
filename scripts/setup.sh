#!/usr/bin/env bash
# Installs the Debian packages Tarnwick needs. Safe to run again: packages already present are
# left as they are.
#   bash scripts/setup.sh          what building, packaging and running the program need
#   bash scripts/setup.sh --test   that, and what the tests add
#   bash scripts/setup.sh --bench  that, and what the benchmarks add
#   bash scripts/setup.sh --windows   only what the Windows build and its tests need
set -euo pipefail

build_run=(
  # build
  build-essential cmake ninja-build pkg-config git
  # the .deb: dpkg-shlibdeps (dpkg-dev) and file, which CPack uses to find the executables
  dpkg-dev file
  # display
  libgtk-3-dev
  # image and document libraries the build links
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libqpdf-dev zlib1g-dev
  # the record of finished files: its database and content hash
  libsqlite3-dev libxxhash-dev
  # the optimizers the engine runs
  pngcrush optipng libimage-exiftool-perl zopfli advancecomp
  # ... and those of the Optimize option
  libjpeg-turbo-progs gifsicle qpdf
)

test_only=(
  # unit tests, the fuzzer and sanitizer builds
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  ccache clang-format
  # window tests and pixel comparisons
  libx11-dev xvfb xdotool x11-utils imagemagick fonts-dejavu-core
  # checks of the desktop entry and the AppStream metadata, and of the .deb
  desktop-file-utils appstream lintian
  # a locale with a decimal comma, for the JSON number tests
  locales
  # lossless rewriters whose results the image checks must pass
  qpdf gifsicle libjpeg-turbo-progs
  # setfacl, for the test that a replaced file keeps its access control list
  acl
  # GNU parallel spreading shards of one tree, and jq adding up their JSON totals
  parallel jq
)

# Test packages that not every release carries: installed where apt knows them.
test_where_available=(
  # the packer, for the test that a packed program unpacks to the original and runs
  upx-ucl
)

# Only for the Windows build (scripts/windows.sh), not installed otherwise.
windows=(
  build-essential cmake ninja-build pkg-config ccache zip
  # 64-bit Windows compilers with std::thread, and zlib built for them
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  # the tests run under Wine
  wine wine64
  # the other libraries are cross-built from Debian's sources: dpkg-dev for apt-get source, tcl
  # to generate sqlite's single source file, googletest's sources for the tests
  dpkg-dev tcl googletest
  # libjpeg-turbo's SIMD code
  nasm
  # the installer
  nsis
  # the tests of the bundled optimizers and of the installer: test images and PDF checks, and
  # the window under Xvfb
  imagemagick qpdf xvfb xdotool
)

bench_only=(
  # photos and charts for the PNG chain's corpus (bench/engine/png_chain_bench)
  lomiri-wallpapers-20.04 gnuplot-nox
  # the reference JPEG optimizer of the Optimize option's bench (bench/engine/optimize_bench)
  jpegoptim
)

with_tests=false
with_windows=false
with_bench=false
case "${1:-}" in
  "") ;;
  --test) with_tests=true ;;
  --bench)
    with_tests=true
    with_bench=true
    ;;
  --windows) with_windows=true ;;
  *)
    echo "usage: bash scripts/setup.sh [--test | --bench | --windows]" >&2
    exit 2
    ;;
esac

packages=("${build_run[@]}")
if $with_tests; then
  packages+=("${test_only[@]}")
  for p in "${test_where_available[@]}"; do
    apt-cache policy "$p" 2>/dev/null | grep -q 'Candidate: [^(]' && packages+=("$p")
  done
fi
if $with_bench; then
  packages+=("${bench_only[@]}")
fi
if $with_windows; then
  packages=("${windows[@]}")
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if $with_tests && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
