#!/usr/bin/python3
"""Decoded bitmap pixels against an independent decoder (Pillow).

usage: compare_with_pillow.py [--runner CMD] DIB2PNG WORKDIR SOURCE...

--runner runs DIB2PNG through CMD (scripts/wine-run for the Windows build, so
that the pixels of its PNG encoder are checked too).

Each SOURCE is a file or a folder (its files, not its subfolders). Bitmap files
(.bmp) and icon files (.ico) are opened by Pillow as they are. In any other
file (programs and libraries, whose resources hold icons, cursors and bitmaps,
found here by their headers) each image goes to Pillow as a one-image icon
file, or as a bitmap file when no mask follows its colour rows. dib2png decodes
the same headers under the every-image rules; every picture must come out with
the same size and the same RGBA pixels, and where Pillow sees no picture,
dib2png must not either.

Alpha is the one rule Pillow's readers do not share, so its part is taken
from Pillow in the form the rule asks for: the alpha bytes of a 32-bit image
(which Pillow's bitmap reader drops) unless all are 0, else the mask as
Pillow's icon reader decodes it, else opaque.

Sources that do not exist are passed over; with none left the script exits
with 77 (skipped).
"""
import collections
import io
import os
import struct
import subprocess
import sys

from PIL import IcoImagePlugin, Image

SKIPPED = 77
BIT_COUNTS = (1, 4, 8, 16, 24, 32)
PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


class Dib:
    """A 40-byte header at off and the every-image measure of what follows."""

    def __init__(self, data, off):
        (self.size, self.w, self.h, self.planes, self.bits, self.compression, self.size_image,
         _, _, self.clr_used, _) = struct.unpack_from("<IiiHHIIiiII", data, off)
        self.off = off
        self.row = (self.w * self.bits + 31) // 32 * 4
        self.mask_row = (self.w + 31) // 32 * 4
        self.palette = self.clr_used or (1 << self.bits if self.bits <= 8 else 0)
        half = self.h // 2
        # An icon of another shape is told by an image size of half its rows,
        # with or without their mask; at 1 bit, half the rows with their
        # mask are all the rows of a bitmap.
        sizes = (self.row * half,) if self.bits == 1 else (self.row * half, (self.row + self.mask_row) * half)
        half_declared = self.h % 2 == 0 and self.size_image in sizes
        icon = (self.h == 2 * self.w and self.w <= 1024) or half_declared
        self.square = icon or self.size_image == (self.row + self.mask_row) * self.w
        self.rows = half if icon else self.w if self.square else self.h
        self.colour_at = off + 40 + 4 * self.palette
        self.mask_at = self.colour_at + self.row * self.rows
        self.mask_end = self.mask_at + self.mask_row * self.rows

    def is_header(self):
        return self.size == 40 and self.planes == 1 and self.compression == 0 and self.bits in BIT_COUNTS

    def is_picture(self):
        """What the every-image rules take for a picture: top-down rows and
        more palette entries than the pixels can name are not."""
        return (self.is_header() and self.w >= 1 and self.h >= 1 and self.clr_used <= (1 << min(self.bits, 8))
                and self.mask_at - self.off - 40 <= 0x7FFFFFFF - 54)

    def plausible(self, data):
        """What a search through a program's bytes takes for a picture."""
        return self.is_picture() and self.w <= 1024 and self.h <= 4096 and self.mask_at <= len(data)

    def own_alpha(self, data):
        return self.bits == 32 and any(data[self.colour_at + 3:self.mask_at:4])

    def alpha_image(self, data):
        alpha = bytes(data[self.colour_at + 3:self.mask_at:4])
        return Image.frombuffer("L", (self.w, self.rows), alpha, "raw", "L", 0, -1)


def with_height(data, dib, height, clr_used):
    header = bytearray(data[dib.off:dib.off + 40])
    struct.pack_into("<i", header, 8, height)
    struct.pack_into("<I", header, 32, clr_used)
    return bytes(header)


def as_icon(data, dib, directory_bits):
    """Pillow's view of the image as the only image of an icon file.

    Pillow takes the alpha bytes of an image whose directory entry says 32
    bits and the mask of any other, so directory_bits chooses between them.
    A palette before 16-, 24- or 32-bit rows is left out: Pillow's icon reader
    would take it for rows."""
    palette = data[dib.off + 40:dib.colour_at] if dib.bits <= 8 else b""
    clr_used = dib.clr_used if dib.bits <= 8 else 0
    body = with_height(data, dib, 2 * dib.rows, clr_used) + palette + data[dib.colour_at:dib.mask_end]
    icon = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", dib.w & 255, dib.rows & 255, 0, 0, 1, directory_bits, len(body), 22) + body
    return IcoImagePlugin.IcoFile(io.BytesIO(icon)).frame(0)


def as_bitmap(data, dib):
    """Pillow's view of the colour rows as a bitmap file."""
    body = with_height(data, dib, dib.rows, dib.clr_used) + data[dib.off + 40:dib.mask_at]
    bmp = b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + 4 * dib.palette) + body
    im = Image.open(io.BytesIO(bmp)).convert("RGBA")
    if dib.own_alpha(data):
        im.putalpha(dib.alpha_image(data))
    return im


def reference(data, dib):
    """Pillow's pixels for the image at dib, or None when it holds none."""
    if not dib.is_picture() or dib.mask_at > len(data):
        return None
    own_alpha = dib.own_alpha(data)
    if dib.square and dib.mask_end <= len(data) and not own_alpha:
        return as_icon(data, dib, 24 if dib.bits == 32 else dib.bits)
    return as_bitmap(data, dib)


