#!/usr/bin/env bash
# The every-image search against simply reading the same bytes (cat >
# /dev/null), in the same run with a warm page cache, the two alternating:
#   1. glimmerdig-cli --all over 512 MiB of random bytes;
#   2. glimmerdig-cli --all --format png over Wine's program files, into an
#      empty folder each time.
# Goal: at most 1.3 × cat on each. Prints the median and best ratios; for
# the program files also the floor of the same work: cat plus creating the
# same output files (cp of the run's output into an empty folder).
#
#   bench/all_vs_cat.sh [RUNS] [WORK_DIR]     (default 7, /tmp)
# The output folders go into WORK_DIR: on a disk that others write to as
# well, creating files takes several times longer and wanders from one run
# to the next; a tmpfs (/dev/shm) leaves only the work itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${GLIMMERDIG_CLI:-$root/build/linux/cli/glimmerdig-cli}  # GLIMMERDIG_CLI: another build to measure
[ -x "$cli" ] || { echo "build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
runs=${1:-7}
wine=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

data=$root/build/bench-data
random=$data/random-512.bin
if [ ! -f "$random" ]; then
  mkdir -p "$data"
  head -c $((512 << 20)) /dev/urandom > "$random"
fi

tmp=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/all-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
now() { date +%s%N; }
read_all() { if [ -d "$1" ]; then find "$1" -type f -exec cat {} + >/dev/null; else cat "$1" >/dev/null; fi; }

measure() {  # NAME SOURCE CLI-OPTIONS...
  local name=$1 source=$2
  shift 2
  read_all "$source"  # warm the page cache
  local cat_ns=() cli_ns=() cp_ns=()
  for _ in $(seq "$runs"); do
    sync; t0=$(now); read_all "$source"; t1=$(now); cat_ns+=($((t1 - t0)))
    rm -rf "$tmp/out"; mkdir "$tmp/out"
    sync; t0=$(now); "$cli" -q "$@" -o "$tmp/out" "$source" >/dev/null; t1=$(now); cli_ns+=($((t1 - t0)))
    if [ -n "$(ls -A "$tmp/out")" ]; then
      rm -rf "$tmp/copy"; mkdir "$tmp/copy"
      sync; t0=$(now); cp "$tmp/out"/* "$tmp/copy"/; t1=$(now); cp_ns+=($((t1 - t0)))
    fi
  done
  local images
  images=$(find "$tmp/out" -type f | wc -l)
  python3 - "$name" "$images" "${cat_ns[*]}" "${cli_ns[*]}" "${cp_ns[*]}" <<'PY'
import statistics, sys
name, images = sys.argv[1], int(sys.argv[2])
cat, cli, cp = ([int(x) / 1e9 for x in a.split()] for a in sys.argv[3:6])
c, g = statistics.median(cat), statistics.median(cli)
print(f"{name}: {images} images written")
print(f"  cat > /dev/null : median {c:.3f} s, best {min(cat):.3f} s")
print(f"  glimmerdig-cli  : median {g:.3f} s, best {min(cli):.3f} s")
print(f"  time ratio cli/cat: median {g / c:.2f}, best {min(cli) / min(cat):.2f} (goal 1.3)")
if cp:
    floor = [x + y for x, y in zip(cat, cp)]
    f = statistics.median(floor)
    print(f"  cp of the output: median {statistics.median(cp):.3f} s; floor (cat + cp) median {f:.3f} s")
    print(f"  time ratio cli/floor: median {g / f:.2f}, best {min(cli) / min(floor):.2f}")
PY
}

measure "--all over 512 MiB of random bytes" "$random" --all
if [ -d "$wine" ]; then
  measure "--all --format png over Wine's program files" "$wine" --all --format png
fi
