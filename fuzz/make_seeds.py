#!/usr/bin/env python3
"""Writes small seed inputs for the fuzz targets: icon and cursor files,
program-like blobs with embedded images, bitmaps of every header version and
compression, GIFs of several kinds, and PNGs, GIFs and JPEGs lying inside
other bytes.

    make_seeds.py OUT_DIR      -> OUT_DIR/extract/*, OUT_DIR/gif/*, OUT_DIR/carve/*
"""
import io
import os
import random
import struct
import sys
import zlib


def dib(width, height, bits, size_image=None, clr_used=0, fill=0x11):
    row = ((width * bits + 31) // 32) * 4
    colours = (clr_used or (1 << bits)) if bits <= 8 else 0
    rows = abs(height)
    body = bytes([fill]) * (4 * colours + row * rows)
    if size_image is None:
        size_image = row * rows
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, size_image, 0, 0, clr_used, 0) + body


def icon_image(side, bits):
    row = ((side * bits + 31) // 32) * 4
    mask = ((side + 31) // 32) * 4 * side
    pal = 4 * (1 << bits) if bits <= 8 else 0
    return (struct.pack('<IiiHHIIiiII', 40, side, 2 * side, 1, bits, 0, row * side + mask, 0, 0, 0, 0)
            + bytes([0x22]) * (pal + row * side) + bytes(mask))


def icon_file(images, kind=1):
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for img in images:
        side = struct.unpack_from('<i', img, 4)[0]
        out += struct.pack('<BBBBHHII', side & 0xFF, side & 0xFF, 0, 0, 1, struct.unpack_from('<H', img, 14)[0],
                           len(img), offset)
        offset += len(img)
    return out + b''.join(images)


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def extract_seeds(out):
    rnd = random.Random(3)
    write(f'{out}/icon.ico', icon_file([icon_image(16, 4), icon_image(32, 8), icon_image(48, 32)]))
    write(f'{out}/cursor.cur', icon_file([icon_image(32, 1)], kind=2))
    write(f'{out}/plain.dib', dib(5, 3, 24))
    write(f'{out}/topdown.bin', dib(4, -4, 8))
    write(f'{out}/wrapped.bin', dib(268435456, 4, 16))
    program = bytearray(b'MZ' + bytes(rnd.randrange(256) for _ in range(126)))
    for img in (icon_image(16, 4), icon_image(32, 4), dib(20, 10, 8, clr_used=3)):
        program += bytes(2 * rnd.randrange(40)) + img
    write(f'{out}/program.exe', bytes(program))
    write(f'{out}/truncated.bin', icon_image(32, 4)[:300])
    # The first byte chooses the options: 0x10 every image, 0x20 PNG output,
    # 0x40 tiny windows, 0x01 each picture once.
    mixed = bytes(program) + b'\0' + tiny_png(5, 4, 4, 3, 1) + tiny_gif() + tiny_jpeg(3) + icon_image(16, 32)
    for first in (0x30, 0x71, 0x10):
        write(f'{out}/every-image-{first:02x}.bin', bytes([first]) + mixed)


def layout(size, width, height, bits, compression=0, masks=(), rows=None, clr_used=0):
    """A bitmap with a header of any version: OS/2 1.x (12), OS/2 2.x (16 to
    64) or the Windows ones (40, 52, 56, 108, 124)."""
    if size == 12:
        head = struct.pack('<IHHHH', 12, width, height, 1, bits)
        entries = 3
    else:
        head = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 0, 0, clr_used, 0)
        head = (head + b''.join(struct.pack('<I', m) for m in masks) + bytes(size))[:size] if size != 40 else head
        entries = 4
    after = b''.join(struct.pack('<I', m) for m in masks) if size == 40 else b''
    colours = (clr_used or (1 << bits)) if bits <= 8 else 0
    if rows is None:
        rows = bytes([0x5A]) * (((width * bits + 31) // 32) * 4 * abs(height))
    return head + after + bytes([0x33]) * (entries * colours) + rows


def layout_seeds(out):
    rle8 = bytes((3, 1, 0, 2, 1, 0, 0, 0, 0, 4, 1, 2, 3, 4, 0, 0, 2, 7, 0, 1))
    rle4 = bytes((3, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1))
    seeds = {
        'os2v1.bin': b'BM' + struct.pack('<IHHI', 0, 0, 0, 14 + 12 + 3 * 16) + layout(12, 3, 2, 4),
        'os2v2.bin': layout(64, 3, 2, 8),
        'os2v2-short.bin': b'BM' + struct.pack('<IHHI', 0, 0, 0, 14 + 16 + 4 * 2) + layout(16, 9, 2, 1),
        'v2-fields.bin': layout(52, 3, 2, 16, 3, (0xF800, 0x7E0, 0x1F)),
        'v3-alpha.bin': layout(56, 3, -2, 32, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
        'v4-fields.bin': layout(108, 3, 2, 32, 3, (0xFF, 0xFF00, 0xFF0000, 0xFF000000)),
        'v5-topdown.bin': layout(124, 4, -3, 32, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
        'fields40.bin': layout(40, 5, 2, 16, 3, (0x7C00, 0x3E0, 0x1F)),
        'alpha-fields40.bin': layout(40, 5, 2, 32, 6, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
        'two-bits.bin': layout(40, 9, 2, 2),
        'rle8.bin': layout(40, 4, 3, 8, 1, rows=rle8, clr_used=8),
        'rle4.bin': layout(124, 3, 2, 4, 2, rows=rle4),
        'rle8-cut.bin': layout(40, 4, 3, 8, 1, rows=rle8[:-3], clr_used=8),
        'png-inside.bin': struct.pack('<IiiHHIIiiII', 40, 3, 2, 1, 0, 5, 0, 0, 0, 0, 0) + tiny_png(3, 2, 8, 2, 3),
        'gap.bin': b'BM' + struct.pack('<IHHI', 0, 0, 0, 14 + 40 + 8 + 6) + layout(40, 2, 2, 1)[:48] + bytes(6)
                   + bytes(8),
    }
    # The first byte asks for every image as PNG; the blob of all of them, at
    # odd offsets, also for tiny windows.
    for name, data in seeds.items():
        write(f'{out}/{name}', b'\x30' + data + b'\x07')
    write(f'{out}/every-layout-70.bin', b'\x70' + b'\x01'.join(seeds.values()))


def tiny_gif():
    # GIF87a, 2×1, global table of 2, codes clear 1 1 end.
    return (b'GIF87a' + struct.pack('<HHBBB', 2, 1, 0x80, 0, 0) + bytes(6)
            + b',' + struct.pack('<HHHHB', 0, 0, 2, 1, 0) + b'\x02\x02\x4C\x01\x00;')


def gif_seeds(out):
    try:
        from PIL import Image
    except ImportError:
        return
    def save(name, img, **kw):
        buf = io.BytesIO()
        img.save(buf, format='GIF', **kw)
        write(f'{out}/{name}', buf.getvalue())
    small = Image.new('P', (7, 5))
    small.putdata([(x * 37) % 256 for x in range(35)])
    small.putpalette([i % 256 for i in range(768)])
    save('small.gif', small)
    save('interlaced.gif', small, interlace=True)
    frames = [small.copy() for _ in range(3)]
    for i, f in enumerate(frames):
        f.putdata([(x * (i + 3)) % 256 for x in range(35)])
    save('frames.gif', frames[0], save_all=True, append_images=frames[1:], duration=50, loop=0)
    save('two.gif', Image.new('1', (9, 2)))
    write(f'{out}/tiny.gif', tiny_gif())


def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def tiny_png(width, height, depth, colour_type, channels):
    row = (width * channels * depth + 7) // 8
    pixels = zlib.compress(bytes((row + 1) * height))
    header = struct.pack('>IIBBBBB', width, height, depth, colour_type, 0, 0, 0)
    out = b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', header)
    if colour_type == 3:
        out += png_chunk(b'PLTE', bytes(3 << depth))
    return out + png_chunk(b'tEXt', b'k\0v') + png_chunk(b'IDAT', pixels) + png_chunk(b'IEND', b'')


def jpeg_segment(marker, body):
    return bytes([0xFF, marker]) + struct.pack('>H', len(body) + 2) + body


def tiny_jpeg(components=1, progressive=False, restart=False):
    """8×8 per component (16×8 with restart markers), every sample 128:
    one-code Huffman tables make each block's data two 0 bits. Progressive: a
    DC scan, then one AC band per component. Restart: an interval of one MCU,
    so a marker between the two."""
    width = 16 if restart else 8
    dqt = jpeg_segment(0xDB, bytes([0]) + bytes([1]) * 64)
    dc = jpeg_segment(0xC4, bytes([0x00, 1]) + bytes(15) + bytes([0]))
    ac = jpeg_segment(0xC4, bytes([0x10, 1]) + bytes(15) + bytes([0]))
    ids = list(range(1, components + 1))
    sof = jpeg_segment(0xC2 if progressive else 0xC0,
                       struct.pack('>BHHB', 8, 8, width, components) + b''.join(bytes([k, 0x11, 0]) for k in ids))

    def sos(comps, start, end):
        return jpeg_segment(0xDA, bytes([len(comps)]) + b''.join(bytes([k, 0]) for k in comps) + bytes([start, end, 0]))

    out = b'\xff\xd8' + jpeg_segment(0xE0, b'JFIF\0\1\1\0\0\1\0\1\0\0') + dqt + sof + dc + ac
    if restart:
        out += jpeg_segment(0xDD, struct.pack('>H', 1))
    mcu = bytes([0xFF >> (2 * components)])
    if progressive:
        out += sos(ids, 0, 0) + bytes([0xFF >> components])  # one DC bit per component
        for k in ids:
            out += sos([k], 1, 63) + b'\x7f'  # one end-of-band bit
    elif restart:
        out += sos(ids, 0, 63) + mcu + b'\xff\xd0' + mcu
    else:
        out += sos(ids, 0, 63) + mcu
    return out + b'\xff\xd9'


def carve_seeds(out, gifs):
    # Made by hand, so they do not depend on an imaging library being there.
    rnd = random.Random(5)
    pngs = [tiny_png(3, 2, 8, 2, 3), tiny_png(5, 4, 4, 3, 1), tiny_png(2, 2, 16, 6, 4), tiny_png(9, 3, 1, 0, 1)]
    for i, png in enumerate(pngs):
        write(f'{out}/png{i}.bin', bytes(rnd.randrange(256) for _ in range(i + 3)) + png + b'IEND junk')
    write(f'{out}/tiny-gif.bin', b'GIF8 in a string ' + tiny_gif() + b'\x3b;')
    jpegs = [tiny_jpeg(1), tiny_jpeg(3), tiny_jpeg(4), tiny_jpeg(3, progressive=True), tiny_jpeg(1, restart=True)]
    for i, jpeg in enumerate(jpegs):
        # After a bare signature and a cut-off copy, the whole one.
        write(f'{out}/jpeg{i}.bin', b'\xff\xd8\xff' + jpeg[:-5] + bytes(rnd.randrange(256) for _ in range(i + 2)) + jpeg)
    for name in sorted(os.listdir(gifs)):
        with open(f'{gifs}/{name}', 'rb') as f:
            write(f'{out}/{name}.bin', b'GIF8 in a string ' + f.read() + b'\x3b;')


def main():
    out = sys.argv[1]
    for sub in ('extract', 'gif', 'carve'):
        os.makedirs(f'{out}/{sub}', exist_ok=True)
    extract_seeds(f'{out}/extract')
    layout_seeds(f'{out}/extract')
    gif_seeds(f'{out}/gif')
    carve_seeds(f'{out}/carve', f'{out}/gif')


if __name__ == '__main__':
    main()
