"""The contact sheet of a Skins folder (scripts/preview --all): one cell per
skin, in the order the plug-in catalogues them, each with the skin's name
and its vis area with the analyser running in the skin's own settings,
enlarged; skins that show no analyser are marked, and so are those whose
analyser is faint or worse.

Writes sheet.png (one moment, mid-run) and sheet.gif (the whole run).
"""

import os
import shutil
import subprocess
import tempfile
from concurrent.futures import ThreadPoolExecutor

from PIL import Image, ImageDraw, ImageFont

from scriptlib import capture_to_gif, pictures, player_runs, skin_visibility
from scriptlib.command_line import code_page_name
from scriptlib.skin_archive import SkinInputError, collection_entries, open_skin

SCALE = 3
COLUMNS = 4
PANEL_W, PANEL_H = pictures.VIS_W * SCALE, pictures.VIS_H * SCALE
NAME_H = 14
REMARK_H = 24               # two lines
PAD = 8
CELL_W = PANEL_W + 2 * PAD
CELL_H = NAME_H + PANEL_H + REMARK_H + 2 * PAD
# Skins the player cannot open, as the rows of scripts/check --all say it.
EMPTY = 'an empty folder: no skin in it'
UNREADABLE = 'a folder that cannot be read'
CODE_PAGE = "a name the ANSI code page cannot hold: the player cannot open it"
# Several hosts at once: each mostly waits for its frame timer.
PARALLEL_RUNS = 8


def cell_origin(index):
    """Top-left corner of a cell's panel (the enlarged vis area)."""
    row, col = divmod(index, COLUMNS)
    return col * CELL_W + PAD, row * CELL_H + PAD + NAME_H


def sheet_size(count):
    rows = (count + COLUMNS - 1) // COLUMNS
    return min(count, COLUMNS) * CELL_W, rows * CELL_H


class Cell:
    """One skin: its name, what went wrong before it could run, whether it
    shows the analyser, and the host's capture of its vis area."""

    def __init__(self, name):
        self.name = name
        self.problem = None
        self.note = None        # a remark on a skin that runs, such as a bad main bitmap
        self.visibility = None  # the analyser's verdict when it is faint or worse
        self.shown = True
        self.frames = []


def fit(draw, font, text, width):
    """The text shortened with "..." to fit the width. The built-in font
    holds Latin-1 only: other characters show as "?"."""
    text = text.encode('latin-1', 'replace').decode('latin-1')
    if draw.textlength(text, font=font) <= width:
        return text
    while text and draw.textlength(text + '...', font=font) > width:
        text = text[:-1]
    return text + '...'


def wrap(draw, font, text, width):
    """The text in two lines at most, broken between words; the second one
    shortened when it does not fit."""
    words = text.split(' ')
    first = words.pop(0)
    while words and draw.textlength(first + ' ' + words[0], font=font) <= width:
        first += ' ' + words.pop(0)
    lines = [fit(draw, font, first, width)]
    if words:
        lines.append(fit(draw, font, ' '.join(words), width))
    return lines


def background(cells):
    font = ImageFont.load_default()
    image = Image.new('RGB', sheet_size(len(cells)), pictures.BACKDROP)
    draw = ImageDraw.Draw(image)
    for k, cell in enumerate(cells):
        x, y = cell_origin(k)
        draw.text((x, y - NAME_H + 1), fit(draw, font, cell.name, PANEL_W), fill=pictures.INK,
                  font=font)
        remark = (cell.problem or (None if cell.shown else 'no analyser (Enable 0)') or cell.note
                  or cell.visibility)
        if remark:
            for k, line in enumerate(wrap(draw, font, remark, PANEL_W)):
                draw.text((x, y + PANEL_H + 2 + 11 * k), line, fill=pictures.MARK, font=font)
        if not cell.shown or cell.problem:
            draw.rectangle([x - 2, y - 2, x + PANEL_W + 1, y + PANEL_H + 1],
                           outline=pictures.MARK)
    return image


def compose(base, cells, slot):
    image = base.copy()
    for k, cell in enumerate(cells):
        if cell.frames:
            panel = pictures.frame_at(cell.frames, slot)
            image.paste(pictures.enlarge(panel, SCALE), cell_origin(k))
    return image


# The check's words for a main bitmap the plug-in cannot use: it then draws
# black bar frames, which a cell without a word would leave unexplained.
BITMAP_NOTES = (('  missing:', 'main.bmp missing: black bars'),
                ('  not a complete bitmap file', 'main.bmp cut short: black bars'),
                ('  does not load:', 'main.bmp does not load: black bars'))


