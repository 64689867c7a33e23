#!/usr/bin/python3
"""Every bitmap layout `--all --format png` reads, built by hand, against the
pixels each fixture was made from and against Pillow where Pillow reads it.

usage: layouts_match_pillow.py [--runner CMD] CLI WORKDIR

--runner runs CLI through CMD (scripts/wine-run for the Windows build, so
that the pixels of its PNG encoder are checked too).

One fixture per header version x compression x bit count x row order (and a
few with a bitmap file header, a gap before the rows, alpha and palettes of
other sizes), each lying at an odd offset between filler bytes. Each must come
out as exactly one PNG whose pixels equal those the fixture was made from:
an RLE pixel that no code paints is transparent black, a bit-field channel v
of width n is v * 255 // (2**n - 1), alpha comes from an alpha mask or the
fourth byte of 32-bit rows unless all are 0. Where Pillow reads the layout
(it refuses 52- and 56-byte headers, alpha bit fields, 2 bits and masks out
of its usual orders), its colours must be the same wherever alpha is not 0.
Damaged forms must give no bitmap at all (and, in the sanitizer build, no
fault).
"""
import io
import os
import random
import shutil
import struct
import subprocess
import sys

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed; skipped")
    sys.exit(77)

W, H = 7, 5
FILLER = b"\xee\xee\xee"


def rnd(seed):
    return random.Random(seed)


