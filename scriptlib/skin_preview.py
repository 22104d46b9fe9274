"""scripts/preview: plays a song in the stand-in host with the real plug-in
and a given skin (a folder or a .wsz/.zip archive), and writes what the
analyser shows. With --all, plays every skin of a Skins folder for a short
while and writes a contact sheet instead (see skin_sheet.py). scripts/preview
runs it twice: with ZELPIN_VET set it only checks the command line and the
song (at once, before any display or Wine starts), then under the virtual
display, with env.sh's environment.
"""

import argparse
import importlib.util
import os
import shutil
import sys
import tempfile

from scriptlib import command_line
from scriptlib.skin_archive import SkinInputError, open_skin

DESCRIPTION = """Plays a song in the stand-in player with the real plug-in in a skin, and
writes what the analyser shows: analyser.gif (the skin's own settings,
4 times enlarged), variants.gif (every style in every blend method, and the
most visible setting), main.png (the whole main window) and check.txt (what
scripts/check says of the skin). Prints how visible the analyser is and
where the pictures are. With --all: plays every skin of a Skins folder and
writes a contact sheet (sheet.png, sheet.gif)."""

EPILOG = """Exit status: 0 the pictures are written; 1 a run of the player failed;
2 bad command line or input, such as a song that cannot be decoded (nothing
is started then, and nothing is written)."""

SECONDS = (0.5, 60.0)

OWN_SCALE = 4
GRID_SCALE = 3
STYLES = (('bars', 0, 0), ('peaks', 1, 0), ('rain', 1, 1))
BLENDS = (('mix', 0), ('add', 1), ('subtract', 2))
PARALLEL_RUNS = 4

PAD = 6


def read_settings(path):
    """The settings in effect, as the check program wrote them, and its
    comment with the ratio in effect as the check words it."""
    values, ratio = {}, ''
    with open(path, newline='') as f:
        for line in f:
            key, sep, value = line.strip().partition('=')
            if sep:
                values[key] = int(value)
            elif line.startswith('; ratio '):
                ratio = line[len('; ratio '):].strip()
    return values, ratio


