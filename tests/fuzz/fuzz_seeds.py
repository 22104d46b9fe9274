"""Writes the fuzzers' first inputs into OUTDIR/<target>/, from the skins the
project generates: the bundled sample's (scriptlib/make_sample.py) and the
tests' Skins folder (tests/support/skin_collection_fixtures.py), plus each bitmap
layout the plug-in takes, small: core and info headers, 1 to 32 bits,
run-length coded, bit fields, version 5.

usage: python3 -m tests.fuzz.fuzz_seeds OUTDIR
"""

import io
import os
import struct
import sys


from scriptlib import make_sample
from tests.support import skin_collection_fixtures as fixtures

def pillow_bmp(image):
    out = io.BytesIO()
    image.save(out, 'BMP')
    return out.getvalue()


def small(bits, compression=0, masks=b''):
    """An 8 x 4 picture at the given depth, uncompressed or in bit fields."""
    width, height = 8, 4
    colours = 1 << bits if bits <= 8 else 0
    table = b''.join(bytes([16 * i % 256, 255 - i, 7 * i % 256, 0]) for i in range(colours))
    stride = (width * bits + 31) // 32 * 4
    rows = b''
    for y in range(height):
        value = sum(((x + y) % max(colours, 2)) << (bits * (width - 1 - x))
                    for x in range(width)) if bits < 8 else 0
        row = value.to_bytes(width * bits // 8, 'big') if bits < 8 else \
            bytes((x * 37 + y * 11) % 256 for x in range(width * bits // 8))
        rows += row.ljust(stride, b'\0')
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, len(rows),
                       2835, 2835, 0, 0)
    return fixtures.file_header(info + masks + table, rows)


def as_core(bmp):
    """The same picture with the 12-byte core header: 3-byte colour entries."""
    width, height, planes, bits = struct.unpack_from('<iiHH', bmp, 18)
    offset = struct.unpack_from('<I', bmp, 10)[0]
    table = bmp[54:offset]
    table = b''.join(table[i:i + 3] for i in range(0, len(table), 4))
    info = struct.pack('<IHHHH', 12, width, height, planes, bits)
    return fixtures.file_header(info + table, bmp[offset:])


def bitmaps():
    seeds = {}
    for seed, (name, s) in enumerate(sorted(make_sample.SKINS.items())):
        seeds['sample-%s.bmp' % name] = pillow_bmp(make_sample.make_main_bitmap(name, s, seed))
    rows = fixtures.framed(fixtures.frame_colour(3), fixtures.vis_colour(3))
    seeds['collection-24.bmp'] = fixtures.bmp_24(rows)
    seeds['collection-rle8.bmp'] = fixtures.bmp_rle8(rows)
    seeds['collection-v5-32.bmp'] = fixtures.bmp_v5_32(rows)
    seeds['collection-cut.bmp'] = fixtures.bmp_24(rows)[:1000]
    tiny = fixtures.framed((200, 40, 10), (5, 90, 250), (8, 4))
    seeds['small-rle8.bmp'] = fixtures.bmp_rle8(tiny)
    seeds['small-v5-32.bmp'] = fixtures.bmp_v5_32(tiny)
    for bits in (1, 4, 8, 24, 32):
        seeds['small-%d.bmp' % bits] = small(bits)
    seeds['small-16-fields.bmp'] = small(16, 3, struct.pack('<III', 0xF800, 0x07E0, 0x001F))
    for bits in (1, 8, 24):
        seeds['small-core-%d.bmp' % bits] = as_core(small(bits))
    return seeds


def colour_files():
    seeds = {'sample-%s.txt' % name: make_sample.viscolor_text(name, s).encode()
             for name, s in make_sample.SKINS.items()}
    seeds['collection-Dune.txt'] = b'0,0,0\n// nothing\n300,0,0\n'
    seeds['tests.txt'] = b''.join(b'%d,%d,%d // entry %d\r\n' % (c, 255 - c, 128, i)
                                  for i, c in enumerate(range(0, 240, 10)))
    seeds['odd.txt'] = b'239, 49,16 // red\n\n  -1\t300 ,7\r\n255,,0\n+12 -0 0009\n'
    return seeds


def skin_paths():
    """A code-page byte, the player's SkinDir value, NUL, its program path."""
    exe = b'C:\\Program Files\\Winamp\\winamp.exe'
    names = [n.encode() for n in fixtures.SKINS + sorted(make_sample.SKINS)]
    seeds = {}
    for i, name in enumerate(names):
        skin_dir = b'' if i % 3 == 0 else b'D:\\Skins' + (b'\\' if i % 3 == 2 else b'')
        seeds['%02d-%s' % (i, name.decode())] = bytes([i % 2]) + skin_dir + b'\0' + exe
    seeds['dbcs'] = b'\x01C:\\\x83\x5c\x83\x5c\0C:\\\x95\x5c\\winamp'
    seeds['long'] = b'\x00' + b'S' * 258 + b'\0' + b'C:\\' + b'p' * 250 + b'.exe'
    return seeds


def main():
    outdir = sys.argv[1]
    for target, seeds in (('bmp_check', bitmaps()), ('vis_color', colour_files()),
                          ('skin_path', skin_paths())):
        folder = os.path.join(outdir, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
