"""Converts BMP screenshots to PNG files, optionally enlarged.

usage: python3 -m scriptlib.to_png IN.bmp [IN2.bmp ...] [--scale N] [--outdir DIR]
Each IN.bmp becomes IN.png (in DIR when given).
"""

import argparse
import os

from PIL import Image


def to_png(path, scale=1, outdir=None):
    image = Image.open(path).convert('RGB')
    if scale > 1:
        image = image.resize((image.width * scale, image.height * scale), Image.NEAREST)
    base = os.path.splitext(os.path.basename(path))[0] + '.png'
    out = os.path.join(outdir or os.path.dirname(path), base)
    image.save(out)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('bmp', nargs='+')
    parser.add_argument('--scale', type=int, default=1)
    parser.add_argument('--outdir')
    args = parser.parse_args()
    for path in args.bmp:
        to_png(path, args.scale, args.outdir)


if __name__ == '__main__':
    main()