def pillow_view(decode):
    """What decode() returns, or None where Pillow finds no picture."""
    try:
        return decode()
    except (OSError, SyntaxError, ValueError, struct.error, Image.DecompressionBombError):
        return None


def icon_file_references(path, data):
    icon = IcoImagePlugin.IcoFile(io.BytesIO(data))
    for i, entry in enumerate(icon.entry):
        off = entry["offset"]
        if data[off:off + 8] == PNG_MAGIC or off + 40 > len(data):
            continue
        dib = Dib(data, off)
        if not dib.is_header():
            continue
        if not dib.square or not dib.is_picture():
            # Only the icon's directory tells that such an image has a mask:
            # the engine measures it whole, as Pillow's bitmap reader would.
            yield off, pillow_view(lambda: reference(data, dib))
        elif dib.bits == 32 and not dib.own_alpha(data):
            yield off, pillow_view(lambda: reference(data, dib))  # the mask rather than the zeros
        else:
            yield off, pillow_view(lambda: icon.frame(i))


def bitmap_file_references(path, data):
    dib = Dib(data, 14)
    if not dib.is_header():
        return
    if dib.square or not dib.is_picture() or dib.mask_at > len(data):
        yield 14, pillow_view(lambda: reference(data, dib))
        return

    def whole_file():
        im = Image.open(io.BytesIO(data)).convert("RGBA")
        if dib.own_alpha(data):
            im.putalpha(dib.alpha_image(data))
        return im
    yield 14, pillow_view(whole_file)


def embedded_references(data):
    off = data.find(b"\x28\x00\x00\x00")
    while off >= 0:
        if off % 4 == 0 and off + 40 <= len(data):
            dib = Dib(data, off)
            if dib.plausible(data):
                yield off, pillow_view(lambda: reference(data, dib))
        off = data.find(b"\x28\x00\x00\x00", off + 1)


def references(path, data):
    ext = os.path.splitext(path)[1].lower()
    if ext == ".ico":
        return icon_file_references(path, data)
    if ext == ".bmp":
        return bitmap_file_references(path, data)
    return embedded_references(data)


def describe(data, off):
    dib = Dib(data, off)
    if dib.square:
        kind = "mask" if dib.mask_end <= len(data) and not dib.own_alpha(data) else "square"
    else:
        kind = "plain"
    if dib.own_alpha(data):
        kind += "+alpha"
    return "%d-bit %s" % (dib.bits, kind)


def first_difference(ours, theirs):
    if ours.size != theirs.size:
        return "size %s, Pillow %s" % (ours.size, theirs.size)
    a, b = ours.tobytes(), theirs.tobytes()
    for i in range(0, len(a), 4):
        if a[i:i + 4] != b[i:i + 4]:
            x, y = (i // 4) % ours.size[0], (i // 4) // ours.size[0]
            return "(%d,%d): %s, Pillow %s" % (x, y, tuple(a[i:i + 4]), tuple(b[i:i + 4]))
    return None


def compare_file(command, work, path, tally, failures):
    data = open(path, "rb").read()
    name = os.path.relpath(path, "/")
    try:
        refs = list(references(path, data))
    except (OSError, SyntaxError, ValueError, IndexError, struct.error):
        tally["files whose directory Pillow cannot read"] += 1
        return
    if not refs:
        return
    out = os.path.join(work, os.path.basename(path))
    os.makedirs(out, exist_ok=True)
    run = subprocess.run(command + [path, out], input="".join("%d\n" % off for off, _ in refs),
                         capture_output=True, text=True, check=True)
    decoded = dict(line.split(" ", 1) for line in run.stdout.splitlines())
    for off, ref in refs:
        ours = None
        if decoded.get(str(off), "none") != "none":
            ours = Image.open(os.path.join(out, "%d.png" % off)).convert("RGBA")
        if ref is None and ours is None:
            tally["no picture, on both sides"] += 1
            continue
        if ref is None or ours is None:
            failures.append("%s @%d: %s" % (name, off, "Pillow sees no picture" if ref is None
                                            else "no picture decoded"))
            continue
        kind = describe(data, off)
        problem = first_difference(ours, ref)
        if problem:
            failures.append("%s @%d (%s): %s" % (name, off, kind, problem))
        else:
            tally[kind] += 1


def main():
    args = sys.argv[1:]
    runner = []
    if args[:1] == ["--runner"]:
        runner, args = args[1:2], args[2:]
    if len(args) < 3:
        sys.exit(__doc__)
    command, work = runner + [args[0]], args[1]
    files = []
    for source in args[2:]:
        if os.path.isdir(source):
            files += sorted(os.path.join(source, n) for n in os.listdir(source)
                            if os.path.isfile(os.path.join(source, n)))
        elif os.path.isfile(source):
            files.append(source)
        else:
            print("absent, passed over: %s" % source)
    if not files:
        print("no source present: skipped")
        sys.exit(SKIPPED)
    os.makedirs(work, exist_ok=True)
    tally, failures = collections.Counter(), []
    for path in files:
        compare_file(command, work, path, tally, failures)
    equal = sum(n for kind, n in tally.items() if kind[0].isdigit())
    print("%d files; %d pictures equal to Pillow's:" % (len(files), equal))
    for kind, n in sorted(tally.items()):
        print("  %5d %s" % (n, kind))
    for f in failures:
        print("DIFFERENT " + f)
    print("%d equal, %d different" % (equal, len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
