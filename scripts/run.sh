#!/usr/bin/env bash
# Installs what the programs need, builds them (the command-line tool, and the
# Windows program with its help file and zip; no tests) and runs the
# extraction over a folder (by default the Windows libraries that come with
# Wine, full of icons) into ./BmpSave. scripts/test.sh adds the rest.
#   scripts/run.sh [SOURCE [OPTIONS...]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/utf8-locale.sh"
bash "$root/scripts/install-deps.sh" --run
(
  cd "$root"
  # The presets' own build folders, without the tests and benchmarks, whose
  # tools are not installed here; scripts/test.sh turns them on again.
  cmake --preset linux -DBUILD_TESTING=OFF -DGLIMMERDIG_BENCHMARKS=OFF >/dev/null
  cmake --build --preset linux -j "$(nproc)" --target glimmerdig-cli
  cmake --preset windows -DBUILD_TESTING=OFF >/dev/null
  cmake --build --preset windows -j "$(nproc)"
)

source=${1:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
shift || true
echo "Extracting bitmaps from $source into $(pwd)/BmpSave"
"$root/build/linux/cli/glimmerdig-cli" "$@" "$source"
echo
echo "Every image these files hold (PNG and GIF too, icons whatever their declared size), with its transparency:"
echo "  $root/build/linux/cli/glimmerdig-cli --all --format png --gallery -o BmpSave-all $source"
echo "  (then open BmpSave-all/index.html; --list instead of --gallery lists them as CSV without writing)"
exe=$(find "$root/build/windows/app" -maxdepth 1 -name 'glimmerdig.exe' 2>/dev/null | head -1)
if [ -n "$exe" ]; then
  echo "The Windows program is $exe (with its help file beside it); on Linux: wine $exe"
fi
