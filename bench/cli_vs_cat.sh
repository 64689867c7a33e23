#!/usr/bin/env bash
# Whole-program speed: glimmerdig-cli over a source against simply reading the
# same bytes (cat > /dev/null), measured in the same run with a warm page
# cache, the two alternating; and the CLI's peak memory. Dirty pages are
# flushed (sync) before each timed command, so that neither pays for the
# output of the one before.
#
#   bench/cli_vs_cat.sh [SOURCE] [RUNS]
# Without SOURCE, two made under build/bench-data (kept for later runs): a
# folder of 16 files of 32 MiB and one file of 512 MiB, random bytes with
# icon images embedded every 1 MiB or so. Goals: at most 1.2 × cat's time on
# each, and at most 80 MiB of peak memory on the single file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${GLIMMERDIG_CLI:-$root/build/linux/cli/glimmerdig-cli}  # GLIMMERDIG_CLI: another build to measure
[ -x "$cli" ] || { echo "build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
runs=${2:-7}

make_data() {  # FOLDER: the two default sources
  python3 - "$1" <<'PY'
import os, random, struct, sys
random.seed(5)
def icon(side, bits):
    row = ((side * bits + 31) // 32) * 4
    mask = ((side + 31) // 32) * 4 * side
    pal = 4 * (1 << bits) if bits <= 8 else 0
    hdr = struct.pack('<IiiHHIIiiII', 40, side, 2 * side, 1, bits, 0, row * side + mask, 0, 0, 0, 0)
    return hdr + bytes([0x11]) * (pal + row * side) + bytes(mask)
images = [icon(16, 4), icon(32, 4), icon(32, 8), icon(48, 32)]
def make(path, size):
    with open(path, 'wb') as f:
        written, n = 0, 0
        while written < size:
            gap = os.urandom(2 * random.randrange(1, 1 << 20))
            img = images[n % len(images)]
            f.write(gap + img)
            written += len(gap) + len(img)
            n += 1
root = sys.argv[1]
os.makedirs(f"{root}/folder", exist_ok=True)
for k in range(16):
    make(f"{root}/folder/{k}.bin", 32 << 20)
make(f"{root}/single.bin", 512 << 20)
PY
}

if [ -n "${1:-}" ]; then
  sources=("$1")
else
  data=$root/build/bench-data
  if [ ! -f "$data/single.bin" ] || [ ! -f "$data/folder/15.bin" ]; then
    rm -rf "$data"
    mkdir -p "$data"
    echo "making the benchmark data in $data ..." >&2
    make_data "$data"
  fi
  sources=("$data/folder" "$data/single.bin")
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

now() { date +%s%N; }
read_all() { if [ -d "$1" ]; then find "$1" -type f -exec cat {} + >/dev/null; else cat "$1" >/dev/null; fi; }
extract() { "$cli" -q -o "$tmp/out" "$1" >/dev/null; }

for source in "${sources[@]}"; do
  bytes=$(if [ -d "$source" ]; then find "$source" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}'; else stat -c %s "$source"; fi)
  read_all "$source"  # warm the page cache
  cat_ns=()
  cli_ns=()
  for _ in $(seq "$runs"); do
    sync; t0=$(now); read_all "$source"; t1=$(now); cat_ns+=($((t1 - t0)))
    rm -rf "$tmp/out"; mkdir "$tmp/out"
    sync; t0=$(now); extract "$source"; t1=$(now); cli_ns+=($((t1 - t0)))
  done
  images=$(find "$tmp/out" -type f | wc -l)
  rm -rf "$tmp/out"; mkdir "$tmp/out"
  peak_kb=$(/usr/bin/time -f %M "$cli" -q -o "$tmp/out" "$source" 2>&1 >/dev/null | tail -1)
  python3 - "$source" "$bytes" "$images" "$peak_kb" "${cat_ns[*]}" "${cli_ns[*]}" <<'PY'
import statistics, sys
source, b, images, peak_kb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
cat = [int(x) / 1e9 for x in sys.argv[5].split()]
cli = [int(x) / 1e9 for x in sys.argv[6].split()]
mib = 1 << 20
c, g = statistics.median(cat), statistics.median(cli)
print(f"{source}: {b / mib:.0f} MiB, {images} images written")
print(f"  cat > /dev/null : median {c:.3f} s, best {min(cat):.3f} s ({b / mib / c:.0f} MiB/s)")
print(f"  glimmerdig-cli  : median {g:.3f} s, best {min(cli):.3f} s ({b / mib / g:.0f} MiB/s)")
print(f"  time ratio cli/cat: median {g / c:.2f}, best {min(cli) / min(cat):.2f}")
print(f"  peak memory: {peak_kb / 1024:.0f} MiB")
PY
done
