#!/usr/bin/env bash
# Installs the test tools besides what the programs need, builds everything
# (tests and benchmarks included) and runs every test: the native suite, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# Windows programs under Wine, and each fuzz target for a bounded time
# (FUZZ_SECONDS, 60).
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
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# Each runner's exit status decides; the JUnit report only adds up the
# individual tests for the closing line.
tally() {  # REPORT STATUS
  local total=0 bad=0
  if [ -s "$1" ]; then
    read -r total bad < <(python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
suites = [root] if root.tag == "testsuite" else root.iter("testsuite")
total = bad = 0
for s in suites:
    total += int(s.get("tests", 0))
    bad += int(s.get("failures", 0)) + int(s.get("errors", 0))
print(total, bad)
PY
    ) || { total=0; bad=0; }
  fi
  if [ "$2" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; total=$((total + 1)); fi
  if [ "$2" -eq 0 ]; then bad=0; fi
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

for preset in linux linux-asan windows; do
  echo "=== tests: $preset ==="
  parallel=$jobs
  [ "$preset" = windows ] && parallel=1  # Wine tests share one prefix and display
  status=0
  ctest --preset "$preset" -j "$parallel" --output-junit "$logs/$preset.xml" || status=$?
  tally "$logs/$preset.xml" "$status"
done

echo "=== fuzzing ==="
if bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
