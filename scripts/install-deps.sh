#!/usr/bin/env bash
# Installs, on Debian, whatever is missing of what the programs need to build
# and run (--run), or of that and everything the tests, benchmarks and fuzzers
# need besides (no argument).
# Safe to run again: packages already present are left alone.
#   scripts/install-deps.sh [--run]
set -euo pipefail

run_packages=(
  # native build
  cmake make g++
  # the build's libraries: zlib (PNG chunk checks), libcrypto (SHA-256 for the
  # manifest), libpng (PNG output; the Windows build uses the system's codecs),
  # stb_image (the header check of JPEG candidates, natively and in the
  # Windows build)
  zlib1g-dev libssl-dev libpng-dev libstb-dev
  # Windows cross build, with zlib for it, and the help file compiler
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev fp-utils
  # running the Windows program (and the default source of scripts/run.sh,
  # Wine's own program files), with a Japanese font for its texts
  wine wine64 fonts-ipafont-gothic fonts-wine
)
test_packages=(
  # native tests, benchmarks
  libgtest-dev googletest libbenchmark-dev time python3
  # fuzzing with libFuzzer and the sanitizers' runtimes
  clang libclang-rt-14-dev
  # the Windows programs' tests under Wine on a virtual display
  xvfb xdotool x11-utils imagemagick
  # reading the help file back
  libchm-bin
  # GIF: reference decoders and encoders for comparison, giflib for the benchmark
  libgif-dev giflib-tools python3-pil
  # every icon picture a resource-parsing pipeline gets, for comparison
  icoutils
  # the gallery page's test in a real browser (headless)
  chromium
  # public icon and bitmap files to compare decoded pixels with Pillow's
  # (besides those in Wine's own libraries)
  gdk-pixbuf-tests
  # cjpeg and jpegtran make JPEG test images with restart markers
  libjpeg-turbo-progs
)

packages=("${run_packages[@]}")
case "${1:-}" in
  --run) ;;
  "") packages+=("${test_packages[@]}") ;;
  *) echo "usage: $0 [--run]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # With recommends, as verified: Wine draws text through XRender and its own
  # fonts (fonts-wine), which come as recommended packages.
  apt-get install -y -q "${missing[@]}"
fi
