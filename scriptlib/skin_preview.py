"""Plays a tune in the stand-in host with the real plug-in and a given skin
(a folder or a .wsz/.zip archive), and writes what the analyser shows (run
by scripts/preview under the virtual display, with env.sh's environment).
With --all, plays every skin of a Skins folder for a short while and writes
a contact sheet instead (see skin_sheet.py): sheet.png and sheet.gif.

Output folder (default out/preview/<skin name>/):
  analyser.gif   the analyser in the skin's own settings, enlarged 4 times
  variants.gif   the skin's own settings above every style (bars, peaks,
                 rain) in every blend method (mix, add, subtract), side by
                 side, enlarged 3 times; the cell of the own settings framed,
                 and beside the own settings, framed, the blend and ratio
                 whose bars stand out best when that is another one
  main.png       the whole main window, mid-tune, in the own settings
  check.txt      what the plug-in reads from the skin and how visible its
                 analyser is (scripts/check)
  captures/      with --keep-captures: the host's capture of every run
                 (own.cap, <style>-<blend>.cap, best.cap)

usage: python3 -m scriptlib.skin_preview SKIN [WAV] [--out DIR] [--seconds S]
                       [--plugin-ini FILE] [--keep-captures]
       python3 -m scriptlib.skin_preview --all SKINS [WAV] [--out DIR] [--seconds S]
                       [--plugin-ini FILE]
"""

import os
import shutil
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

from PIL import Image, ImageDraw, ImageFont

from scriptlib import capture_to_gif, skin_sheet, skin_visibility
from scriptlib.command_line import Parser
from scriptlib.pictures import (BACKDROP, BEST, INK, MARK, VIS_H, VIS_W, enlarge, frame_at,
                                save_gif, timeline)
from scriptlib.player_runs import (lay_out_player, report_text, run_host, sample_tune, wine,
                                   windows_path, write_frames)
from scriptlib.skin_archive import SkinInputError, open_skin

OWN_SCALE = 4
GRID_SCALE = 3
STYLES = (('bars', 0, 0), ('peaks', 1, 0), ('rain', 1, 1))
BLENDS = (('mix', 0), ('add', 1), ('subtract', 2))
PARALLEL_RUNS = 4

PAD = 6


def read_settings(path):
    """The settings in effect, as the check program wrote them."""
    values = {}
    with open(path, newline='') as f:
        for line in f:
            key, sep, value = line.strip().partition('=')
            if sep:
                values[key] = int(value)
    return values


