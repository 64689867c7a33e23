#!/usr/bin/env bash
# --all over input that is mostly JPEG against the floor of the same work:
# reading the sources (cat > /dev/null) plus creating the same output files
# (cp of a finished run's output into an empty folder). Each round times the
# three in turn with a warm page cache; dirty pages are flushed (sync) before
# each timed command, so that none pays for the output of the one before.
# Goal: --all at most 1.5 × the floor.
#
# Also, on 512 MiB of random bytes and on Wine's program files when they are
# installed: how
# many FF D8 FF the bytes hold, that no JPEG is recorded among them, and the
# time of --all against cat alone (every-image goal: at most 1.3 ×).
#
#   bench/jpeg_vs_floor.sh [RUNS] [WORK_DIR]
# The output folders go into WORK_DIR (default build/): on a disk that others
# write to as well, the time of writing wanders widely from one run to the
# next, for cp as for this program; a tmpfs (/dev/shm) leaves only the work
# itself.
# With BASELINE_CLI set to another build of glimmerdig-cli, its --all is
# timed on the random bytes and the program files too, alternating with
# this one's, to show what the JPEG search adds.
# The photographs are made under build/bench-data/photos (kept for later
# runs): 24 pictures of 12 megapixels with film grain, about 240 MB, from
# Debian's Pillow, and the random bytes beside them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$root/build/linux/cli/glimmerdig-cli
[ -x "$cli" ] || { echo "build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
runs=${1:-5}
data=$root/build/bench-data
python=/usr/bin/python3

if [ ! -f "$data/photos/23.jpg" ]; then
  echo "making the photographs in $data/photos ..." >&2
  rm -rf "$data/photos"
  mkdir -p "$data/photos"
  "$python" - "$data/photos" <<'PY'
import os, random, sys
from PIL import Image, ImageFile
# Progressive files are written whole at the end: the encoder needs the room.
ImageFile.MAXBLOCK = 1 << 27
random.seed(3)
w, h = 4000, 3000
base = Image.merge('RGB', [Image.linear_gradient('L').resize((w, h)),
                           Image.radial_gradient('L').resize((w, h)),
                           Image.linear_gradient('L').rotate(90).resize((w, h))])
for k in range(24):
    grain = Image.frombytes('RGB', (w, h), os.urandom(w * h * 3))
    photo = Image.blend(base, grain, 0.25 + 0.02 * (k % 8))
    photo.save(f'{sys.argv[1]}/{k}.jpg', quality=90 + k % 6, progressive=k % 4 == 3,
               subsampling=0 if k % 3 == 0 else 2)
PY
fi
if [ ! -f "$data/random-512m.bin" ]; then
  echo "making 512 MiB of random bytes in $data ..." >&2
  head -c 512M /dev/urandom >"$data/random-512m.bin.part"
  mv "$data/random-512m.bin.part" "$data/random-512m.bin"
fi

tmp=$(mktemp -d "${2:-$root/build}/jpeg-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
now() { date +%s%N; }
read_all() { if [ -d "$1" ]; then find "$1" -type f -exec cat {} + >/dev/null; else cat "$1" >/dev/null; fi; }
bytes_of() { if [ -d "$1" ]; then find "$1" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}'; else stat -c %s "$1"; fi; }
fresh() { rm -rf "$1"; mkdir "$1"; }

summary() {  # NAME BYTES IMAGES "cat ns" "cp ns" "all ns"
  python3 - "$@" <<'PY'
import statistics, sys
name, b, images = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
cat, cp, run = ([int(x) / 1e9 for x in a.split()] if a else [] for a in sys.argv[4:7])
mb = 1e6
c, g = statistics.median(cat), statistics.median(run)
print(f"{name}: {b / mb:.0f} MB, {images} images written")
print(f"  cat > /dev/null     : median {c:.3f} s")
if cp:
    p = statistics.median(cp)
    floors = [x + y for x, y in zip(cat, cp)]
    print(f"  cp of the output    : median {p:.3f} s")
    print(f"  floor (cat + cp)    : median {statistics.median(floors):.3f} s")
    print(f"  glimmerdig-cli --all: median {g:.3f} s ({b / mb / g:.0f} MB/s)")
    print(f"  ratio --all / floor : median {g / statistics.median(floors):.2f}, best {min(run) / min(floors):.2f}"
          f"  (goal <= 1.5)")
else:
    print(f"  glimmerdig-cli --all: median {g:.3f} s ({b / mb / g:.0f} MB/s)")
    print(f"  ratio --all / cat   : median {g / c:.2f}, best {min(run) / min(cat):.2f}  (goal <= 1.3)")
PY
}

# Mostly JPEG: against cat + cp.
photos=$data/photos
read_all "$photos"
cat_ns=() cp_ns=() all_ns=()
for _ in $(seq "$runs"); do
  sync; t0=$(now); read_all "$photos"; t1=$(now); cat_ns+=($((t1 - t0)))
  fresh "$tmp/out"
  sync; t0=$(now); "$cli" -q --all -o "$tmp/out" "$photos" >/dev/null; t1=$(now); all_ns+=($((t1 - t0)))
  fresh "$tmp/copy"
  sync; t0=$(now); cp "$tmp/out"/* "$tmp/copy"/; t1=$(now); cp_ns+=($((t1 - t0)))
done
images=$(find "$tmp/out" -type f | wc -l)
jpegs=$(find "$tmp/out" -name '*.jpg' | wc -l)
summary "$photos ($jpegs .jpg)" "$(bytes_of "$photos")" "$images" "${cat_ns[*]}" "${cp_ns[*]}" "${all_ns[*]}"
rm -rf "$tmp/copy"

# Random bytes, and program files: against cat, and no false JPEG.
sources=("$data/random-512m.bin")
wine=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
[ -d "$wine" ] && sources+=("$wine")
for source in "${sources[@]}"; do
  read_all "$source"
  cat_ns=() all_ns=() base_ns=()
  for _ in $(seq "$runs"); do
    sync; t0=$(now); read_all "$source"; t1=$(now); cat_ns+=($((t1 - t0)))
    if [ -n "${BASELINE_CLI:-}" ]; then
      fresh "$tmp/out"
      sync; t0=$(now); "$BASELINE_CLI" -q --all -o "$tmp/out" "$source" >/dev/null; t1=$(now); base_ns+=($((t1 - t0)))
    fi
    fresh "$tmp/out"
    sync; t0=$(now); "$cli" -q --all -o "$tmp/out" "$source" >/dev/null; t1=$(now); all_ns+=($((t1 - t0)))
  done
  images=$(find "$tmp/out" -type f | wc -l)
  jpegs=$(find "$tmp/out" -name '*.jpg' | wc -l)
  signatures=$(if [ -d "$source" ]; then find "$source" -type f -exec cat {} +; else cat "$source"; fi |
    "$python" -c 'import sys; d = sys.stdin.buffer.read(); print(d.count(b"\xff\xd8\xff"))')
  summary "$source ($signatures FF D8 FF, $jpegs .jpg recorded)" "$(bytes_of "$source")" "$images" \
    "${cat_ns[*]}" "" "${all_ns[*]}"
  if [ -n "${BASELINE_CLI:-}" ]; then
    summary "  the same with $BASELINE_CLI" "$(bytes_of "$source")" "$images" "${cat_ns[*]}" "" "${base_ns[*]}"
  fi
done
