#!/usr/bin/env bash
# Builds everything and runs every test: the native suite, the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows programs
# under Wine, and each fuzz target for a bounded time (FUZZ_SECONDS, 60).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-asan windows; do
  echo "=== build: $preset ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
done

passed=0
failed=0
count() {  # adds up ctest's "N% tests passed, F tests failed out of T"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1 || true)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}

logs=$(mktemp -d)
for preset in linux linux-asan windows; do
  echo "=== tests: $preset ==="
  parallel=$jobs
  [ "$preset" = windows ] && parallel=1  # Wine tests share one prefix and display
  ctest --preset "$preset" -j "$parallel" 2>&1 | tee "$logs/$preset.log" || true
  count "$logs/$preset.log"
done

echo "=== fuzzing ==="
if bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
rm -rf "$logs"

echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
