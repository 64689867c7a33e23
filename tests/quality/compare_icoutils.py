#!/usr/bin/env python3
"""Every icon picture a resource-parsing pipeline gets out of a folder of
program files must also be among the images `glimmerdig-cli --all --format
png` writes for the same folder, with the same RGBA wherever the pipeline's
alpha is not 0. The pipeline is icoutils: `wrestool -x -t14` (the icon groups,
as .ico files), then `icotool -x` (each image as PNG).

    compare_icoutils.py CLI SOURCE_FOLDER WORK_FOLDER

Prints how many different pictures each side has, how many of the pipeline's
are missing from ours, and the time each took. Exit 0 when none is missing,
1 when some are, 77 when icoutils, Pillow or the source is not there."""

import hashlib
import os
import shutil
import subprocess
import sys
import time

from rgba_match import covers, rgba_key

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed; skipped")
    sys.exit(77)


def picture_key(path):
    with Image.open(path) as im:
        return rgba_key(im.convert("RGBA"))


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    cli, source, work = sys.argv[1:]
    if not shutil.which("wrestool") or not shutil.which("icotool"):
        print("icoutils is not installed; skipped")
        return 77
    if not os.path.isdir(source):
        print(f"{source} does not exist; skipped")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    groups, peer, mine = (os.path.join(work, d) for d in ("groups", "peer", "ours"))
    for d in (groups, peer, mine):
        os.makedirs(d)

    files = sorted(os.path.join(source, f) for f in os.listdir(source)
                   if os.path.isfile(os.path.join(source, f)))
    start = time.monotonic()
    for f in files:
        subprocess.run(["wrestool", "-x", "-t14", "-o", groups, f],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for f in sorted(os.listdir(groups)):
        subprocess.run(["icotool", "-x", "-o", peer, os.path.join(groups, f)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peer_seconds = time.monotonic() - start

    start = time.monotonic()
    run = subprocess.run([cli, "-q", "--all", "--format", "png", "-o", mine, source],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    our_seconds = time.monotonic() - start
    if run.returncode != 0:
        print(f"glimmerdig-cli failed ({run.returncode}): {run.stdout}")
        return 1

    theirs = {}
    for f in sorted(os.listdir(peer)):
        theirs.setdefault(picture_key(os.path.join(peer, f)), f)
    ours = {}
    for f in sorted(os.listdir(mine)):
        if f.endswith((".png", ".gif", ".bmp")):
            ours.setdefault(picture_key(os.path.join(mine, f)), f)
    by_size = {}
    for (w, h, data) in ours:
        by_size.setdefault((w, h), []).append(data)

    missing = []
    for (w, h, data), name in theirs.items():
        if (w, h, data) in ours:
            continue
        if not any(covers(candidate, data) for candidate in by_size.get((w, h), [])):
            missing.append(name)

    print(f"pipeline: {len(os.listdir(peer))} images, {len(theirs)} different pictures, {peer_seconds:.2f} s")
    print(f"glimmerdig-cli --all --format png: {len(os.listdir(mine))} images, "
          f"{len(ours)} different pictures, {our_seconds:.2f} s")
    print(f"time ratio ours/pipeline: {our_seconds / peer_seconds:.3f}")
    print(f"pipeline pictures missing from ours: {len(missing)}")
    for name in missing[:20]:
        print(f"  {name}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