def bitmap_note(report):
    for line in report.splitlines():
        if line.startswith('  not a bitmap file but '):
            return 'main.bmp is %s: black bars' % line[len('  not a bitmap file but '):].split(' (')[0]
        for start, note in BITMAP_NOTES:
            if line.startswith(start):
                return note
    return None


def visibility_note(pixels):
    record = skin_visibility.read_one(pixels) if os.path.isfile(pixels) else None
    if record and record.verdict and record.verdict != skin_visibility.CLEAR:
        return 'analyser %s (bars median %.2f)' % (record.verdict, record.own.bars.median)
    return None


def play(cell, skin, build, plugin_ini, frames, seconds, work, kept=None):
    """Runs the host in the skin's own settings; notes whether it shows the
    analyser (the single check's exit status) and how visible it is."""
    os.makedirs(work, exist_ok=True)
    pixels = os.path.join(work, 'pixels')
    check = player_runs.wine([os.path.join(build, 'zelpin_skin_check.exe'),
                               player_runs.windows_path(skin.folder),
                               '--plugin-ini', player_runs.windows_path(plugin_ini),
                               '--pixels-out', player_runs.windows_path(pixels)])
    cell.shown = check.returncode != 1
    cell.note = bitmap_note(check.stdout.decode(errors='replace'))
    cell.visibility = visibility_note(pixels)
    folder = os.path.join(work, 'player')
    player_runs.lay_out_player(folder, build, plugin_ini, skin.folder, 'skin', None)
    capture = os.path.join(work, 'run.cap')
    player_runs.run_host(folder, 'skin', frames, seconds, capture)
    cell.frames = capture_to_gif.read_capture(capture)[1]
    if kept:
        shutil.copy(capture, os.path.join(kept, cell.name + '.cap'))
    if not cell.frames:
        cell.problem = 'the host captured no frames'
    shutil.rmtree(folder, ignore_errors=True)


def catalogue_order(skins, build):
    """The skin folders and archives in the order the platform lists them,
    which the plug-in's catalogue and scripts/check --all follow: the check
    program lists them. It shows a character the ANSI code page cannot hold
    as "?"."""
    entries = collection_entries(skins)
    listed = subprocess.run([player_runs.WINE_RUN, os.path.join(build, 'zelpin_skin_check.exe'),
                             '--say-code-page', '--all', player_runs.windows_path(skins), '--names'],
                            stdout=subprocess.PIPE)
    order = []
    for shown in player_runs.report_text(listed.stdout).splitlines():
        found = [name for name in entries if name not in order
                 and name.encode('cp1252', 'replace').decode('cp1252') == shown]
        order += found[:1]
    return order + [name for name in entries if name not in order]


def make_sheet(skins, out, build, plugin_ini, frames, seconds, keep_captures=False):
    """Plays every skin of the Skins folder and writes the sheet (and with
    keep_captures each skin's capture in captures/); returns the cells and
    whether the GIF keeps exact colours."""
    names = catalogue_order(skins, build)
    cells = [Cell(name) for name in names]
    kept = os.path.join(out, 'captures') if keep_captures else None
    if kept:
        os.makedirs(kept, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='zelpin-sheet-', dir=build) as work:
        def run(k):
            place = os.path.join(work, str(k))
            try:
                path = os.path.join(skins, names[k])
                if os.path.isdir(path):
                    try:
                        if not os.listdir(path):
                            cells[k].problem = EMPTY
                            return
                    except OSError:
                        cells[k].problem = UNREADABLE
                        return
                if code_page_name(path):
                    cells[k].problem = CODE_PAGE
                    return
                skin = open_skin(path, os.path.join(place, 'unpacked'))
                play(cells[k], skin, build, plugin_ini, frames, seconds, place, kept)
            except SkinInputError as e:
                cells[k].problem = str(e)
            except SystemExit as e:
                cells[k].problem = str(e)
        with ThreadPoolExecutor(PARALLEL_RUNS) as pool:
            list(pool.map(run, range(len(cells))))

    base = background(cells)
    played = [c.frames for c in cells if c.frames]
    slots = pictures.timeline(played) if played else [0]
    compose(base, cells, slots[len(slots) // 2]).save(os.path.join(out, 'sheet.png'))
    exact = pictures.save_gif([compose(base, cells, s) for s in slots],
                                  os.path.join(out, 'sheet.gif'))
    return cells, exact
