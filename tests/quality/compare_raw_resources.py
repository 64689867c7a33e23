#!/usr/bin/python3
"""Every bitmap resource, icon image and cursor image that a resource reader
gets out of a folder of program files must be among the pictures
`glimmerdig-cli --all --format png` writes for the same folder, with the
same RGBA wherever the reference's alpha is not 0.

    compare_raw_resources.py CLI SOURCE_FOLDER WORK_FOLDER

The resources come from icoutils' `wrestool -x --raw`: type 2 (bitmaps,
each a bitmap without its file header), type 3 (icon images: a bitmap with
its mask, or a PNG) and type 1 (cursor images: a 4-byte hot spot, then as an
icon image). Pillow decodes each: a bitmap with a file header put in front,
an icon or cursor image as the one image of an icon file. Alpha follows the
rule the engine states: the alpha mask or the fourth byte of 32-bit rows
unless all are 0, else an icon's mask, else opaque.

Prints found-of-expected per type and the first missing ones. Exit 0 when
none is missing, 1 when some are, 77 when icoutils, Pillow or the source is
not there."""

import collections
import io
import os
import shutil
import struct
import subprocess
import sys

from rgba_match import covers, rgba_key

try:
    from PIL import IcoImagePlugin, Image
except ImportError:
    print("Pillow is not installed; skipped")
    sys.exit(77)

PNG_MAGIC = b"\x89PNG\r\n\x1a\n"
TYPES = ((2, "bitmap"), (3, "icon image"), (1, "cursor image"))


def masks_and_palette(dib):
    """Bytes of masks and palette between the header and the rows."""
    size = struct.unpack_from("<I", dib)[0]
    if size == 12:
        bits = struct.unpack_from("<H", dib, 10)[0]
        return size, bits, 0, (3 << bits) if bits <= 8 else 0
    bits, compression = struct.unpack_from("<HI", dib, 14)
    clr_used = struct.unpack_from("<I", dib, 32)[0] if size >= 36 else 0
    masks = {3: 12, 6: 16}.get(compression, 0) if size == 40 else 0
    entries = clr_used or ((1 << bits) if bits <= 8 else 0)
    return size, bits, compression, masks + 4 * entries


def own_alpha(dib, size, bits, compression, rows_at, width, height):
    """The alpha the engine takes from a 32-bit image's rows, or None."""
    if bits != 32 or compression not in (0, 3, 6):
        return None
    mask = 0xFF000000
    if compression in (3, 6):
        mask = struct.unpack_from("<I", dib, 52)[0] if size >= 56 else (
            struct.unpack_from("<I", dib, 52)[0] if compression == 6 else 0)
        if mask != 0xFF000000:
            return None
    alpha = bytes(dib[rows_at + 3:rows_at + 4 * width * abs(height):4])
    if not any(alpha):
        return None
    return Image.frombuffer("L", (width, abs(height)), alpha, "raw", "L", 0, -1 if height > 0 else 1)


def bitmap_reference(dib):
    size, bits, compression, between = masks_and_palette(dib)
    bmp = b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 14 + size + between) + dib
    im = Image.open(io.BytesIO(bmp))
    im.load()
    width, height = im.size
    if size != 12:
        height = struct.unpack_from("<i", dib, 8)[0]
    alpha = own_alpha(dib, size, bits, compression, size + between, width, height)
    im = im.convert("RGBA")
    if alpha is not None:
        im.putalpha(alpha)
    elif im.getextrema()[3] == (0, 0):
        im.putalpha(255)
    return im


def icon_reference(dib):
    if dib[:8] == PNG_MAGIC:
        return Image.open(io.BytesIO(dib)).convert("RGBA")
    size, bits, compression, between = masks_and_palette(dib)
    width, height = struct.unpack_from("<ii", dib, 4)
    rows = height // 2
    has_alpha = own_alpha(dib, size, bits, compression, size + between, width, rows) is not None
    entry = struct.pack("<BBBBHHII", width & 255, rows & 255, 0, 0, 1, 32 if has_alpha else min(bits, 24),
                        len(dib), 22)
    icon = struct.pack("<HHH", 0, 1, 1) + entry + dib
    return IcoImagePlugin.IcoFile(io.BytesIO(icon)).frame(0).convert("RGBA")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    cli, source, work = sys.argv[1:]
    if not shutil.which("wrestool"):
        print("icoutils is not installed; skipped")
        return 77
    if not os.path.isdir(source):
        print(f"{source} does not exist; skipped")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    mine = os.path.join(work, "ours")
    os.makedirs(mine)
    files = sorted(os.path.join(source, f) for f in os.listdir(source)
                   if os.path.isfile(os.path.join(source, f)))
    for number, _ in TYPES:
        folder = os.path.join(work, str(number))
        os.makedirs(folder)
        for f in files:
            subprocess.run(["wrestool", "-x", "--raw", f"-t{number}", "-o", folder, f],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    run = subprocess.run([cli, "-q", "--all", "--format", "png", "-o", mine, source],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        print(f"glimmerdig-cli failed ({run.returncode}): {run.stdout}")
        return 1
    ours = set()
    by_size = collections.defaultdict(list)
    for f in sorted(os.listdir(mine)):
        with Image.open(os.path.join(mine, f)) as im:
            k = rgba_key(im.convert("RGBA"))
        if k not in ours:
            ours.add(k)
            by_size[k[:2]].append(k[2])

    failed = False
    for number, kind in TYPES:
        folder = os.path.join(work, str(number))
        found, unread, missing = 0, [], []
        names = sorted(os.listdir(folder))
        for name in names:
            data = open(os.path.join(folder, name), "rb").read()
            if number == 1:
                data = data[4:]
            try:
                ref = (bitmap_reference if number == 2 else icon_reference)(data)
            except (OSError, SyntaxError, ValueError, IndexError, struct.error):
                unread.append(name)
                continue
            k = rgba_key(ref)
            if k in ours or any(covers(c, k[2]) for c in by_size.get(k[:2], [])):
                found += 1
            else:
                missing.append(f"{name} ({ref.width} x {ref.height})")
        print(f"{kind} resources (-t{number}): {found} of {len(names) - len(unread)} found"
              f" ({len(unread)} that Pillow cannot read)")
        for name in missing[:20]:
            print(f"  missing: {name}")
        for name in unread[:5]:
            print(f"  Pillow cannot read: {name}")
        failed |= bool(missing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
