"""Skins as people have them: scripts/check and scripts/preview on archives
the tests build themselves, and on a whole Skins folder (--all); run under
the virtual display (this file starts it when run directly)."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest
import wave
import zipfile

import numpy as np
from PIL import Image

from scriptlib import capture_to_gif, pictures, player_runs
from tests.support.skin_collection_fixtures import (
    ROOT, SCRIPTS, SKINS, VERDICTS, ReportChecks, bmp_24, bmp_rle8, bmp_v5_32, colours_of, framed,
    halves, main, make_collection, run_tool, settings, squeeze, vis_colour, write_folder, write_song,
    write_zip)


def check(*args):
    return run_tool('check', *args)


FRAME = (40, 50, 60)
# The generated skins in the order the platform lists them: by name, letter case aside.
ORDER = ['Aurora', 'birch.wsz', 'Cedar', 'Dune', 'Echo-1', 'Echo-2', 'Fjord.zip', 'Glacier',
         'Harbour', 'Iris', 'Juniper', 'Kelp', 'Kelp-2', 'Lagoon', 'Meadow', 'Nimbus', 'Orchid',
         'Pine', 'Quartz', 'Reef']


class ArchiveCheck(ReportChecks, unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def archive(self, name, entries):
        path = os.path.join(self.tmp.name, name)
        write_zip(path, entries)
        return path

    def report(self, path, status=0):
        code, out, err = check(path)
        self.assertEqual(status, code, 'exit status; the output:\n' + out + err)
        return [squeeze(line) for line in out.splitlines()]

    def refused(self, path, message, whole=True):
        """Bad input: one line on stderr with the reason (or starting with
        it), nothing else. path: a path or the arguments."""
        code, out, err = check(*path) if isinstance(path, list) else check(path)
        self.assertEqual((2, '', 1), (code, out, len(err.splitlines())), err)
        self.assertTrue(('check: ' + message == err.rstrip('\n')) if whole
                        else err.startswith('check: ' + message), err)

    def write(self, name, data):
        path = os.path.join(self.tmp.name, name)
        with open(path, 'wb') as f:
            f.write(data)
        return path

    def test_mixed_case_names_one_folder_down(self):
        lines = self.report(self.archive('Spruce.wsz', [
            ('Spruce/MAIN.BMP', bmp_24(framed(FRAME, (10, 20, 30)))),
            ('Spruce/VisColor.TXT', '0,0,0\n1,1,1\n300,2,3\n'),
            ('Spruce/Zelpin.Txt', settings(BlendMethod=2, Peaks=0)),
            ('thumbnail.png', b'not read'),
            ('Spruce/readme.txt', 'by someone')]))
        self.expect_lines([
            'Skin archive: Spruce.wsz',
            'its skin is in the folder "Spruce" of the archive',
            'Settings file: Zelpin.Txt (as zelpin.txt)',
            'Vis colours: VisColor.TXT (as viscolor.txt)',
            'red 300 wraps to 44',
            'Main bitmap: MAIN.BMP (as main.bmp)',
            'loads: 275 x 116, 24 bits per pixel',
            'average colour 10,20,30; 1 colour',
            'Analyser: bars, blend subtract at 49/128 (38.2%), bar colours from the tip',
        ], lines)

    def test_names_that_differ_only_in_case(self):
        # Different bytes: which one the player keeps cannot be known; the
        # report reads the later entry.
        lines = self.report(self.archive('Twins.wsz', [
            ('main.bmp', bmp_24(framed(FRAME, (10, 20, 30)))),
            ('MAIN.BMP', bmp_24(framed(FRAME, (70, 80, 90))))]))
        self.expect_lines([
            '"main.bmp", "MAIN.BMP" differ only in letter case: the player\'s file system keeps '
            'only one of them, and which one depends on the program that unpacks the archive, '
            'so which one the player reads cannot be known; this report reads "MAIN.BMP", the '
            'later entry, which an unpacker that overwrites keeps',
            'Main bitmap: MAIN.BMP (as main.bmp)',
            'average colour 70,80,90; 1 colour',
        ], lines)

        # The same bytes, and folders that differ in case are one folder.
        same = bmp_24(framed(FRAME, (10, 20, 30)))
        lines = self.report(self.archive('Same.wsz', [
            ('Skin/Main.bmp', same), ('SKIN/main.BMP', same), ('skin/viscolor.txt', '1,2,3\n')]))
        self.expect_lines([
            '"Skin/Main.bmp", "SKIN/main.BMP" differ only in letter case and hold the same bytes: '
            'the player\'s file system keeps one of them, and either gives the same skin',
            'its skin is in the folder "Skin" of the archive',
            '0 unused 1,2,3 "1,2,3"',
            'average colour 10,20,30; 1 colour',
        ], lines)

    def test_bitmaps_of_every_kind_the_platform_loads(self):
        # 8 bits with run lengths, the vis area in two halves.
        lines = self.report(self.archive('Rle.zip', [('main.bmp', bmp_rle8(halves(FRAME)))]))
        self.expect_lines(['loads: 275 x 116, 8 bits per pixel', 'average colour 20,30,40; 2 colours',
                           'A = 10,20,30 (608 pixels)', 'B = 30,40,50 (608 pixels)'], lines)
        self.assertEqual(16, lines.count('|' + 'A' * 38 + 'B' * 38 + '|'))

        lines = self.report(self.archive('V5.wsz', [('main.bmp', bmp_v5_32(
            framed(FRAME, (200, 100, 50))))]))
        self.expect_lines(['loads: 275 x 116, 32 bits per pixel', 'average colour 200,100,50; 1 colour'],
                          lines)

        lines = self.report(self.archive('Tall.wsz', [('main.bmp', bmp_24(
            framed(FRAME, (1, 2, 3), size=(275, 150))))]))
        self.expect_lines(['loads: 275 x 150, 24 bits per pixel',
                           'the 76 x 16 analyser area at 24,43 lies inside the image',
                           'average colour 1,2,3; 1 colour'], lines)

    def test_entries_that_would_land_outside_are_refused(self):
        bitmap = bmp_24(framed(FRAME, (1, 2, 3)))
        for name, entry in [('Up.wsz', '../escaped.txt'), ('Back.wsz', 'a\\..\\..\\escaped.txt'),
                            ('Root.wsz', '/tmp/escaped.txt'), ('Drive.wsz', 'C:/escaped.txt')]:
            self.refused(self.archive(name, [('main.bmp', bitmap), (entry, 'x')]),
                         '%s: refused, the entry "%s" would land outside the skin\'s folder'
                         % (name, entry))
        self.assertFalse(os.path.exists(os.path.join(self.tmp.name, 'escaped.txt')))

        link = zipfile.ZipInfo('viscolor.txt')
        link.create_system = 3
        link.external_attr = 0o120777 << 16
        path = os.path.join(self.tmp.name, 'Link.wsz')
        with zipfile.ZipFile(path, 'w') as zf:
            zf.writestr('main.bmp', bitmap)
            zf.writestr(link, '/etc/passwd')
        self.refused(path, 'Link.wsz: refused, the entry "viscolor.txt" is a link')

    def test_archive_bombs_are_refused(self):
        path = self.archive('Bomb.wsz', [('main.bmp', bmp_24(framed(FRAME, (1, 2, 3)))),
                                         ('filler.bin', bytes(65 * 1024 * 1024))])
        self.assertLess(os.path.getsize(path), 1024 * 1024)
        self.refused(path, 'Bomb.wsz: refused, it would unpack to more than 64 MB (an archive bomb?)')

        # A header that understates the size is caught while unpacking.
        with open(path, 'rb') as f:
            data = bytearray(f.read())
        at = data.rfind(b'PK\x01\x02')      # the central directory's filler entry
        data[at + 24:at + 28] = (1000).to_bytes(4, 'little')
        self.refused(self.write('Liar.wsz', data), 'Liar.wsz: ', whole=False)

        self.refused(self.archive('Many.wsz', [('main.bmp', b'')] +
                                  [('f%d.txt' % k, '') for k in range(1000)]),
                     'Many.wsz: refused, it holds 1001 entries, more than the 1000 a skin may '
                     'have (an archive bomb?)')

    def test_bad_input_gets_one_line(self):
        good = self.archive('Good.wsz', [('main.bmp', bmp_24(framed(FRAME, (1, 2, 3))))])
        with open(good, 'rb') as f:
            data = f.read()
        self.refused(self.write('Cut.wsz', data[:len(data) // 2]),
                     'Cut.wsz: not a readable zip archive (corrupt or cut short)')
        at = data.find(b'PK\x01\x02')
        corrupt = data[:60] + bytes(b ^ 0x55 for b in data[60:at - 40]) + data[at - 40:]
        self.refused(self.write('Corrupt.wsz', corrupt), 'Corrupt.wsz: the entry "main.bmp" is corrupt',
                     whole=False)

        self.refused(self.archive('Deep.wsz', [('a/b/main.bmp', b'x'), ('a/viscolor.txt', '')]),
                     'Deep.wsz: no main.bmp at the top of the archive or one folder down '
                     '(there is one too deep: a/b/main.bmp)')
        self.refused(self.archive('None.zip', [('readme.txt', 'x')]),
                     'None.zip: no main.bmp at the top of the archive or one folder down')

        empty = os.path.join(self.tmp.name, 'Empty')
        os.makedirs(empty)
        self.refused(empty, 'the folder %s is empty: no skin in it' % empty)
        self.refused(os.path.join(self.tmp.name, 'notes.txt'),
                     '%s does not exist' % os.path.join(self.tmp.name, 'notes.txt'))

        self.refused(['--all', empty], '%s holds no skin folders or archives' % empty)

    def test_mistakes_are_answered_at_once(self):
        # One line and exit status 2, before any display or Wine starts.
        skin, odd = (os.path.join(self.tmp.name, *names) for names in (('Skins', 'Good'), ('日本語',)))
        for folder in (skin, odd):
            write_folder(folder, {'main.bmp': bmp_24(framed(FRAME, (1, 2, 3)))})
        skins = os.path.dirname(skin)
        ini = os.path.join(ROOT, 'plugin', 'plugin.ini')
        junk = self.write('song.m4a', b'not a song')
        silent = os.path.join(self.tmp.name, 'silent.wav')
        with wave.open(silent, 'wb') as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(44100)
        cases = [
            ('check', ['--plugin-init', ini, skin],
             'unknown option --plugin-init (did you mean --plugin-ini?) (see --help)'),
            ('check', [skin, '--plugin-ini', skins], '--plugin-ini %s is a folder, not a file' % skins),
            ('check', [skins], '%s holds no main.bmp but 1 skin: a Skins folder? add --all to check '
                               'every skin in it' % skins),
            ('check', [odd], '"日本語": the name has characters the player\'s ANSI code page (1252) '
                             'cannot hold, so the player cannot open this skin; rename it'),
            ('check', ['--all', ini], '%s is not a folder: --all takes a Skins folder' % ini),
            ('preview', [skin, '--seconds', '100'], '--seconds 100 is out of range: 0.5 to 60'),
            ('preview', [skin, '--seconds', 'x'], "argument --seconds: invalid float value: 'x'"),
            ('preview', [skin, junk], '%s is not a song the preview can read: it reads MP3, OGG, '
                                      'FLAC and WAV files' % junk),
            ('preview', [skin, silent], '%s holds no sound' % silent),
            ('preview', [skin, junk + '.mp3'], '%s.mp3 does not exist' % junk),
            ('preview', [skin, '--out', ini], '--out %s is a file, not a folder' % ini),
            ('preview', ['--all', skins, '--kept-captures'],
             'unknown option --kept-captures (did you mean --keep-captures?) (see --help)'),
        ]
        outside = {k: v for k, v in os.environ.items() if k not in ('ZELPIN_DISPLAY_UP', 'ZELPIN_WINE_UP')}
        for tool, args, message in cases:
            began = time.monotonic()
            result = subprocess.run([os.path.join(SCRIPTS, tool)] + args, env=outside,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            took = time.monotonic() - began
            got = (result.returncode, result.stdout.decode(), result.stderr.decode().splitlines())
            self.assertEqual((2, '', ['%s: %s' % (tool, message)]), got, args)
            # Starting Wine alone takes several seconds.
            self.assertLess(took, 4.0, '%s %s took %.1f s' % (tool, args, took))

    @unittest.skipIf(os.geteuid() == 0, 'root reads any folder')
    def test_unreadable_folder(self):
        folder = os.path.join(self.tmp.name, 'Locked')
        os.makedirs(folder)
        os.chmod(folder, 0)
        self.addCleanup(os.chmod, folder, 0o755)
        self.refused(folder, 'cannot read the folder %s: permission denied' % folder)


class Collection(ReportChecks, unittest.TestCase):
    """The twenty generated skins, checked and previewed as a Skins folder."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.skins = os.path.join(cls.tmp.name, 'Skins')
        make_collection(cls.skins)
        cls.status, out, cls.err = check('--all', cls.skins)
        cls.lines = [squeeze(line) for line in out.splitlines()]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_a_line_per_skin_in_catalogue_order(self):
        self.assertEqual(1, self.status, self.err)
        start = self.lines.index(
            'skin analyser style blend visibility colour warnings main bitmap')
        names = [line.split(' ')[0] for line in self.lines[start + 1:start + 21]]
        self.assertEqual(ORDER, names)
        plain = 'shown peaks mix 49/128 (38.2%) {} 0 loads, 275 x 116, 24 bits'
        rows = {
            'Aurora': plain, 'Echo-2': plain, 'Quartz': plain, 'Reef': plain,
            'birch.wsz': 'shown bars mix 49/128 (38.2%) {} 0 loads, 275 x 116, 24 bits',
            'Cedar': 'none (Enable 0) peaks mix 49/128 (38.2%) - 0 loads, 275 x 116, 24 bits',
            'Dune': 'shown peaks mix 49/128 (38.2%) {} 2 loads, 275 x 116, 24 bits',
            'Fjord.zip': 'shown peaks mix 49/128 (38.2%) {} 0 loads, 275 x 116, 8 bits',
            'Glacier': 'shown peaks mix 49/128 (38.2%) {} 0 loads, 275 x 116, 32 bits',
            'Harbour': 'shown peaks mix 49/128 (38.2%) {} 0 loads, 275 x 150, 24 bits',
            'Iris': 'shown peaks mix 49/128 (38.2%) - 0 cut short or malformed',
            'Pine': 'shown rain add 128/128 (100.0%) {} 0 loads, 275 x 116, 24 bits',
        }
        self.expect_lines([name + ' ' + row.format(VERDICTS[name]) for name, row in rows.items()] + [
            '20 skins, 19 show the analyser, 3 of them faint or worse, 1 without a usable main.bmp',
            'birch.wsz: its skin is in the folder "Birch" of the archive',
        ], self.lines)
        self.assertFalse([n for n in ('readme.txt', 'thumb.bmp')
                          if any(line.startswith(n) for line in self.lines)])

    def test_identification_names_the_pair_and_the_pick(self):
        self.expect_lines([
            'the plug-in catalogues 17 of the 20 skins (folders whose main bitmap loads,',
            'not catalogued: "birch.wsz" (an archive: the plug-in catalogues folders only)',
            'not catalogued: "Fjord.zip" (an archive: the plug-in catalogues folders only)',
            'not catalogued: "Iris" (its main bitmap does not load)',
            'equal signatures: "Echo-1" and "Echo-2": the plug-in takes both for "Echo-1"',
            'close signatures: "Kelp" and "Kelp-2" differ in only 2 of the 32 points',
            'archive "birch.wsz": while it is shown the plug-in finds no skin (no point agrees)',
        ], self.lines)
        self.assertEqual(1, sum(line.startswith('equal signatures') for line in self.lines))

    def host_shows(self, skin):
        """The vis colours the plug-in draws in the stand-in host showing the
        skin, with a host that cannot report its skin (version 0x2000)."""
        build = os.environ['ZELPIN_BUILD']
        player = os.path.join(self.tmp.name, 'player-' + skin)
        os.makedirs(os.path.join(player, 'Plugins'))
        shutil.copy(os.path.join(build, 'zelpin_host.exe'), player)
        shutil.copy(os.path.join(build, 'vis_zelpin.dll'), os.path.join(player, 'Plugins'))
        capture = os.path.join(player, 'run.cap')
        result = player_runs.wine(['zelpin_host.exe', '--version', '0x2000', '--skins',
                                    player_runs.windows_path(self.skins), '--skin', skin,
                                    '--seconds', '1.5', '--capture',
                                    player_runs.windows_path(capture)], cwd=player)
        self.assertEqual(0, result.returncode, result.stdout)
        frames = capture_to_gif.read_capture(capture)[1]
        self.assertTrue(frames, 'no frame captured')
        return colours_of(np.asarray(frames[-1][1]))

    def test_the_plug_ins_own_locator_picks_the_same(self):
        # Echo-2 shown: the plug-in draws over Echo-1's background.
        shown = self.host_shows('Echo-2')
        self.assertIn(vis_colour(SKINS.index('Echo-1')), shown)
        self.assertNotIn(vis_colour(SKINS.index('Echo-2')), shown)
        # Kelp-2 is told apart from Kelp, by two points.
        shown = self.host_shows('Kelp-2')
        self.assertIn(vis_colour(SKINS.index('Kelp-2')), shown)
        self.assertNotIn(vis_colour(SKINS.index('Kelp')), shown)