class Picture:
    """What a fixture was made from: rows top to bottom of RGBA tuples."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]


def header(size, w, h, bits, compression, image_size=0, clr_used=0, masks=(0, 0, 0, 0)):
    if size == 12:
        return struct.pack("<IHHHH", 12, w, h, 1, bits)
    base = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, image_size, 2835, 2835, clr_used, 0)
    extra = b""
    if size >= 52:
        extra += struct.pack("<III", *masks[:3])
    if size >= 56:
        extra += struct.pack("<I", masks[3])
    if size >= 108:
        extra += b"BGRs" + bytes(36) + bytes(12)  # colour space, end points, gamma
    if size == 124:
        extra += struct.pack("<IIII", 4, 0, 0, 0)  # intent, profile data and size, reserved
    if size == 64:
        extra = bytes(24)  # units, reserved, recording, rendering, sizes, encoding, identifier
    out = base + extra
    return struct.pack("<I", size) + out[4:size]


def pad(row):
    return row + bytes(-len(row) % 4)


def indexed(seed, size, bits, top_down, clr_used=0):
    r = rnd(seed)
    entries = clr_used or (1 << bits)
    palette = [(r.randrange(256), r.randrange(256), r.randrange(256)) for _ in range(entries)]
    pic = Picture(W, H)
    stored = []
    for y in range(H):
        idx = [r.randrange(entries) for _ in range(W)]
        pic.px[y] = [palette[i] + (255,) for i in idx]
        acc, n, row = 0, 0, bytearray()
        for i in idx:
            acc, n = (acc << bits) | i, n + bits
            if n == 8:
                row.append(acc)
                acc, n = 0, 0
        if n:
            row.append(acc << (8 - n))
        stored.append(pad(bytes(row)))
    if not top_down:
        stored.reverse()
    entry = 3 if size == 12 else 4
    pal = b"".join(bytes((b, g, rr)) + (b"" if entry == 3 else b"\0") for rr, g, b in palette)
    hdr = header(size, W, -H if top_down else H, bits, 0, 0, clr_used)
    return hdr, pal, b"".join(stored), pic


def scale(v, width):
    return v if width == 8 else v * 255 // ((1 << width) - 1)


def mask_shift_width(mask):
    if mask == 0:
        return 0, 0
    shift = (mask & -mask).bit_length() - 1
    return shift, bin(mask).count("1")


def masked(seed, size, bits, compression, masks, top_down, alpha="some"):
    """Pixels of bit fields, or of 16-, 24- or 32-bit rows without them."""
    r = rnd(seed)
    has_alpha = masks[3] != 0
    pic = Picture(W, H)
    stored = []
    alphas = []
    for y in range(H):
        row = bytearray()
        for x in range(W):
            value, rgba = 0, []
            for c, mask in enumerate(masks):
                shift, width = mask_shift_width(mask)
                if width == 0:
                    rgba.append(255)
                    continue
                q = r.randrange(1 << width)
                if c == 3 and alpha == "none":
                    q = 0
                value |= q << shift
                rgba.append(scale(q, width))
            alphas.append(rgba[3])
            pic.px[y][x] = tuple(rgba)
            row += value.to_bytes(bits // 8, "little")
        stored.append(pad(bytes(row)))
    if has_alpha and not any(alphas):
        for y in range(H):
            pic.px[y] = [p[:3] + (255,) for p in pic.px[y]]
    if not top_down:
        stored.reverse()
    in_header = masks if size >= 52 and compression in (3, 6) else (0, 0, 0, 0)
    hdr = header(size, W, -H if top_down else H, bits, compression, 0, 0, in_header)
    after = b""
    if size == 40 and compression == 3:
        after = struct.pack("<III", *masks[:3])
    if size == 40 and compression == 6:
        after = struct.pack("<IIII", *masks)
    return hdr, after, b"".join(stored), pic


def rle(seed, size, bits, delta):
    """Rows with encoded runs, a literal run, early ends of row and a delta."""
    r = rnd(seed)
    palette = [(r.randrange(256), r.randrange(256), r.randrange(256)) for _ in range(1 << bits)]
    pic = Picture(W, H)  # stored row y is picture row H - 1 - y
    out = bytearray()

    def paint(x, y, i):
        pic.px[H - 1 - y][x] = palette[i] + (255,)

    def nibbles(pair, count):
        return [(pair >> 4) if k % 2 == 0 else (pair & 15) for k in range(count)]

    for y in range(H):
        if delta and y == 1:  # two pixels right, one row up, then a run
            out += bytes((0, 2, 2, 1))
            y_now = 2
            i = r.randrange(1 << bits)
            pair = i if bits == 8 else (i << 4) | r.randrange(16)
            out += bytes((3, pair))
            for k, v in enumerate([pair] * 3 if bits == 8 else nibbles(pair, 3)):
                paint(2 + k, y_now, v)
            out += bytes((0, 0))
            continue
        if delta and y == 2:
            continue  # done with the delta above
        x = 0
        if y == 0:  # a literal run of 4, then an encoded run to the edge
            vals = [r.randrange(1 << bits) for _ in range(4)]
            data = bytes(vals) if bits == 8 else bytes(((vals[0] << 4) | vals[1], (vals[2] << 4) | vals[3]))
            out += bytes((0, 4)) + data + bytes(-len(data) % 2)
            for k, v in enumerate(vals):
                paint(k, y, v)
            x = 4
        count = W - x if y != 3 else 2  # row 3 ends early
        i = r.randrange(1 << bits)
        pair = i if bits == 8 else (i << 4) | r.randrange(16)
        out += bytes((count, pair))
        for k, v in enumerate([pair] * count if bits == 8 else nibbles(pair, count)):
            paint(x + k, y, v)
        if y == H - 1:
            break
        out += bytes((0, 0))
    out += bytes((0, 1))
    pal = b"".join(bytes((b, g, rr, 0)) for rr, g, b in palette)
    hdr = header(size, W, H, bits, 1 if bits == 8 else 2, len(out) if seed % 2 else 0)
    return hdr, pal, bytes(out), pic


def bitmap_file(hdr, between, rows, gap=b""):
    body = hdr + between + gap + rows
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + len(hdr) + len(between) + len(gap)) + body


WINDOWS = (40, 52, 56, 108, 124)
STANDARD_ORDER = (0xFF0000, 0xFF00, 0xFF, 0)


def fixtures():
    """(name, file bytes, picture or None, bytes Pillow may read or None)."""
    seed = 0
    for size in (12, 64) + WINDOWS:
        for bits in ((1, 4, 8) if size in (12, 64) else (1, 2, 4, 8)):
            for top_down in ((False,) if size in (12, 64) else (False, True)):
                seed += 1
                hdr, pal, rows, pic = indexed(seed, size, bits, top_down)
                bmp = bitmap_file(hdr, pal, rows)
                # OS/2 headers count with their file header; Windows ones alone.
                body = bmp if size in (12, 64) or seed % 3 == 0 else hdr + pal + rows
                yield "h%d-%dbit%s" % (size, bits, "-topdown" if top_down else ""), body, pic, bmp
        # Uncompressed 16, 24 and 32 bits.
        for bits in ((24,) if size in (12, 64) else (16, 24, 32)):
            for top_down in ((False,) if size in (12, 64) else (False, True)):
                seed += 1
                masks = {16: (0x7C00, 0x3E0, 0x1F, 0), 24: STANDARD_ORDER,
                         32: (0xFF0000, 0xFF00, 0xFF, 0xFF000000)}[bits]
                hdr, after, rows, pic = masked(seed, size, bits, 0, masks, top_down)
                if size == 12:
                    hdr = header(12, W, H, 24, 0)
                bmp = bitmap_file(hdr, after, rows)
                body = bmp if size in (12, 64) else hdr + after + rows
                yield "h%d-%dbit-rgb%s" % (size, bits, "-topdown" if top_down else ""), body, pic, bmp
        if size == 12:
            continue
        for bits in (8, 4):
            for delta in (False, True):
                seed += 1
                hdr, pal, rows, pic = rle(seed, size, bits, delta)
                bmp = bitmap_file(hdr, pal, rows)
                body = bmp if size == 64 else hdr + pal + rows
                # Pillow 9.4 reads the two bytes of a delta twice over.
                yield "h%d-rle%d%s" % (size, bits, "-delta" if delta else ""), body, pic, None if delta else bmp
        if size == 64:
            continue
        field_sets = [(16, 3, (0xF800, 0x7E0, 0x1F, 0)), (16, 3, (0x7C00, 0x3E0, 0x1F, 0)),
                      (32, 3, STANDARD_ORDER), (32, 3, (0xFF, 0xFF00, 0xFF0000, 0)),
                      (32, 3, (0x3FF00000, 0xFFC00, 0x3FF, 0))]
        if size >= 56:
            field_sets += [(32, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)), (16, 3, (0xF00, 0xF0, 0xF, 0xF000))]
        if size == 40 or size >= 56:
            field_sets += [(32, 6, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)), (16, 6, (0x7C00, 0x3E0, 0x1F, 0x8000))]
        for bits, compression, masks in field_sets:
            for top_down in (False, True):
                seed += 1
                hdr, after, rows, pic = masked(seed, size, bits, compression, masks, top_down)
                bmp = bitmap_file(hdr, after, rows)
                yield ("h%d-%dbit-fields%d-%x-%x%s" % (size, bits, compression, masks[0], masks[3], "-topdown" if top_down else ""),
                       hdr + after + rows, pic, bmp)
    # Alpha all zero is opaque, in the fourth byte and in an alpha mask.
    for size, compression, masks in ((40, 0, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
                                     (124, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000))):
        seed += 1
        hdr, after, rows, pic = masked(seed, size, 32, compression, masks, True, alpha="none")
        yield "h%d-no-alpha" % size, hdr + after + rows, pic, bitmap_file(hdr, after, rows)
    # A palette shorter than the bit count allows, and a gap the file header
    # leaves before the rows.
    seed += 1
    hdr, pal, rows, pic = indexed(seed, 40, 4, False, clr_used=3)
    yield "h40-4bit-3colours", hdr + pal + rows, pic, bitmap_file(hdr, pal, rows)
    for size in (40, 124):
        seed += 1
        hdr, pal, rows, pic = indexed(seed, size, 8, True)
        bmp = bitmap_file(hdr, pal, rows, gap=b"\xab" * 6)
        yield "h%d-gap" % size, bmp, pic, bmp


def damaged():
    """(name, file bytes): none of these is a picture."""
    hdr, pal, rows, _ = rle(900, 40, 8, True)
    yield "rle-past-the-rows", hdr + pal + bytes((0, 0)) * (H + 1) + bytes((2, 1, 0, 1))
    yield "rle-delta-out", hdr + pal + bytes((0, 2, W + 1, 0, 0, 1))
    yield "rle-run-beyond-the-edge", hdr + pal + bytes((W, 1, 2, 1, 0, 1))
    yield "rle-no-end", hdr + pal + rows[:-2]
    yield "rle-cut-short", hdr + pal + rows[:len(rows) // 2]
    yield "rle-top-down", header(40, W, -H, 8, 1) + pal + rows
    for name, masks in (("masks-overlap", (0xFF00, 0xFFF, 0xF, 0)), ("masks-empty", (0xFF0000, 0, 0xFF, 0)),
                        ("masks-broken", (0xF0F000, 0xFF00, 0xFF, 0)), ("masks-too-wide", (0x1F0000, 0x7E0, 0x1F, 0))):
        bits = 16 if name == "masks-too-wide" else 32
        yield name, (header(40, W, H, bits, 3) + struct.pack("<III", *masks[:3]) +
                     bytes(pad(bytes(W * bits // 8)) * H))
    hdr, pal, rows, _ = indexed(901, 40, 8, False)
    yield "palette-larger-than-the-file", header(40, W, H, 8, 0, 0, 200) + pal[:400]
    yield "palette-beyond-the-bits", header(40, W, H, 4, 0, 0, 17) + pal[:68] + rows
    yield "rows-cut-short", hdr + pal + rows[:-len(FILLER) * 3 - 1]
    yield "os2-alone", header(12, W, H, 8, 0) + bytes(3 * 256) + rows
    yield "jpeg-inside", header(40, W, H, 24, 4, 20) + b"\xff\xd8\xff\xe0" + bytes(16)


def compare(ours, pic, theirs):
    """None when equal; else the first difference."""
    if ours.size != (pic.w, pic.h):
        return "size %s, made %s" % (ours.size, (pic.w, pic.h))
    data = ours.tobytes()
    for y in range(pic.h):
        for x in range(pic.w):
            got = tuple(data[4 * (y * pic.w + x):4 * (y * pic.w + x) + 4])
            want = pic.px[y][x]
            if got != want:
                return "(%d,%d): %s, made %s" % (x, y, got, want)
            if theirs is not None and want[3] != 0:
                seen = theirs.getpixel((x, y))[:3]
                if seen != want[:3]:
                    return "(%d,%d): %s, Pillow %s" % (x, y, got, seen)
    return None


def pillow(bmp):
    try:
        im = Image.open(io.BytesIO(bmp))
        im.load()
        return im.convert("RGBA")
    except (OSError, SyntaxError, ValueError, struct.error):
        return None


def main():
    args = sys.argv[1:]
    runner = []
    if args[:1] == ["--runner"]:
        runner, args = args[1:2], args[2:]
    if len(args) != 2:
        sys.exit(__doc__)
    cli, work = runner + [args[0]], args[1]
    shutil.rmtree(work, ignore_errors=True)
    src, out = os.path.join(work, "src"), os.path.join(work, "out")
    os.makedirs(src)
    os.makedirs(out)
    cases = {}
    for kind, items in (("f", fixtures()), ("d", ((n, b, None, None) for n, b in damaged()))):
        for name, body, pic, bmp in items:
            file_name = "%s-%s" % (kind, name)
            assert file_name not in cases, file_name
            cases[file_name] = (pic, bmp)
            with open(os.path.join(src, file_name + ".bin"), "wb") as f:
                f.write(FILLER + body + FILLER + FILLER)
    run = subprocess.run(cli + ["-q", "--all", "--format", "png", "-o", out, src],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        print("glimmerdig-cli failed (%d): %s" % (run.returncode, run.stdout))
        return 1
    written = sorted(os.listdir(out))
    failures, by_pillow, refused = [], 0, []
    for file_name, (pic, bmp) in sorted(cases.items()):
        mine = [n for n in written if n.startswith(file_name + "-bin-")]
        if pic is None:
            if mine:
                failures.append("%s: damaged, but written as %s" % (file_name, mine))
            continue
        if mine != [file_name + "-bin-0.png"]:
            failures.append("%s: written %s" % (file_name, mine))
            continue
        theirs = pillow(bmp) if bmp is not None else None
        if theirs is not None:
            by_pillow += 1
        elif bmp is not None:
            refused.append(file_name)
        problem = compare(Image.open(os.path.join(out, mine[0])).convert("RGBA"), pic, theirs)
        if problem:
            failures.append("%s: %s" % (file_name, problem))
    made = sum(1 for pic, _ in cases.values() if pic is not None)
    print("%d layouts as made, %d of them also as Pillow reads them; %d damaged forms passed over"
          % (made, by_pillow, len(cases) - made))
    print("Pillow refuses: " + " ".join(refused))
    for f in failures:
        print("DIFFERENT " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
