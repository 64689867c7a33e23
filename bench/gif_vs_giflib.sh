#!/usr/bin/env bash
# Whole-process GIF speed: tools/gif2bmp against the same job done with giflib
# (bench/giflib_gif2bmp.cpp: decode every frame, write the first as an 8-bit
# bitmap), on large GIFs made by Pillow. Both outputs must be byte-identical
# before anything is timed. Each program runs RUNS times per file, the two
# alternating; the median wall times give the ratio giflib / ours (above 1:
# ours is faster). Peak memory (max RSS) of one run of each is shown too.
#
#   bench/gif_vs_giflib.sh [RUNS] [GIF ...]
# RUNS defaults to 7; the GIFs default to the four files of
# bench/make_pillow_gifs.py, which the build makes once (target pillow_gifs,
# the files gif_bench uses too).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
shift || true

cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target gif2bmp giflib_gif2bmp >/dev/null
ours=$root/build/linux/tools/gif2bmp/gif2bmp
theirs=$root/build/linux/bench/giflib_gif2bmp

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  cmake --build --preset linux --target pillow_gifs >/dev/null
  data=$root/build/linux/bench/pillow-gifs
  files=("$data"/photo_3000x2000.gif "$data"/photo_3000x2000_interlaced.gif "$data"/dithered_2400x1600.gif
         "$data"/animation_120x320x240.gif)
fi

/usr/bin/python3 - "$ours" "$theirs" "$runs" "${files[@]}" <<'PY'
import os, resource, statistics, subprocess, sys, tempfile, time

ours, theirs, runs, files = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
work = tempfile.mkdtemp()

def run(exe, gif, out):
    t0 = time.perf_counter()
    subprocess.run([exe, gif, out], check=True)
    return time.perf_counter() - t0

def peak_kb(exe, gif, out):
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    pid = os.fork()
    if pid == 0:
        os.execv(exe, [exe, gif, out])
    _, status, usage = os.wait4(pid, 0)
    return usage.ru_maxrss

print(f"{'file':34} {'ours ms':>8} {'giflib ms':>10} {'ratio':>6} {'ours MiB':>9} {'giflib MiB':>11}")
for gif in files:
    a, b = os.path.join(work, "ours.bmp"), os.path.join(work, "giflib.bmp")
    run(ours, gif, a)
    run(theirs, gif, b)
    with open(a, "rb") as fa, open(b, "rb") as fb:
        if fa.read() != fb.read():
            sys.exit(f"outputs differ on {gif}")
    t_ours, t_theirs = [], []
    for _ in range(runs):
        t_ours.append(run(ours, gif, a))
        t_theirs.append(run(theirs, gif, b))
    mo, mt = statistics.median(t_ours), statistics.median(t_theirs)
    print(f"{os.path.basename(gif):34} {mo * 1e3:8.1f} {mt * 1e3:10.1f} {mt / mo:6.2f} "
          f"{peak_kb(ours, gif, a) / 1024:9.1f} {peak_kb(theirs, gif, b) / 1024:11.1f}")
PY
