#!/usr/bin/python3
"""gif2bmp against an independent decoder (Pillow), pixel for pixel.

The GIFs are made at test time by independent encoders: ImageMagick's
`convert` and giflib's `gifbuild`. Each must convert with exit status 0 and
give the same RGB pixels as Pillow's first frame.

usage: compare_with_reference.py GIF2BMP WORKDIR
"""
import os
import random
import shutil
import subprocess
import sys

from PIL import Image


def run(*args, **kw):
    subprocess.run(args, check=True, **kw)


def imagemagick_cases(work):
    """ImageMagick-encoded GIFs: photo-like, flat, interlaced, odd widths, animation."""
    cases = []

    def convert(name, *args):
        path = os.path.join(work, name)
        run("convert", *args, path)
        cases.append(path)

    convert("im_photo.gif", "-size", "211x97", "plasma:fractal", "-colors", "256")
    convert("im_flat.gif", "-size", "64x40", "xc:navy", "-fill", "yellow", "-draw", "rectangle 5,5 30,20")
    convert("im_interlaced.gif", "-size", "101x67", "plasma:fractal", "-colors", "200", "-interlace", "GIF")
    convert("im_odd_1x1.gif", "-size", "1x1", "xc:red")
    convert("im_odd_3x2.gif", "-size", "3x2", "gradient:red-blue", "-colors", "4")
    convert("im_odd_7x5_interlaced.gif", "-size", "7x5", "plasma:", "-colors", "16", "-interlace", "GIF")
    convert("im_gray16.gif", "-size", "33x9", "gradient:", "-colors", "16")
    # Several frames with tables of their own; only the first is shown.
    frames = []
    for i, colours in enumerate(("red-yellow", "green-blue", "white-black")):
        frame = os.path.join(work, "frame%d.gif" % i)
        run("convert", "-size", "45x31", "gradient:" + colours, "-colors", str(8 << i), frame)
        frames.append(frame)
    convert("im_animation.gif", *frames)
    convert("im_animation_interlaced.gif", *frames, "-interlace", "GIF")
    return cases


def gifbuild_case(work, name, screen_map, images):
    """A GIF made by giflib's gifbuild from a text description.

    images: list of dicts with width, height, pixels (row-major indices),
    interlaced and optional local map (list of RGB triples).
    """
    lines = ["screen width %d" % images[0]["width"], "screen height %d" % images[0]["height"],
             "screen colors 256", "screen background 0", "pixel aspect byte 0", ""]

    def color_map(keyword, colours):
        lines.append(keyword)
        for i, (r, g, b) in enumerate(colours):
            lines.append("\trgb %03d %03d %03d is %02x" % (r, g, b, i))
        lines.append("end")
        lines.append("")

    color_map("screen map", screen_map)
    for n, image in enumerate(images, 1):
        lines += ["image # %d" % n, "image left 0", "image top 0"]
        if image.get("interlaced"):
            lines.append("image interlaced")
        if image.get("map"):
            color_map("image map", image["map"])
        w, h = image["width"], image["height"]
        lines.append("image bits %d by %d hex" % (w, h))
        for y in range(h):
            lines.append("".join("%02x" % p for p in image["pixels"][y * w:(y + 1) * w]))
        lines.append("")
    path = os.path.join(work, name)
    with open(path, "wb") as out:
        run("gifbuild", input="\n".join(lines).encode(), stdout=out)
    return path


def giflib_cases(work):
    rng = random.Random(7)
    ramp = [(i, (i * 7) % 256, 255 - i) for i in range(256)]
    other = [((i * 3) % 256, i, (i * 11) % 256) for i in range(256)]

    def noise(w, h, colours):
        return [rng.randrange(colours) for _ in range(w * h)]

    def smooth(w, h):
        return [(x * 5 + y * 3) % 256 for y in range(h) for x in range(w)]

    return [
        gifbuild_case(work, "gl_noise_odd.gif", ramp, [dict(width=127, height=61, pixels=noise(127, 61, 256))]),
        gifbuild_case(work, "gl_smooth.gif", ramp, [dict(width=300, height=200, pixels=smooth(300, 200))]),
        gifbuild_case(work, "gl_interlaced.gif", ramp,
                      [dict(width=13, height=29, pixels=noise(13, 29, 256), interlaced=True)]),
        gifbuild_case(work, "gl_local_map.gif", ramp,
                      [dict(width=21, height=11, pixels=noise(21, 11, 256), map=other),
                       dict(width=21, height=11, pixels=noise(21, 11, 256))]),
        gifbuild_case(work, "gl_frames_interlaced_local.gif", ramp,
                      [dict(width=9, height=10, pixels=smooth(9, 10), interlaced=True, map=other),
                       dict(width=9, height=10, pixels=noise(9, 10, 256), map=ramp),
                       dict(width=9, height=10, pixels=noise(9, 10, 256), interlaced=True)]),
    ]


def compare(gif2bmp, gif, work):
    bmp = os.path.join(work, os.path.basename(gif) + ".bmp")
    result = subprocess.run([gif2bmp, gif, bmp], capture_output=True, text=True)
    if result.returncode != 0:
        return "gif2bmp failed (%d): %s" % (result.returncode, result.stderr.strip())
    with Image.open(gif) as reference_image:
        reference_image.seek(0)
        reference = reference_image.convert("RGB")
    with Image.open(bmp) as ours_image:
        ours = ours_image.convert("RGB")
    if reference.size != ours.size:
        return "size %s, expected %s" % (ours.size, reference.size)
    ref_px, our_px = reference.load(), ours.load()
    for y in range(reference.size[1]):
        for x in range(reference.size[0]):
            if ref_px[x, y] != our_px[x, y]:
                return "pixel (%d, %d) is %s, expected %s" % (x, y, our_px[x, y], ref_px[x, y])
    return None


def failure_cases(gif2bmp, work):
    """A failed load: exit status 1, the exception's message on stderr, no output file."""
    problems = []
    cases = [
        ("bad_version.gif", b"GIF88a" + bytes(7) + b";", "Gif Version must be 87a or 89a"),
        ("no_image.gif", b"GIF89a" + bytes(7) + b";", "リストのインデックスが範囲を超えています (0)"),
        ("missing.gif", None, "Cannot open file"),
    ]
    for name, data, message in cases:
        gif = os.path.join(work, name)
        if data is not None:
            with open(gif, "wb") as f:
                f.write(data)
        bmp = gif + ".bmp"
        result = subprocess.run([gif2bmp, gif, bmp], capture_output=True)
        stderr = result.stderr.decode("utf-8", "replace")
        if result.returncode != 1 or message not in stderr or os.path.exists(bmp):
            problems.append("%s: status %d, stderr %r, output left: %s"
                            % (name, result.returncode, stderr, os.path.exists(bmp)))
    return problems


def main():
    gif2bmp, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    failures = 0
    for gif in imagemagick_cases(work) + giflib_cases(work):
        problem = compare(gif2bmp, gif, work)
        print("%-40s %s" % (os.path.basename(gif), problem or "ok"))
        failures += problem is not None
    for problem in failure_cases(gif2bmp, work):
        print(problem)
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