class ContactSheet(unittest.TestCase):
    """scripts/preview --all on the twenty skins, to an MP3 song."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        skins = os.path.join(cls.tmp.name, 'Skins')
        make_collection(skins)
        cls.out = os.path.join(cls.tmp.name, 'out')
        song = os.path.join(cls.tmp.name, 'song.mp3')
        write_song(song)
        cls.status, cls.stdout, cls.stderr = run_tool('preview', '--all', skins, song, '--out', cls.out,
                                                      '--no-build', '--keep-captures')

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.assertEqual(0, self.status, self.stdout + self.stderr)

    @staticmethod
    def panel(image, k):
        """Cell k's enlarged vis area: four cells a row, 244 x 102 each."""
        x, y = (k % 4) * 244 + 8, (k // 4) * 102 + 22
        return image[y:y + 48, x:x + 228]

    def test_one_cell_per_skin(self):
        self.assertIn('preview: Cedar shows no analyser in its own settings', self.stdout)
        for name in ('Orchid', 'Quartz', 'Reef'):
            self.assertIn('preview: %s: analyser faint (bars median ' % name, self.stdout)
        self.assertIn('preview: Iris: main.bmp cut short: black bars', self.stdout)
        self.assertEqual(['captures', 'sheet.gif', 'sheet.png'], sorted(os.listdir(self.out)))
        self.assertEqual(sorted(name + '.cap' for name in ORDER),
                         sorted(os.listdir(os.path.join(self.out, 'captures'))))
        with Image.open(os.path.join(self.out, 'sheet.png')) as png:
            self.assertEqual((976, 510), png.size)
            sheet = np.asarray(png.convert('RGB'))
        for k, name in enumerate(ORDER):
            panel = self.panel(sheet, k)
            # Enlarged three times: every 3 x 3 block is one pixel.
            small = panel[::3, ::3]
            self.assertTrue(np.array_equal(panel, np.repeat(np.repeat(small, 3, 0), 3, 1)), name)
            got = colours_of(panel)
            others = {vis_colour(j) for j, other in enumerate(SKINS) if other != name}
            self.assertFalse(got & others, '%s shows another skin\'s background' % name)
            own = vis_colour(SKINS.index(name))
            if name == 'Cedar':
                self.assertEqual({own}, got)        # no analyser: the skin's background only
                x, y = 2 * 244 + 8, 22
                self.assertEqual(pictures.MARK, tuple(int(v) for v in sheet[y - 2, x - 2]))
            elif name == 'Iris':
                self.assertIn((0, 0, 0), got)       # no bar frames: black ones
            else:
                self.assertIn(own, got, name)
                self.assertGreater(len(got), 1, '%s shows no analyser' % name)
            # A bad main bitmap and a faint analyser are said below, not framed.
            x, y = (k % 4) * 244 + 8, (k // 4) * 102 + 22
            below = colours_of(sheet[y + 50:y + 60, x:x + 228])
            if name != 'Cedar':
                said = name == 'Iris' or VERDICTS[name] != 'clearly visible'
                self.assertEqual(said, pictures.MARK in below, name)
                self.assertNotEqual(pictures.MARK, tuple(int(v) for v in sheet[y - 2, x - 2]),
                                    name)

    def test_gif_animates_every_cell(self):
        with Image.open(os.path.join(self.out, 'sheet.gif')) as gif:
            frames = []
            for k in range(gif.n_frames):
                gif.seek(k)
                frames.append(np.asarray(gif.convert('RGB')))
        self.assertEqual((510, 976, 3), frames[0].shape)
        for k, name in enumerate(ORDER):
            panels = [self.panel(f, k) for f in frames]
            moving = any(not np.array_equal(panels[0], p) for p in panels)
            self.assertEqual(name not in ('Cedar', 'Iris'), moving, name)


if __name__ == '__main__':
    main()
