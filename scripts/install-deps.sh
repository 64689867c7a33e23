#!/usr/bin/env bash
# Installs, on Debian, whatever the build and the tests need and is missing.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  # native build, tests, benchmarks
  cmake make g++ libgtest-dev googletest libbenchmark-dev time
  # fuzzing with libFuzzer and the sanitizers' runtimes
  clang libclang-rt-14-dev
  # Windows cross build and its tests under Wine
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic fonts-wine
  # help file compiler
  fp-utils libchm-bin
  # zlib: PNG chunk checks, natively and in the Windows build
  zlib1g-dev libz-mingw-w64-dev
  # GIF: reference decoders and encoders for comparison, giflib for the benchmark
  libgif-dev giflib-tools python3-pil
  # every icon picture a resource-parsing pipeline gets, for comparison
  icoutils
  # SHA-256 for the manifest (OpenSSL's libcrypto)
  libssl-dev
  # the gallery page's test in a real browser (headless)
  chromium
  # PNG output: libpng natively (the Windows build uses the system's codecs);
  # public icon and bitmap files to compare decoded pixels with Pillow's
  # (besides those in Wine's own libraries)
  libpng-dev gdk-pixbuf-tests
  # JPEG: the header check of candidates (stb_image, natively and in the
  # Windows build); cjpeg and jpegtran make test images with restart markers
  libstb-dev libjpeg-turbo-progs
)

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
