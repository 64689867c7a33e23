#!/usr/bin/python3
"""Large GIFs made by an encoder other than ours and giflib's: Pillow.

usage: make_pillow_gifs.py OUTDIR [NAME ...]

Writes, unless already there:
  photo_3000x2000.gif             photo-like, 256 colours, sequential rows
  photo_3000x2000_interlaced.gif  the same picture, interlaced
  dithered_2400x1600.gif          photo-like, Floyd-Steinberg dithered to 256 colours
  animation_120x320x240.gif       120 photo-like frames of 320 x 240

"Photo-like": smooth shading from gradients and a blurred fractal, a coarse
texture and a little per-pixel noise, quantised to 256 colours. Pillow's
noise comes from the C library's unseeded rand(), so the files come out the
same on every run of one machine.
"""
import os
import sys

from PIL import Image, ImageChops, ImageFilter


def photo(w, h, seed):
    g = Image.linear_gradient("L").resize((w, h), Image.BILINEAR)
    r = Image.radial_gradient("L").resize((w, h), Image.BILINEAR)
    m = Image.effect_mandelbrot((w, h), (-2.2 + seed * 0.01, -1.2, 1.0, 1.2), 60).filter(ImageFilter.GaussianBlur(4))
    texture = Image.effect_noise((max(1, w // 8), max(1, h // 8)), 64).resize((w, h), Image.BICUBIC)
    bases = (ImageChops.multiply(g, m), r.rotate(15 + seed), ImageChops.blend(m, g.transpose(Image.FLIP_LEFT_RIGHT), 0.5))
    channels = []
    for i, base in enumerate(bases):
        noise = Image.effect_noise((w, h), 2)
        channels.append(ImageChops.add(ImageChops.blend(base, texture, 0.35 + 0.1 * i), noise, 1.0, -128))
    return Image.merge("RGB", channels)


def quantised(im):
    return im.quantize(256, dither=Image.Dither.NONE)


def dithered(im):
    palette = im.quantize(256)
    return im.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG)


def make(name, path):
    if name == "photo_3000x2000.gif":
        quantised(photo(3000, 2000, 0)).save(path, format="GIF", interlace=0)
    elif name == "photo_3000x2000_interlaced.gif":
        quantised(photo(3000, 2000, 0)).save(path, format="GIF", interlace=1)
    elif name == "dithered_2400x1600.gif":
        dithered(photo(2400, 1600, 3)).save(path, format="GIF", interlace=0)
    elif name == "animation_120x320x240.gif":
        frames = [quantised(photo(320, 240, i)) for i in range(120)]
        frames[0].save(path, format="GIF", save_all=True, append_images=frames[1:], duration=40, loop=0, interlace=0)
    else:
        raise SystemExit("unknown file " + name)


NAMES = ["photo_3000x2000.gif", "photo_3000x2000_interlaced.gif", "dithered_2400x1600.gif",
         "animation_120x320x240.gif"]


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name in sys.argv[2:] or NAMES:
        path = os.path.join(out, name)
        if not os.path.exists(path):
            make(name, path + ".part")
            os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
