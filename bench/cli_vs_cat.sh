#!/usr/bin/env bash
# Whole-program speed: glimmerdig-cli over a source against simply reading the
# same bytes (cat > /dev/null), measured in the same run, best of N with a warm
# page cache; and the CLI's peak memory against the largest source file.
#
#   bench/cli_vs_cat.sh [SOURCE] [RUNS]
# SOURCE defaults to a folder of 16 files of 64 MiB of random bytes, each with
# about 60 icon images embedded, made under build/bench-data (kept for later
# runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$root/build/linux/cli/glimmerdig-cli
[ -x "$cli" ] || { echo "build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }

source=${1:-}
runs=${2:-3}
if [ -z "$source" ]; then
  data=$root/build/bench-data
  mkdir -p "$data"
  source=$data/folder
  if [ ! -f "$source/15.bin" ]; then
    mkdir -p "$source"
    python3 - "$source" <<'PY'
import os, random, struct, sys
random.seed(5)
def icon(side, bits):
    row = ((side * bits + 31) // 32) * 4
    mask = ((side + 31) // 32) * 4 * side
    pal = 4 * (1 << bits) if bits <= 8 else 0
    hdr = struct.pack('<IiiHHIIiiII', 40, side, 2 * side, 1, bits, 0, row * side + mask, 0, 0, 0, 0)
    return hdr + bytes([0x11]) * (pal + row * side) + bytes(mask)
images = [icon(16, 4), icon(32, 4), icon(32, 8), icon(48, 32)]
for k in range(16):
    with open(f"{sys.argv[1]}/{k}.bin", 'wb') as f:
        written, n = 0, 0
        while written < (64 << 20):
            gap = os.urandom(2 * random.randrange(1, 1 << 20))
            img = images[n % len(images)]
            f.write(gap + img)
            written += len(gap) + len(img)
            n += 1
PY
  fi
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

best() {  # best wall time in seconds of running "$@" $runs times
  local best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    best=$(python3 -c "a=$t1-$t0; b='$best'; print(min(a, float(b)) if b else a)")
  done
  echo "$best"
}

read_all() { if [ -d "$1" ]; then find "$1" -type f -exec cat {} + ; else cat "$1"; fi; }
extract() { rm -rf "$tmp/out"; mkdir "$tmp/out"; "$cli" -q -o "$tmp/out" "$source"; }

bytes=$(if [ -d "$source" ]; then find "$source" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}'; else stat -c %s "$source"; fi)
largest=$(if [ -d "$source" ]; then find "$source" -type f -printf '%s\n' | sort -n | tail -1; else stat -c %s "$source"; fi)

read_all "$source" > /dev/null  # warm the page cache
cat_s=$(best read_all "$source")
cli_s=$(best extract)
rm -rf "$tmp/out"; mkdir "$tmp/out"
peak_kb=$(/usr/bin/time -f %M "$cli" -q -o "$tmp/out" "$source" 2>&1 >/dev/null | tail -1)
images=$(find "$tmp/out" -name '*.bmp' | wc -l)

python3 - "$bytes" "$largest" "$cat_s" "$cli_s" "$peak_kb" "$images" <<'PY'
import sys
b, largest, cat_s, cli_s, peak_kb, images = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
mib = 1 << 20
print(f"source: {b / mib:.0f} MiB, largest file {largest / mib:.1f} MiB, {images} images written")
print(f"cat > /dev/null : {cat_s:.3f} s ({b / mib / cat_s:.0f} MiB/s)")
print(f"glimmerdig-cli  : {cli_s:.3f} s ({b / mib / cli_s:.0f} MiB/s)")
print(f"time ratio cli/cat: {cli_s / cat_s:.2f}")
print(f"peak memory: {peak_kb / 1024:.0f} MiB = {peak_kb * 1024 / max(largest, 1):.2f} x largest file")
PY