class Grid:
    """Where the panels of variants.gif go, and the labels around them."""

    def __init__(self, own_label, own_cell, best_label=None):
        font = ImageFont.load_default()
        self.font = font
        w, h = VIS_W * GRID_SCALE, VIS_H * GRID_SCALE
        text_h = 12
        label_w = max(font.getbbox(name)[2] for name, _ in BLENDS) + PAD
        self.own = (PAD + label_w, PAD + text_h)
        top = self.own[1] + h + PAD + text_h
        self.cells = {}
        for row, (blend, _) in enumerate(BLENDS):
            for col, (style, _, _) in enumerate(STYLES):
                self.cells[(style, blend)] = (PAD + label_w + col * (w + PAD), top + row * (h + PAD))
        self.size = (PAD + label_w + 3 * (w + PAD), top + 3 * (h + PAD))
        self.background = Image.new('RGB', self.size, BACKDROP)
        draw = ImageDraw.Draw(self.background)
        draw.text((self.own[0], self.own[1] - text_h), own_label, fill=INK, font=font)
        # The best variant sits in the last column, clear of a long own label.
        self.best = None
        if best_label:
            self.best = (self.own[0] + 2 * (w + PAD), self.own[1])
            x, y = self.best
            draw.text((x, y - text_h), best_label, fill=BEST, font=font)
            draw.rectangle([x - 2, y - 2, x + w + 1, y + h + 1], outline=BEST)
        for col, (style, _, _) in enumerate(STYLES):
            x, y = self.cells[(style, BLENDS[0][0])]
            draw.text((x, y - text_h), style, fill=INK, font=font)
        for blend, _ in BLENDS:
            x, y = self.cells[(STYLES[0][0], blend)]
            draw.text((PAD, y + h // 2 - 5), blend, fill=INK, font=font)
        if own_cell:
            x, y = self.cells[own_cell]
            draw.rectangle([x - 2, y - 2, x + w + 1, y + h + 1], outline=MARK)

    def compose(self, own, variants):
        image = self.background.copy()
        image.paste(enlarge(own, GRID_SCALE), self.own)
        for key, panel in variants.items():
            image.paste(enlarge(panel, GRID_SCALE), self.best if key == 'best' else self.cells[key])
        return image


def make_gifs(out, captures, settings, enabled, best_label=None):
    own = captures['own']
    slots = timeline(captures.values())
    exact = save_gif([enlarge(frame_at(own, s), OWN_SCALE) for s in slots],
                     os.path.join(out, 'analyser.gif'))

    style = 'bars' if not settings['Peaks'] else ('rain' if settings['Rain'] else 'peaks')
    blend = BLENDS[settings['BlendMethod']][0]
    if enabled:
        label = "the skin's own settings: %s, %s" % (style, blend)
    else:
        label = "the skin's own settings: Enable 0, no analyser"
    grid = Grid(label, (style, blend) if enabled else None, best_label)
    variants = {key: frames for key, frames in captures.items() if key != 'own'}
    exact &= save_gif([grid.compose(frame_at(own, s), {k: frame_at(f, s) for k, f in variants.items()})
                       for s in slots], os.path.join(out, 'variants.gif'))
    return exact


# ---------------------------------------------------------------- main

def preview_all(args, root, build, plugin_ini, wav):
    skins = os.path.abspath(args.skin)
    out = os.path.abspath(args.out or os.path.join(root, 'out', 'preview',
                                                   os.path.basename(skins) + '-sheet'))
    os.makedirs(out, exist_ok=True)
    os.makedirs(build, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='zelpin-frames-', dir=build) as work:
        frames = os.path.join(work, 'tune.frames')
        write_frames(wav, frames)
        cells, exact = skin_sheet.make_sheet(skins, out, build, plugin_ini, frames, args.seconds)
    for cell in cells:
        if cell.problem:
            print('preview: %s: %s' % (cell.name, cell.problem))
        elif not cell.shown:
            print('preview: %s shows no analyser in its own settings' % cell.name)
        elif cell.visibility:
            print('preview: %s: %s' % (cell.name, cell.visibility))
    if not exact:
        print('preview: some frames had more than 256 colours; sheet.gif shows them reduced')
    print('preview: %d skins in %s: sheet.png, sheet.gif' % (len(cells), out))


def main():
    parser = Parser('preview', description=__doc__.split('\n\n')[0])
    parser.add_argument('skin')
    parser.add_argument('wav', nargs='?')
    parser.add_argument('--all', action='store_true',
                        help='SKIN is a Skins folder: a contact sheet of every skin in it')
    parser.add_argument('--out')
    parser.add_argument('--seconds', type=float)
    parser.add_argument('--plugin-ini')
    parser.add_argument('--keep-captures', action='store_true')
    parser.add_argument('--no-build', action='store_true', help='(taken by scripts/preview)')
    args = parser.parse_args()

    root, build = os.environ['ZELPIN_ROOT'], os.environ['ZELPIN_BUILD']
    if args.seconds is None:
        args.seconds = 1.5 if args.all else 4.0
    if not 0.5 <= args.seconds <= 60:
        raise SystemExit('preview: --seconds must be 0.5..60')
    plugin_ini = os.path.abspath(args.plugin_ini or os.path.join(root, 'plugin', 'plugin.ini'))
    wav = os.path.abspath(args.wav) if args.wav else sample_tune(build)
    for path in (plugin_ini, wav):
        if not os.path.isfile(path):
            raise SystemExit('preview: %s does not exist' % path)
    try:
        if args.all:
            preview_all(args, root, build, plugin_ini, wav)
        else:
            with tempfile.TemporaryDirectory(prefix='zelpin-skin-') as unpacked:
                preview_one(args, root, build, plugin_ini, wav, open_skin(args.skin, unpacked))
    except SkinInputError as e:
        sys.stderr.write('preview: %s\n' % e)
        sys.exit(2)


def preview_one(args, root, build, plugin_ini, wav, skin):
    skin_dir = skin.folder
    skin_name = os.path.splitext(skin.name)[0] if skin.archive else skin.name
    out = os.path.abspath(args.out or os.path.join(root, 'out', 'preview', skin_name))
    for note in skin.notes:
        print('preview: %s: %s' % (skin.name, note))

    work = os.path.join(build, 'preview', skin_name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    os.makedirs(out, exist_ok=True)
    frames = os.path.join(work, 'tune.frames')
    write_frames(wav, frames)

    # What the plug-in reads, the settings in effect for the variants, and
    # how visible the analyser is.
    effective = os.path.join(work, 'effective.txt')
    pixels = os.path.join(work, 'pixels')
    check = wine([os.path.join(build, 'zelpin_skin_check.exe'), '--say-code-page',
                  windows_path(skin_dir),
                  '--plugin-ini', windows_path(plugin_ini), '--settings-out', windows_path(effective),
                  '--pixels-out', windows_path(pixels)])
    if check.returncode not in (0, 1) or not os.path.isfile(effective):
        raise SystemExit('preview: the skin check failed: %s' % check.stdout.decode(errors='replace'))
    visibility = skin_visibility.read_one(pixels)
    with open(os.path.join(out, 'check.txt'), 'w', encoding='utf-8', newline='') as f:
        f.write(report_text(check.stdout) + ''.join(line + '\n' for line in visibility.lines()))
    settings = read_settings(effective)
    enabled = check.returncode == 0

    runs = {'own': None}
    for blend, method in BLENDS:
        for style, peaks, rain in STYLES:
            runs[(style, blend)] = dict(settings, Enable=1, BlendMethod=method, Peaks=peaks, Rain=rain)
    best = visibility.best
    best_label = None
    if best and best is not visibility.own:
        runs['best'] = dict(settings, BlendMethod=best.method, Ratio=best.percent)
        best_label = 'best: ' + best.setting()
    names = {key: key if key in ('own', 'best') else '%s-%s' % key for key in runs}
    shot = os.path.join(work, 'main.bmp')

    def play(key):
        folder = os.path.join(work, names[key])
        lay_out_player(folder, build, plugin_ini, skin_dir, skin_name, runs[key])
        capture = os.path.join(work, names[key] + '.cap')
        run_host(folder, skin_name, frames, args.seconds, capture, shot if key == 'own' else None)
        return key, capture_to_gif.read_capture(capture)[1]

    print('preview: playing %s in %d runs of %g s with %s' % (skin_name, len(runs), args.seconds,
          os.path.join(build, 'vis_zelpin.dll')))
    with ThreadPoolExecutor(PARALLEL_RUNS) as pool:
        captures = dict(pool.map(play, runs))
    for key, frames_of in captures.items():
        if not frames_of:
            raise SystemExit('preview: the %s run captured no frames' % names[key])

    exact = make_gifs(out, captures, settings, enabled, best_label)
    Image.open(shot).convert('RGB').save(os.path.join(out, 'main.png'))
    if args.keep_captures:
        kept = os.path.join(out, 'captures')
        os.makedirs(kept, exist_ok=True)
        for key in runs:
            shutil.copy(os.path.join(work, names[key] + '.cap'), kept)

    with open(os.path.join(out, 'check.txt'), encoding='utf-8') as f:
        sys.stdout.write(f.read())
    if not enabled:
        print('preview: in its own settings the skin shows no analyser; '
              'variants.gif shows it with Enable 1')
    elif visibility.own:
        print('preview: in its own settings the analyser is %s (bars median %.2f)%s'
              % (visibility.own.verdict, visibility.own.bars.median,
                 '; variants.gif frames the best: %s' % best.setting() if best_label else ''))
    if not exact:
        print('preview: some frames had more than 256 colours; the GIFs show them reduced')
    print('preview: results in %s: analyser.gif, variants.gif, main.png, check.txt' % out)


if __name__ == '__main__':
    main()
