#!/usr/bin/python3
"""Compares two folders of written images: the same file names, and in each
pair of files the same picture, pixel for pixel (size and RGBA values as
Pillow decodes them), whichever encoder wrote the bytes.

Usage: same_pictures.py FOLDER_A FOLDER_B
"""
import os
import sys

from PIL import Image


def picture(path):
    with Image.open(path) as image:
        return image.size, image.convert('RGBA').tobytes()


def main():
    a, b = sys.argv[1:3]
    names_a = sorted(os.listdir(a))
    names_b = sorted(os.listdir(b))
    if names_a != names_b:
        print('only in %s: %s' % (a, sorted(set(names_a) - set(names_b))[:20]))
        print('only in %s: %s' % (b, sorted(set(names_b) - set(names_a))[:20]))
        return 1
    differ = [n for n in names_a if picture(os.path.join(a, n)) != picture(os.path.join(b, n))]
    for name in differ[:20]:
        print('different pictures:', name)
    print('%d pictures compared, %d differ' % (len(names_a), len(differ)))
    return 1 if differ else 0


if __name__ == '__main__':
    sys.exit(main())
