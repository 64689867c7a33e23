#!/usr/bin/python3
"""JPEG files from several encoders, found by --all inside other bytes.

usage: jpeg_with_pillow.py [--runner CMD] CLI WORKDIR [REAL.jpg...]

--runner runs CLI through CMD (scripts/wine-run for the Windows build, whose
JPEG decoder is built by another compiler).

The table is made here: Pillow (baseline 4:2:0 and 4:4:4, progressive,
optimised tables, grey, CMYK with an Adobe segment, EXIF with a thumbnail,
1 x 1), cjpeg and jpegtran (restart intervals in baseline and progressive
files, optimised tables) and the real files given (JPEG files that come with
Debian's packages). Each lies at an odd and at an even offset in random
bytes, all lie in one uncompressed ZIP, and each is a page of a PDF; a
PDF written by Pillow is searched too. Every file found must be written as
<base>-<ext>-<index>.jpg, byte for byte the one put in, in order of
position, decoded by Pillow to the pixels of the original, with its
manifest row (kind jpeg, frame size, 8 bits per component); the same holds
under --format png, whose run's gallery page shows each. Damaged forms put before a good file are not written.

Exits with 77 (skipped) when Pillow, cjpeg or jpegtran is missing.
"""
import csv
import io
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import zipfile

SKIPPED = 77
try:
    from PIL import Image
except ImportError:
    print('Pillow is not installed', file=sys.stderr)
    sys.exit(SKIPPED)
for tool in ('cjpeg', 'jpegtran'):
    if shutil.which(tool) is None:
        print(f'{tool} is not installed (libjpeg-turbo-progs)', file=sys.stderr)
        sys.exit(SKIPPED)

rnd = random.Random(17)


