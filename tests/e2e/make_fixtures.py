#!/usr/bin/env python3
"""Writes a folder of files with bitmaps inside, for the end-to-end test.

Usage: make_fixtures.py OUT_DIR [MANY]

Icon and cursor files as icon editors write them, a file of other bytes with
bitmaps embedded at odd places, one with a PNG and a GIF file embedded (found
only when every image is asked for), files with nothing in them, a bitmap file
the program must pass over, and MANY further icon files so that a run lasts
long enough to be seen.
"""
import os
import struct
import sys
import zlib


def dib(width, height, bits, rows_height=None, with_mask=False, seed=0):
    """A 40-byte header, its palette and its pixel rows (and mask rows)."""
    colour_rows = rows_height if rows_height is not None else height
    row = (width * bits + 31) // 32 * 4
    mask_row = (width + 31) // 32 * 4
    size_image = row * colour_rows + (mask_row * colour_rows if with_mask else 0)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, size_image, 0, 0, 0, 0)
    palette = b''
    if bits <= 8:
        palette = b''.join(struct.pack('<BBBB', (i * 37 + seed) & 0xFF, (i * 91) & 0xFF, (i * 53 + 7) & 0xFF, 0)
                           for i in range(1 << bits))
    pixels = bytes(((i * 13 + seed * 7) % 251) | 0x01 for i in range(row * colour_rows))
    mask = bytes(mask_row * colour_rows) if with_mask else b''
    return header + palette + pixels + mask


def icon_file(images, kind=1):
    """images: list of (side, bits); kind 1 icon, 2 cursor."""
    blobs = [dib(side, 2 * side, bits, rows_height=side, with_mask=True, seed=side + bits) for side, bits in images]
    out = struct.pack('<HHH', 0, kind, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (side, bits), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', side & 0xFF, side & 0xFF, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


def png_file(width, height):
    """An RGBA PNG with a gradient and a transparent corner."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''
    for y in range(height):
        rows += b'\x00' + b''.join(bytes([x * 40 & 0xFF, y * 60 & 0xFF, 128, 0 if x == y == 0 else 255])
                                    for x in range(width))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


def gif_file(width, height):
    """A GIF89a with a four-colour table; each pixel is coded after a clear
    code, so the code size never grows."""
    pixels = [(x + y) % 4 for y in range(height) for x in range(width)]
    codes = []
    for p in pixels:
        codes += [4, p]
    codes.append(5)
    bits = 0
    nbits = 0
    data = bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 3
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    blocks = b''.join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
    palette = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    return (b'GIF89a' + struct.pack('<HHBBB', width, height, 0x81, 0, 0) + palette +
            b'\x2c' + struct.pack('<HHHHB', 0, 0, width, height, 0) + b'\x02' + blocks + b'\x00' + b'\x3b')


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    out = sys.argv[1]
    many = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    write(os.path.join(out, 'app.ico'), icon_file([(16, 4), (32, 4), (32, 8), (48, 8)]))
    write(os.path.join(out, 'pointer.cur'), icon_file([(32, 1)], kind=2))
    # Other bytes (never 28 00 at an even offset) around two bitmaps.
    filler = bytes([0x5A, 0x01]) * 300
    write(os.path.join(out, 'data', 'blob.dat'),
          filler + dib(24, 24, 24, seed=3) + filler + dib(40, 20, 8, seed=5) + filler)
    write(os.path.join(out, 'data', 'sheet.dat'), filler + png_file(5, 4) + filler + gif_file(6, 3) + filler)
    write(os.path.join(out, 'data', 'notes.txt'), b'nothing to see here\r\n' * 20)
    bmp = dib(16, 16, 24, seed=9)
    write(os.path.join(out, 'data', 'picture.bmp'), b'BM' + struct.pack('<IHHI', 14 + len(bmp), 0, 0, 54) + bmp)
    for i in range(many):
        write(os.path.join(out, 'many', 'f%03d.ico' % i), icon_file([(16, 4), (32, 4), (16, 8)]))


if __name__ == '__main__':
    main()
