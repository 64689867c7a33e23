#!/usr/bin/env bash
# Builds everything and runs every test: the native suite, the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-asan windows; do
  echo "=== $preset ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
for preset in linux linux-asan windows; do
  echo "=== tests: $preset ==="
  parallel=$jobs
  [ "$preset" = windows ] && parallel=1  # one Wine prefix, one display
  ctest --preset "$preset" -j "$parallel" || status=1
done
exit $status