class Grid:
    """Where the panels of variants.gif go, and the labels around them."""

    def __init__(self, own_label, own_cell, best_label=None, ratio=''):
        from PIL import Image, ImageDraw, ImageFont

        from scriptlib.pictures import BACKDROP, BEST, INK, MARK, VIS_H, VIS_W
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
            draw.text((x, y - text_h), '%s, %s' % (style, ratio) if ratio else style, fill=INK,
                      font=font)
        for blend, _ in BLENDS:
            x, y = self.cells[(STYLES[0][0], blend)]
            draw.text((PAD, y + h // 2 - 5), blend, fill=INK, font=font)
        if own_cell:
            x, y = self.cells[own_cell]
            draw.rectangle([x - 2, y - 2, x + w + 1, y + h + 1], outline=MARK)

    def compose(self, own, variants):
        from scriptlib.pictures import enlarge
        image = self.background.copy()
        image.paste(enlarge(own, GRID_SCALE), self.own)
        for key, panel in variants.items():
            image.paste(enlarge(panel, GRID_SCALE), self.best if key == 'best' else self.cells[key])
        return image


def make_gifs(out, captures, settings, ratio, enabled, best_label=None):
    from scriptlib.pictures import enlarge, frame_at, save_gif, timeline
    own = captures['own']
    slots = timeline(captures.values())
    exact = save_gif([enlarge(frame_at(own, s), OWN_SCALE) for s in slots],
                     os.path.join(out, 'analyser.gif'))

    style = 'bars' if not settings['Peaks'] else ('rain' if settings['Rain'] else 'peaks')
    blend = BLENDS[settings['BlendMethod']][0]
    if enabled:
        label = "the skin's own settings: %s, %s %s" % (style, blend, ratio)
    else:
        label = "the skin's own settings: Enable 0, no analyser"
    grid = Grid(label, (style, blend) if enabled else None, best_label, ratio)
    variants = {key: frames for key, frames in captures.items() if key != 'own'}
    exact &= save_gif([grid.compose(frame_at(own, s), {k: frame_at(f, s) for k, f in variants.items()})
                       for s in slots], os.path.join(out, 'variants.gif'))
    return exact


# ---------------------------------------------------------------- main

def parser():
    p = command_line.Parser('preview', description=DESCRIPTION, epilog=EPILOG,
                            formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('skin', metavar='SKIN',
                   help='a skin: its folder, or a .wsz or .zip archive of it; with --all, a '
                        'Skins folder')
    p.add_argument('song', metavar='SONG', nargs='?',
                   help='the song to play: MP3, OGG, FLAC or WAV (a bundled tune without one)')
    p.add_argument('--all', action='store_true',
                   help='SKIN is a Skins folder: play every skin in it and write a contact sheet')
    p.add_argument('--out', metavar='DIR',
                   help='where the pictures go (out/preview/<skin name>/, with --all '
                        'out/preview/<Skins folder name>-sheet/)')
    p.add_argument('--seconds', metavar='S', type=float,
                   help='how long each run plays, %g to %g seconds (4; with --all 1.5)' % SECONDS)
    p.add_argument('--plugin-ini', metavar='FILE',
                   help="the player's plugin.ini, for its defaults (the plug-in's own "
                        'plugin.ini without it)')
    p.add_argument('--keep-captures', action='store_true',
                   help="also keep the player's capture of every run in DIR/captures/")
    p.add_argument('--no-build', action='store_true',
                   help='use the plug-in as built last, without building it first')
    return p


def vet(args):
    command_line.skin_argument(args.skin, args.all)
    if args.seconds is not None and not SECONDS[0] <= args.seconds <= SECONDS[1]:
        raise command_line.BadInput('--seconds %g is out of range: %g to %g'
                                    % (args.seconds, SECONDS[0], SECONDS[1]))
    if args.plugin_ini:
        command_line.existing_file('--plugin-ini', args.plugin_ini)
    if args.out and os.path.exists(args.out) and not os.path.isdir(args.out):
        raise command_line.BadInput('--out %s is a file, not a folder' % args.out)
    if args.song:
        if importlib.util.find_spec('soundfile') is None:
            return      # scripts/setup installs it before the run, which checks the song
        from scriptlib.spectrum_frames import SongError, song_info
        try:
            song_info(args.song)
        except SongError as e:
            raise command_line.BadInput(str(e))


class Output:
    """The output folder: made when the first picture is written, and
    removed again when the run fails before it is complete, unless it was
    there before."""

    def __init__(self, path):
        self.path = path
        self.existed = os.path.isdir(path)

    def __enter__(self):
        os.makedirs(self.path, exist_ok=True)
        return self.path

    def __exit__(self, kind, value, trace):
        if kind is not None and not self.existed:
            shutil.rmtree(self.path, ignore_errors=True)
        return False


def main():
    args = command_line.vet(parser(), vet)
    if os.environ.get('ZELPIN_VET'):
        return
    from scriptlib.player_runs import sample_tune
    from scriptlib.spectrum_frames import SongError

    root, build = os.environ['ZELPIN_ROOT'], os.environ['ZELPIN_BUILD']
    if args.seconds is None:
        args.seconds = 1.5 if args.all else 4.0
    plugin_ini = os.path.abspath(args.plugin_ini or os.path.join(root, 'plugin', 'plugin.ini'))
    song = os.path.abspath(args.song) if args.song else sample_tune(build)
    try:
        if args.all:
            preview_all(args, root, build, plugin_ini, song)
        else:
            with tempfile.TemporaryDirectory(prefix='zelpin-skin-') as unpacked:
                preview_one(args, root, build, plugin_ini, song, open_skin(args.skin, unpacked))
    except (SkinInputError, SongError) as e:
        sys.stderr.write('preview: %s\n' % e)
        sys.exit(2)


def preview_all(args, root, build, plugin_ini, song):
    from scriptlib import skin_sheet
    from scriptlib.player_runs import write_frames
    skins = os.path.abspath(args.skin)
    out = os.path.abspath(args.out or os.path.join(root, 'out', 'preview',
                                                   os.path.basename(skins) + '-sheet'))
    os.makedirs(build, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='zelpin-frames-', dir=build) as work:
        frames = os.path.join(work, 'tune.frames')
        write_frames(song, frames)
        with Output(out):
            cells, exact = skin_sheet.make_sheet(skins, out, build, plugin_ini, frames, args.seconds,
                                                 args.keep_captures)
    for cell in cells:
        if cell.problem:
            print('preview: %s: %s' % (cell.name, cell.problem))
        elif not cell.shown:
            print('preview: %s shows no analyser in its own settings' % cell.name)
        for remark in (cell.note, cell.visibility):
            if remark:
                print('preview: %s: %s' % (cell.name, remark))
    if not exact:
        print('preview: some frames had more than 256 colours; sheet.gif shows them reduced')
    print('preview: %d skins in %s: sheet.png, sheet.gif%s'
          % (len(cells), out, ', captures/' if args.keep_captures else ''))


def preview_one(args, root, build, plugin_ini, song, skin):
    skin_name = os.path.splitext(skin.name)[0] if skin.archive else skin.name
    out = os.path.abspath(args.out or os.path.join(root, 'out', 'preview', skin_name))
    os.makedirs(build, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='zelpin-preview-', dir=build) as work:
        with Output(out):
            lines = play_skin(args, build, plugin_ini, song, skin, skin_name, work, out)
    for line in lines:
        print('preview: %s' % line)


def play_skin(args, build, plugin_ini, song, skin, skin_name, work, out):
    """Plays the skin in every variant and writes the pictures into out;
    returns the summary's lines."""
    from concurrent.futures import ThreadPoolExecutor

    from scriptlib import capture_to_gif, skin_sheet, skin_visibility
    from scriptlib.player_runs import (lay_out_player, report_text, run_host, wine, windows_path,
                                       write_frames)
    skin_dir = skin.folder
    frames = os.path.join(work, 'tune.frames')
    write_frames(song, frames)

    # What the plug-in reads, the settings in effect for the variants, and
    # how visible the analyser is.
    effective = os.path.join(work, 'effective.txt')
    pixels = os.path.join(work, 'pixels')
    check = wine([os.path.join(build, 'zelpin_skin_check.exe'), '--say-code-page',
                  windows_path(skin_dir),
                  '--plugin-ini', windows_path(plugin_ini), '--settings-out', windows_path(effective),
                  '--pixels-out', windows_path(pixels)])
    if check.returncode not in (0, 1, 3) or not os.path.isfile(effective):
        raise SystemExit('preview: the skin check failed: %s' % check.stdout.decode(errors='replace'))
    visibility = skin_visibility.read_one(pixels)
    report = report_text(check.stdout)
    archive = ['Skin archive: %s\n' % skin.name] + ['  %s\n' % n for n in skin.notes] + ['\n'] \
        if skin.archive else []
    with open(os.path.join(out, 'check.txt'), 'w', encoding='utf-8', newline='') as f:
        f.write(''.join(archive) + report + ''.join(line + '\n' for line in visibility.lines()))
    settings, ratio = read_settings(effective)
    enabled = check.returncode != 1

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

    if args.verbose:
        print('preview: playing %s in %d runs of %g s with %s' % (skin_name, len(runs), args.seconds,
              os.path.join(build, 'vis_zelpin.dll')))
    with ThreadPoolExecutor(PARALLEL_RUNS) as pool:
        captures = dict(pool.map(play, runs))
    for key, frames_of in captures.items():
        if not frames_of:
            raise SystemExit('preview: the %s run captured no frames' % names[key])

    exact = make_gifs(out, captures, settings, ratio, enabled, best_label)
    from PIL import Image
    Image.open(shot).convert('RGB').save(os.path.join(out, 'main.png'))
    if args.keep_captures:
        kept = os.path.join(out, 'captures')
        os.makedirs(kept, exist_ok=True)
        for key in runs:
            shutil.copy(os.path.join(work, names[key] + '.cap'), kept)

    lines = ['%s: %s' % (skin.name, note) for note in skin.notes]
    if not enabled:
        lines.append('in its own settings the skin shows no analyser; '
                     'variants.gif shows it with Enable 1')
    elif visibility.own:
        lines.append('in its own settings the analyser is %s (bars median %.2f)%s'
                     % (visibility.own.verdict, visibility.own.bars.median,
                        '; variants.gif frames the best: %s' % best.setting() if best_label else ''))
    bitmap = skin_sheet.bitmap_note(report)
    if bitmap:
        lines.append(bitmap)
    if not exact:
        lines.append('some frames had more than 256 colours; the GIFs show them reduced')
    lines.append('pictures in %s: analyser.gif, variants.gif, main.png%s; the full report in '
                 'check.txt' % (out, ', captures/' if args.keep_captures else ''))
    return lines


if __name__ == '__main__':
    main()
