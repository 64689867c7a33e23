#!/bin/bash
# Installs the Debian packages the build and the tests need; installs only
# what is missing, so it is cheap to run again.
set -euo pipefail

packages=(
  # Native build, tests and benchmarks
  g++ cmake make libgtest-dev libbenchmark-dev
  # Windows cross build and its tests under Wine
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest
  wine wine64 xvfb imagemagick fonts-ipafont-gothic
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
