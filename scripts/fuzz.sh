#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time on its seed
# corpus.   scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_extract fuzz_gif fuzz_carve
work=$root/build/fuzz/work
rm -rf "$work/seeds"
# Debian's own Python, which has Pillow (python3-pil) for the GIF seeds.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" "$root/fuzz/make_seeds.py" "$work/seeds"
status=0
for target in extract gif carve; do
  exe=$root/build/fuzz/fuzz/fuzz_$target
  [ -x "$exe" ] || continue
  corpus=$work/corpus-$target
  mkdir -p "$corpus" "$work/crashes"
  echo "=== fuzz_$target for ${seconds}s ==="
  # A huge declared size must be a clean error, never an allocation the
  # machine cannot give: cap single allocations well below the memory limit.
  log=$work/$target.log
  if "$exe" "$corpus" "$work/seeds/$target" -dict="$root/fuzz/$target.dict" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=1100 \
      -artifact_prefix="$work/crashes/$target-" -print_final_stats=1 >"$log" 2>&1; then
    grep -E '^(Done|stat::)' "$log" || true
  else
    status=1
    tail -n 60 "$log"
    echo "fuzz_$target FAILED; the input is in $work/crashes/"
  fi
done
exit $status
