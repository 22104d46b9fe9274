"""Skins, archives and songs built by the tests: bitmaps of the kinds the
platform loads (written byte by byte where Pillow cannot: RLE-compressed 8
bits, 32 bits with a version-5 header), a Skins folder of twenty skins with
the verdict of each, and songs in every format the preview reads; and the
running of scripts/check and scripts/preview."""

import io
import os
import struct
import subprocess
import sys
import unittest
import zipfile

import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPTS = os.path.join(ROOT, 'scripts')
VIS = (24, 43, 100, 59)        # the analyser area: left, top, right, bottom


def squeeze(line):
    return ' '.join(line.split())


def run_tool(tool, *args):
    """scripts/TOOL's exit status, output and error output."""
    result = subprocess.run([os.path.join(SCRIPTS, tool)] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    return (result.returncode, result.stdout.decode(errors='replace'),
            result.stderr.decode(errors='replace'))


def colours_of(pixels):
    """The RGB colours in an array of pixels."""
    return {tuple(int(v) for v in c) for c in np.unique(pixels.reshape(-1, 3), axis=0)}


class ReportChecks:
    def expect_lines(self, expected, lines):
        for line in expected:
            self.assertIn(line, lines, 'missing line; the output:\n' + '\n'.join(lines))


def main():
    """Runs the tests of the calling file under the virtual display."""
    if not os.environ.get('ZELPIN_DISPLAY_UP'):
        os.execv(os.path.join(SCRIPTS, 'with-display'),
                 [os.path.join(SCRIPTS, 'with-display'), sys.executable] + sys.argv)
    unittest.main()


def in_vis_area(x, y):
    return VIS[0] <= x < VIS[2] and VIS[1] <= y < VIS[3]


def framed(frame, vis, size=(275, 116)):
    """Pixels of a main bitmap: the frame colour around the vis area's (or
    its 16 rows' colours)."""
    return [[(vis[y - VIS[1]] if isinstance(vis, list) else vis) if in_vis_area(x, y) else frame
             for x in range(size[0])] for y in range(size[1])]


def halves(frame):
    """The vis area's left half 10,20,30, its right half 30,40,50."""
    rows = framed(frame, (10, 20, 30))
    for row in rows[VIS[1]:VIS[3]]:
        row[62:VIS[2]] = [(30, 40, 50)] * 38
    return rows


def saved(image, kind='BMP'):
    out = io.BytesIO()
    image.save(out, kind)
    return out.getvalue()


def bmp_24(rows):
    image = Image.new('RGB', (len(rows[0]), len(rows)))
    image.putdata([c for row in rows for c in row])
    return saved(image)


def bmp_8(rows):
    """An uncompressed 8-bit bitmap, its colour table the colours used."""
    palette = sorted({c for row in rows for c in row})
    image = Image.new('P', (len(rows[0]), len(rows)))
    image.putpalette([v for c in palette for v in c] + [0] * (768 - 3 * len(palette)))
    image.putdata([palette.index(c) for row in rows for c in row])
    return saved(image)


def file_header(info_and_palette, pixels):
    offset = 14 + len(info_and_palette)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info_and_palette + pixels


def bmp_rle8(rows):
    """An 8-bit bitmap compressed with run lengths (BI_RLE8)."""
    palette = sorted({c for row in rows for c in row})
    index = {c: k for k, c in enumerate(palette)}
    data = bytearray()
    for row in reversed(rows):
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            data += bytes([run, index[row[x]]])
            x += run
        data += b'\x00\x00'
    data[-2:] = b'\x00\x01'
    info = struct.pack('<IiiHHIIiiII', 40, len(rows[0]), len(rows), 1, 8, 1, len(data),
                       2835, 2835, len(palette), len(palette))
    table = b''.join(bytes([b, g, r, 0]) for r, g, b in palette)
    return file_header(info + table, bytes(data))


def bmp_v5_32(rows):
    """A 32-bit bitmap with a version-5 header and colour masks."""
    pixels = b''.join(bytes([b, g, r, 255]) for row in reversed(rows) for r, g, b in row)
    info = struct.pack('<IiiHHIIiiII', 124, len(rows[0]), len(rows), 1, 32, 3, len(pixels),
                       2835, 2835, 0, 0)
    info += struct.pack('<IIII', 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    info += b'BGRs' + bytes(36) + struct.pack('<III', 0, 0, 0)
    info += struct.pack('<IIII', 4, 0, 0, 0)
    assert len(info) == 124
    return file_header(info, pixels)


def settings(**keys):
    return '[ZELPIN]\r\n' + ''.join('%s=%d\r\n' % kv for kv in keys.items())


def write_folder(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data.encode() if isinstance(data, str) else data)


def write_zip(path, entries):
    """entries: (name, bytes or str) in archive order."""
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as zf:
        for name, data in entries:
            zf.writestr(name, data)


# Twenty skins. Each frame colour gives its own signature, apart from
# Echo-1 and Echo-2 (one frame colour, two vis colours) and Kelp and Kelp-2
# (two sample points apart).
def frame_colour(k):
    return ((16 * k + 8) % 256, 255 - 12 * k, (40 * k) % 256)


def vis_colour(k):
    return (k * 11 % 256, 60 + k * 5, 200 - k * 7)


SKINS = ['Aurora', 'birch.wsz', 'Cedar', 'Dune', 'Echo-1', 'Echo-2', 'Fjord.zip', 'Glacier',
         'Harbour', 'Iris', 'Juniper', 'Kelp', 'Kelp-2', 'Lagoon', 'Meadow', 'Nimbus', 'Orchid',
         'Pine', 'Quartz', 'Reef']


def make_collection(folder):
    """The Skins folder; returns {skin: vis colour}."""
    os.makedirs(folder)
    colours = {}
    for k, name in enumerate(SKINS):
        frame, vis = frame_colour(k), vis_colour(k)
        if name == 'Echo-2':
            frame = frame_colour(k - 1)
        if name == 'Kelp-2':
            frame = frame_colour(k - 1)
        colours[name] = vis
        rows = framed(frame, vis)
        if name == 'Kelp-2':
            rows[16][4] = rows[111][270] = (0, 0, 0)   # two of the sample points
        files = {'main.bmp': bmp_24(rows)}
        if name == 'Harbour':
            files = {'main.bmp': bmp_24(framed(frame, vis, (275, 150)))}
        if name == 'Glacier':
            files = {'main.bmp': bmp_v5_32(rows)}
        if name == 'Cedar':
            files['zelpin.txt'] = settings(Enable=0)
        if name == 'Dune':
            files['viscolor.txt'] = '0,0,0\n// nothing\n300,0,0\n'
        if name == 'Iris':
            files['main.bmp'] = files['main.bmp'][:1000]
        if name == 'Pine':
            files['zelpin.txt'] = settings(BlendMethod=1, Peaks=1, Rain=1, Ratio=100)
        if name == 'birch.wsz':
            write_zip(os.path.join(folder, name), [
                ('Birch/', b''), ('Birch/MAIN.BMP', bmp_24(rows)),
                ('Birch/Zelpin.Txt', settings(Peaks=0)), ('Birch/readme.txt', 'birch')])
        elif name == 'Fjord.zip':
            write_zip(os.path.join(folder, name), [('main.bmp', bmp_rle8(rows))])
        else:
            write_folder(os.path.join(folder, name), files)
    write_folder(folder, {'readme.txt': 'not a skin', 'thumb.bmp': bmp_24(framed((1, 2, 3), (4, 5, 6)))})
    return colours


def write_song(path):
    """The first 3 seconds of the bundled tune, in the format the name's
    ending gives (.flac, .ogg, .mp3, .wav), written by libsndfile."""
    import soundfile
    from scriptlib.make_sample import RATE, make_tune
    soundfile.write(path, make_tune()[:3 * RATE], RATE)


# Each skin's verdict; None where there is no figure (Cedar has Enable 0,
# Iris a cut main bitmap). Orange-brown backgrounds under the default orange
# bars are faint.
VERDICTS = {name: 'clearly visible' for name in SKINS}
VERDICTS.update(Cedar=None, Iris=None, Orchid='faint', Quartz='faint', Reef='faint')
