#!/usr/bin/env bash
# Builds the programs and runs the extraction over a folder (by default the
# Windows libraries that come with Wine, full of icons), into ./BmpSave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake --preset linux -S "$root" >/dev/null
cmake --build --preset linux -j "$(nproc)" --target glimmerdig-cli
cmake --preset windows -S "$root" >/dev/null
cmake --build --preset windows -j "$(nproc)"

source=${1:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
shift || true
echo "Extracting bitmaps from $source into $(pwd)/BmpSave"
"$root/build/linux/cli/glimmerdig-cli" "$@" "$source"
echo "Windows program: $root/build/windows/app/glimmerdig.exe (run it on Windows, or: wine $root/build/windows/app/glimmerdig.exe)"