def picture(width, height):
    """Something like a photograph: smooth colour with a little grain."""
    im = Image.new('RGB', (width, height))
    px = im.load()
    for y in range(height):
        for x in range(width):
            g = rnd.randrange(24)
            px[x, y] = ((x * 255 // max(width - 1, 1) + g) % 256, (y * 255 // max(height - 1, 1) + g) % 256,
                        (128 + (x - y) * 3 + g) % 256)
    return im


def pillow(im, **options):
    out = io.BytesIO()
    im.save(out, 'JPEG', **options)
    return out.getvalue()


def run(args, data):
    return subprocess.run(args, input=data, stdout=subprocess.PIPE, check=True).stdout


def ppm(im):
    out = io.BytesIO()
    im.save(out, 'PPM')
    return out.getvalue()


def exif_with_thumbnail(thumbnail):
    """APP1 contents: a TIFF structure whose second IFD points to a JPEG."""
    ifd0 = struct.pack('<H', 1) + struct.pack('<HHII', 0x0112, 3, 1, 1)  # orientation
    ifd1_at = 8 + len(ifd0) + 4
    ifd1 = struct.pack('<H', 2)
    thumb_at = ifd1_at + 2 + 2 * 12 + 4
    ifd1 += struct.pack('<HHII', 0x0201, 4, 1, thumb_at) + struct.pack('<HHII', 0x0202, 4, 1, len(thumbnail))
    tiff = b'II*\0' + struct.pack('<I', 8) + ifd0 + struct.pack('<I', ifd1_at) + ifd1 + struct.pack('<I', 0)
    return b'Exif\0\0' + tiff + thumbnail


def fixtures(real_files):
    photo = picture(67, 45)
    large = picture(160, 120)
    rows = [
        ('baseline 4:2:0', 'Pillow', pillow(photo, quality=85, subsampling=2)),
        ('baseline 4:4:4', 'Pillow', pillow(photo, quality=90, subsampling=0)),
        ('progressive', 'Pillow', pillow(photo, progressive=True)),
        ('optimised tables', 'Pillow', pillow(photo, optimize=True)),
        ('grey', 'Pillow', pillow(photo.convert('L'))),
        ('CMYK, Adobe segment', 'Pillow', pillow(photo.convert('CMYK'))),
        ('EXIF with a thumbnail', 'Pillow', pillow(large, exif=exif_with_thumbnail(pillow(photo.resize((16, 12)))))),
        ('1 x 1', 'Pillow', pillow(Image.new('RGB', (1, 1), (200, 30, 90)))),
        ('baseline', 'cjpeg', run(['cjpeg', '-quality', '80'], ppm(large))),
        ('restart interval, baseline', 'cjpeg', run(['cjpeg', '-restart', '2B'], ppm(large))),
        ('restart interval, progressive', 'jpegtran',
         run(['jpegtran', '-restart', '1', '-progressive'], run(['cjpeg'], ppm(large)))),
        ('optimised tables', 'jpegtran', run(['jpegtran', '-optimize'], run(['cjpeg', '-grayscale'], ppm(large)))),
    ]
    for path in real_files:
        if os.path.isfile(path):
            with open(path, 'rb') as f:
                rows.append((os.path.basename(path), 'Debian package', f.read()))
    # The table holds what its names say.
    named = {name: data for name, _, data in rows}
    assert b'\xff\xc2' in named['progressive']
    assert b'Adobe' in named['CMYK, Adobe segment']
    assert named['EXIF with a thumbnail'].count(b'\xff\xd8\xff') == 2
    for name in ('restart interval, baseline', 'restart interval, progressive'):
        assert b'\xff\xdd' in named[name] and b'\xff\xd0' in named[name], name
    assert b'\xff\xc2' in named['restart interval, progressive']
    return rows


def noise(n):
    # No FF D8 in the filler, so that nothing but the fixtures can start a JPEG.
    return bytes(rnd.randrange(255) for _ in range(n))


def pdf_of(images):
    """A PDF with one page per JPEG, each drawn from its own DCTDecode stream."""
    objects = [b'<< /Type /Catalog /Pages 2 0 R >>', None]
    kids = []
    for data in images:
        im = Image.open(io.BytesIO(data))
        space = {'L': '/DeviceGray', 'RGB': '/DeviceRGB', 'CMYK': '/DeviceCMYK'}[im.mode]
        image_no = len(objects) + 1
        objects.append(f'<< /Type /XObject /Subtype /Image /Width {im.width} /Height {im.height} /ColorSpace {space} '
                       f'/BitsPerComponent 8 /Filter /DCTDecode /Length {len(data)} >>\nstream\n'.encode()
                       + data + b'\nendstream')
        draw = f'q {im.width} 0 0 {im.height} 0 0 cm /I Do Q'.encode()
        objects.append(b'<< /Length %d >>\nstream\n' % len(draw) + draw + b'\nendstream')
        objects.append(f'<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {im.width} {im.height}] '
                       f'/Resources << /XObject << /I {image_no} 0 R >> >> /Contents {image_no + 1} 0 R >>'.encode())
        kids.append(f'{len(objects)} 0 R')
    objects[1] = f'<< /Type /Pages /Kids [{" ".join(kids)}] /Count {len(kids)} >>'.encode()
    out = bytearray(b'%PDF-1.4\n%\xe2\xe3\xcf\xd3\n')
    offsets = []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b'%d 0 obj\n' % i + body + b'\nendobj\n'
    xref = len(out)
    out += b'xref\n0 %d\n0000000000 65535 f \n' % (len(objects) + 1)
    for at in offsets:
        out += b'%010d 00000 n \n' % at
    out += b'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' % (len(objects) + 1, xref)
    return bytes(out)


def dct_streams(pdf):
    """The DCTDecode streams of a PDF, in file order."""
    out = []
    for m in re.finditer(rb'obj\s*<<(.*?)>>\s*stream\r?\n', pdf, re.S):
        if b'/DCTDecode' in m.group(1):
            length = int(re.search(rb'/Length (\d+)', m.group(1)).group(1))
            out.append(pdf[m.end():m.end() + length])
    return out


def damaged_forms(good):
    frame = good.index(b'\xff\xc0') if b'\xff\xc0' in good else good.index(b'\xff\xc2')
    scan = good.index(b'\xff\xda')
    return [
        ('cut off before its EOI', good[:-2]),
        ('header and no scan', good[:scan] + b'\xff\xd9'),
        ('bare signature', b'\xff\xd8\xff'),
        ('frame without width', good[:frame + 7] + b'\0\0' + good[frame + 9:]),
        # Last: its length runs past the end of the file, over the good one.
        ('segment length beyond the file', b'\xff\xd8\xff\xe1\xff\xff' + noise(100)),
    ]


def main():
    args = sys.argv[1:]
    runner = []
    if args[:1] == ['--runner']:
        runner, args = args[1:2], args[2:]
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    cli, work = runner + [args[0]], os.path.abspath(args[1])
    shutil.rmtree(work, ignore_errors=True)
    src = os.path.join(work, 'src')
    os.makedirs(src)
    rows = fixtures(args[2:])
    expected = {}  # container file name -> the JPEG files it must give, in order

    def put(name, data, jpegs):
        with open(os.path.join(src, name), 'wb') as f:
            f.write(data)
        expected[name] = jpegs

    for i, (_, _, data) in enumerate(rows):
        put(f'odd{i:02}.bin', noise(1001) + data + noise(333), [data])
        put(f'even{i:02}.bin', noise(2000) + data + noise(2), [data])
    archive = io.BytesIO()
    with zipfile.ZipFile(archive, 'w', zipfile.ZIP_STORED) as z:
        for i, (_, _, data) in enumerate(rows):
            z.writestr(f'photo{i:02}.jpg', data)
    put('photos.zip', archive.getvalue(), [data for _, _, data in rows])
    put('pages.pdf', pdf_of([data for _, _, data in rows]), [data for _, _, data in rows])
    pages = io.BytesIO()
    photo = picture(67, 45)
    photo.save(pages, 'PDF', save_all=True, append_images=[photo.convert('L'), photo.convert('CMYK')])
    streams = dct_streams(pages.getvalue())
    assert len(streams) == 3
    put('pillow.pdf', pages.getvalue(), streams)
    good = rows[0][2]
    damaged = damaged_forms(good)
    put('damaged.bin', b''.join(noise(7) + d for _, d in damaged[:-1]) + noise(5) + good + damaged[-1][1],
        [good])

    failures = []
    results = {}
    for label, options in (('bmp', []), ('png', ['--format', 'png', '--gallery'])):
        out = os.path.join(work, f'out-{label}')
        os.makedirs(out)
        manifest = os.path.join(work, f'{label}.csv')
        subprocess.run([*cli, '-q', '--all', *options, '--manifest', manifest, '-o', out, src], check=True,
                       stdout=subprocess.DEVNULL)
        with open(manifest, newline='', encoding='utf-8') as f:
            logged = {r['file']: r for r in csv.DictReader(f)}
        written = sorted(f for f in os.listdir(out) if f != 'index.html')
        page = ''
        if '--gallery' in options:
            with open(os.path.join(out, 'index.html'), encoding='utf-8') as f:
                page = f.read()
        for name, jpegs in expected.items():
            base, ext = os.path.splitext(name)
            want = [f'{base}-{ext[1:]}-{k}.jpg' for k in range(len(jpegs))]
            got = sorted((f for f in written if f.startswith(f'{base}-{ext[1:]}-')),
                         key=lambda f: int(f.rsplit('-', 1)[1].split('.')[0]))
            ok = got == want
            if not ok:
                failures.append(f'{label} {name}: wrote {got}, wanted {want}')
            for f, original in zip(got if ok else [], jpegs):
                with open(os.path.join(out, f), 'rb') as g:
                    data = g.read()
                why = check(data, original, logged.get(f))
                if not why and '--gallery' in options and f'<a class="card jpeg" href="{f}"><div class="pic"><img' not in page:
                    why = 'not shown in the gallery'

                if why:
                    failures.append(f'{label} {name} {f}: {why}')
                    ok = False
            results[(label, name)] = ok

    def verdict(*names):
        return 'ok' if all(results[(label, n)] for label in ('bmp', 'png') for n in names) else 'FAIL'

    print(f'{"JPEG":32} {"encoder":16} {"bytes":>8}  odd  even  zip  pdf')
    for i, (what, encoder, data) in enumerate(rows):
        print(f'{what:32} {encoder:16} {len(data):8}  {verdict(f"odd{i:02}.bin"):4} {verdict(f"even{i:02}.bin"):5}'
              f' {verdict("photos.zip"):4} {verdict("pages.pdf")}')
    print(f'Pillow\'s PDF pages (RGB, grey, CMYK): {verdict("pillow.pdf")}')
    print(f'damaged forms ({", ".join(w for w, _ in damaged)}) passed over, good one after them found: '
          f'{verdict("damaged.bin")}')
    for f in failures:
        print('FAIL', f)
    return 1 if failures else 0


def check(data, original, row):
    if data != original:
        return f'{len(data)} bytes differ from the {len(original)} put in'
    a, b = Image.open(io.BytesIO(data)), Image.open(io.BytesIO(original))
    if a.size != b.size or a.mode != b.mode or a.tobytes() != b.tobytes():
        return 'pixels differ'
    if row is None:
        return 'no manifest row'
    want = ('jpeg', str(a.width), str(a.height), str(8 * len(a.getbands())))
    got = (row['kind'], row['width'], row['height'], row['bits'])
    if got != want:
        return f'manifest says {got}, wanted {want}'
    return None


if __name__ == '__main__':
    sys.exit(main())
