"""scripts/check and scripts/preview on skin folders the tests write; run
under the virtual display (this file starts it when run directly)."""

import os
import tempfile
import unittest

import numpy as np
from PIL import Image
from skimage.color import deltaE_ciede2000, rgb2lab

from scriptlib import capture_to_gif, pictures, skin_preview
from tests.support.skin_collection_fixtures import (ReportChecks, bmp_24, colours_of, bmp_8, framed, halves,
                                                    main, run_tool, saved, settings, squeeze,
                                                    write_folder, write_song)

# Pairs 1, 7, 9, 13, 17, 25, 33 and 34 of the CIEDE2000 test data of Sharma,
# Wu and Dalal (2005): L*a*b* of both colours and the difference to 4 places.
SHARMA_PAIRS = [
    ((50.0, 2.6772, -79.7751), (50.0, 0.0, -82.7485), 2.0425),
    ((50.0, 0.0, 0.0), (50.0, -1.0, 2.0), 2.3669),
    ((50.0, 2.49, -0.001), (50.0, -2.49, 0.0009), 7.1792),
    ((50.0, -0.001, 2.49), (50.0, 0.0009, -2.49), 4.8045),
    ((50.0, 2.5, 0.0), (73.0, 25.0, -18.0), 27.1492),
    ((60.2574, -34.0099, 36.2677), (60.4626, -34.1751, 39.4387), 1.2644),
    ((6.7747, -0.2908, -2.4247), (5.8714, -0.0985, -2.2286), 0.6377),
    ((2.0776, 0.0795, -1.1350), (0.9033, -0.0636, -0.5514), 0.9082),
]
# sRGB's primaries and white in CIELAB (D65); conversions that round the
# matrix of sRGB differently agree to within 0.005.
SRGB_LAB = [((255, 0, 0), (53.2408, 80.0925, 67.2032)), ((0, 255, 0), (87.7347, -86.1827, 83.1793)),
            ((0, 0, 255), (32.2970, 79.1875, -107.8602)), ((255, 255, 255), (100.0, 0.0, 0.0))]


SHADES = [(30, 60 + k, 140 + k) for k in range(16)]


def viscolor(bars, peak):
    """A viscolor.txt: entries 2..17 the bar colours, 23 the peak colour."""
    return ''.join('%d,%d,%d\n' % c for c in [(0, 0, 0)] * 2 + bars + [(0, 0, 0)] * 5 + [peak])


def flat(colour, size=(275, 116)):
    return bmp_24(framed(colour, colour, size))


# A skin folder each: its files, the plugin.ini given (None: none), the exit
# status, lines the report must hold, and {line start: how many lines start so}.
DEFAULTS = [
    'Settings file: none (neither zelpin.txt nor zelpin.ini): every key takes its default',
    'BlendMethod missing 0 (missing: the default)',
    'AnalyzerMode missing 1 (missing: the default)',
    # 40 percent is 51/128, handed back as 39 percent: 49/128.
    'Ratio missing 49/128 (38.2%) (missing: the default 51/128 handed over as 39%)',
    'Enable missing 1 on (missing: the default)',
    'Peaks missing 1 on (missing: the default)',
    'Rain missing 0 off (missing: the default)',
]
A_THEN_B = '|' + 'A' * 38 + 'B' * 38 + '|'


def cut_bitmap():
    return bmp_24(framed((1, 2, 3), (1, 2, 3)))[:1000]


CASES = {
    # An empty folder is refused as no skin; a stray file makes one of it.
    'bare': ({'readme.txt': 'no skin file'}, None, 3, DEFAULTS + [
        'Defaults (built-in; no plugin.ini given):',
        'BlendMethod 0, AnalyzerMode 1, Ratio 51/128 (39.8%), Enable 1, Peaks 1, Rain 0',
        'Vis colours: viscolor.txt is missing: the built-in colours apply',
        'Main bitmap: main.bmp',
        'missing: the plug-in builds no bar frames for this skin and draws those of the '
        'skin before it (black ones when there was none)',
        'Analyser: peaks, blend mix at 49/128 (38.2%), bar colours from the tip',
        'no figure: main.bmp is missing: the plug-in builds no bar frames for this skin'], {}),
    'ini-only': ({'zelpin.ini': '[ZELPIN]\r\nBlendMethod=1\r\nAnalyzerMode=2\r\nRatio=25\r\nPeaks=0\r\n'},
                 None, 3, [
        'Settings file: zelpin.ini (there is no zelpin.txt)',
        'BlendMethod "1" = 1 1',
        'AnalyzerMode "2" = 2 2',
        'Ratio "25" = 25 32/128 (25.0%)',
        'Peaks "0" = 0 0 off',
        'Analyser: bars, blend add at 32/128 (25.0%), bar colours by height'], {}),
    # With both, only zelpin.txt counts, even without the section.
    'both': ({'zelpin.txt': '[Other]\r\nBlendMethod=2\r\n',
              'zelpin.ini': '[ZELPIN]\r\nBlendMethod=2\r\nRatio=100\r\n'}, None, 3, DEFAULTS[1:] + [
        'Settings file: zelpin.txt (zelpin.ini is there too and is not read)',
        'it has no section [ZELPIN]: every key takes its default'], {}),
    'range': ({'ZELPIN.TXT': '[zelpin]\r\nBlendMethod=258\r\nAnalyzerMode=5\r\nRatio=150\r\n'
                             'Enable=256\r\nPeaks=\r\nRain=1\r\n'}, None, 3, [
        'Settings file: ZELPIN.TXT (as zelpin.txt)',
        'BlendMethod "258" = 258 2 (low byte taken: 258 is 2)',
        'AnalyzerMode "5" = 5 1 (out of range 0..2: the default)',
        'Ratio "150" = 150 51/128 (39.8%) (out of range 0..100: the default 51/128 itself)',
        'Enable "256" = 256 256 on',
        'Peaks "" = 1 1 on (empty: the default)',
        'Rain "1" = 1 1 on',
        'Analyser: rain, blend subtract at 51/128 (39.8%), bar colours from the tip'], {}),
    'range2': ({'zelpin.txt': '[ZELPIN]\r\nBlendMethod=3\r\nAnalyzerMode=256\r\nRatio=356\r\n'},
               None, 3, [
        'BlendMethod "3" = 3 0 (out of range 0..2: the default)',
        'AnalyzerMode "256" = 256 0 (low byte taken: 256 is 0)',
        'Ratio "356" = 356 128/128 (100.0%) (low byte taken: 356 is 100%)'], {}),
    'with-defaults': ({'zelpin.txt': '[ZELPIN]\r\nBlendMethod=7\r\n'},
                      '[ZELPIN]\r\nBlendMethod=2\r\nRatio=50\r\nRain=1\r\n', 3, [
        'BlendMethod 2, AnalyzerMode 1, Ratio 64/128 (50.0%), Enable 1, Peaks 1, Rain 1',
        'BlendMethod "7" = 7 2 (out of range 0..2: the default)',
        'Ratio missing 64/128 (50.0%) (missing: the default 64/128 handed over as 50%)',
        'Analyser: rain, blend subtract at 64/128 (50.0%), bar colours from the tip'], {}),
    'off': ({'zelpin.txt': '[ZELPIN]\r\nEnable=0\r\n'}, None, 1, [
        'Enable "0" = 0 0 off',
        'Vis colours: viscolor.txt is missing: the built-in colours apply',
        'Main bitmap: main.bmp (not read while Enable is 0)',
        'No analyser: Enable is 0, so the plug-in draws nothing for this skin',
        'no figure: Enable is 0: the plug-in draws nothing for this skin'], {'Analyser:': 0}),
    'off-by-default': ({'readme.txt': ''}, '[ZELPIN]\r\nEnable=0\r\n', 1, [
        'Enable missing 0 off (missing: the default)',
        'No analyser: Enable is 0 by default, so the plug-in draws nothing for this skin'], {}),
    'colours': ({'viscolor.txt': '\n// a comment\n300 -1 7\n255,128\n0,abc\n239, 49 ,\t16 // bar\n'},
                None, 3, [
        'entry use stored line as read',
        '0 unused 0,0,0 ""',
        '1 unused 0,0,0 "// a comment"',
        '2 bar 1 44,255,7 "300 -1 7"',
        'red 300 wraps to 44',
        'green -1 wraps to 255',
        '3 bar 2 255,128,0 "255,128"',
        'only 2 of 3 components are numbers: the others are 0',
        '4 bar 3 0,0,0 "0,abc"',
        'only 1 of 3 components is a number: the others are 0; stores black',
        '5 bar 4 239,49,16 "239, 49 ,\\t16 // bar"',
        '6 bar 5 214,115,0 (the built-in colour: the file has only 6 lines)',
        '23 peak 150,150,150 (the built-in colour: the file has only 6 lines)',
        '3 lines without three numbers store black by mistake, 1 wraps a component, '
        '18 entries keep the built-in colour'], {'no number on the line: stores black': 2}),
    # 8 bits: the frame 40,50,60, the vis area in two halves.
    'upper': ({'MAIN.BMP': bmp_8(halves((40, 50, 60)))}, None, 0, [
        'Main bitmap: MAIN.BMP (as main.bmp)',
        'loads: 275 x 116, 8 bits per pixel',
        'the 76 x 16 analyser area at 24,43 lies inside the image',
        'average colour 20,30,40; 2 colours',
        'A = 10,20,30 (608 pixels)',
        'B = 30,40,50 (608 pixels)'], {A_THEN_B: 16}),
    # 90 x 50: 66 x 7 of the area come from the image, the rest is black.
    'small': ({'main.bmp': flat((40, 50, 60), (90, 50))}, None, 0, [
        'loads: 90 x 50, 24 bits per pixel',
        'the 76 x 16 analyser area at 24,43 reaches beyond the image: 66 x 7 of it',
        'average colour 15,19,23; 2 colours',
        'A = 0,0,0 (754 pixels)',
        'B = 40,50,60 (462 pixels)'], {'|' + 'B' * 66 + 'A' * 10 + '|': 7, '|' + 'A' * 76 + '|': 9}),
    # A cut file is refused before the platform's loader sees it.
    'cut': ({'main.bmp': cut_bitmap()}, None, 3, [
        'not a complete bitmap file (1000 bytes: cut short or malformed), not loaded:',
        'Analyser: peaks, blend mix at 49/128 (38.2%), bar colours from the tip',
        'no figure: main.bmp is cut short or malformed: the plug-in builds no bar frames '
        'for this skin'], {}),
    # A misspelt key, words for numbers, and a PNG saved as main.bmp.
    'pitfalls': ({'zelpin.txt': '[ZELPIN]\r\nBlendMode=2\r\nPeaks=yes\r\nRain=1abc\r\nRatio=0x20\r\n',
                  'main.bmp': saved(Image.new('RGB', (275, 116), (9, 9, 9)), 'PNG')}, None, 3, [
        'unknown key "BlendMode": the plug-in ignores it (the nearest known key: BlendMethod)',
        'BlendMethod missing 0 (missing: the default)',
        'Peaks "yes" = 0 0 off',
        '"yes" is not a number: it reads as 0',
        '"1abc" is not a number: it reads as 1',
        'Ratio "0x20" = 32 40/128 (31.2%)',
        'not a bitmap file but a PNG image (save it as a Windows BMP), not loaded:',
        'No bars of its own: main.bmp cannot be used, so the plug-in draws the bar frames of',
        'no figure: main.bmp is a PNG image: the plug-in builds no bar frames for this skin'],
     {'"0x20" is not a number': 0}),
}


class Check(ReportChecks, unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def skin(self, name, files):
        folder = os.path.join(self.tmp.name, name)
        write_folder(folder, files)
        return folder

    def check(self, folder, *extra, status=0):
        code, out, err = run_tool('check', folder, *extra)
        self.assertEqual(status, code, 'exit status; the output:\n' + out + err)
        self.assertNotIn('\r', out)
        return [squeeze(line) for line in (out + err).splitlines()]

    def test_each_skin_as_read(self):
        for name, (files, plugin_ini, status, expected, counts) in CASES.items():
            with self.subTest(name):
                extra = []
                if plugin_ini:
                    write_folder(self.tmp.name, {name + '.ini': plugin_ini})
                    extra = ['--plugin-ini', os.path.join(self.tmp.name, name + '.ini')]
                lines = self.check(self.skin(name, files), *extra, status=status)
                self.expect_lines(expected, lines)
                self.assertEqual(counts, {start: sum(line.startswith(start) for line in lines)
                                          for start in counts})

    def test_names_print_as_written(self):
        # The tool names files in the platform's ANSI code page; the terminal
        # must still see the accents of a folder and of a file name.
        folder = self.skin(os.path.join('Skins', 'Überskin Café'), {
            'main.bmp': flat((9, 9, 9)), 'Zelpin.Txt': '[ZELPIN]\r\nRatio=100\r\n'})
        windows = 'Z:' + folder.replace('/', '\\')
        self.expect_lines(['Skin folder: %s' % windows, 'Settings file: Zelpin.Txt (as zelpin.txt)'],
                          self.check(folder))
        lines = self.check(os.path.dirname(folder), '--all')
        self.expect_lines(['Skins folder: Z:' + os.path.dirname(folder).replace('/', '\\')], lines)
        self.assertTrue(any(line.startswith('Überskin Café shown peaks mix 128/128') for line in lines),
                        'no row for "Überskin Café"; the output:\n' + '\n'.join(lines))

    def test_visibility_figures_and_the_best_setting(self):
        # The CIEDE2000 in use, and its colour space, against published values.
        for lab1, lab2, expected in SHARMA_PAIRS:
            got = float(deltaE_ciede2000(np.array(lab1), np.array(lab2)))
            self.assertEqual(expected, round(got, 4), 'CIEDE2000 of %s and %s' % (lab1, lab2))
        for rgb, lab in SRGB_LAB:
            got = rgb2lab(np.array(rgb) / 255.0)
            self.assertTrue(np.allclose(lab, got, rtol=0, atol=0.005),
                            'CIELAB of sRGB %s: %s' % (rgb, got))

        # Flat backgrounds, and one of two halves under hanging bars, which
        # light the top half most. Figures worked out from the blends'
        # definitions and skimage's CIEDE2000, independently of the tool.
        cases = [
            # name, background (one colour or 16 rows), bar colours, peak colour, settings,
            # the lines expected
            ('own-hue', SHADED, SHADES, (30, 83, 163), {}, [
                'bars median 0.34, 10th percentile 0.00',
                'peaks median 2.76, 10th percentile 2.76',
                'the analyser is invisible (bars median below 2.3, the just-noticeable difference)',
                'mix 49/128 (38.2%) 0.34 0.00 2.76 2.76 invisible (in effect)',
                'add 49/128 (38.2%) 10.02 9.43 12.21 12.21 clearly visible',
                'subtract 49/128 (38.2%) 10.20 9.62 12.33 12.33 clearly visible',
                'mix 128/128 (100.0%) 1.38 0.00 8.05 8.05 invisible',
                'add 128/128 (100.0%) 25.28 24.14 31.55 31.55 clearly visible',
                'subtract 128/128 (100.0%) 30.12 30.12 30.12 30.12 clearly visible',
                'Best: BlendMethod=2, Ratio=100 (subtract 128/128 (100.0%): clearly visible, '
                'bars median 30.12)']),
            ('bright-on-dark', (10, 10, 20), [(255, 255, 0)] * 16, (255, 255, 255), {}, [
                'the analyser is clearly visible (bars median 10 or more)',
                'subtract 49/128 (38.2%) 3.52 3.52 5.30 5.30 hard to see',
                'Best: BlendMethod=0, Ratio=100 (mix 128/128 (100.0%): clearly visible, '
                'bars median 101.37)']),
            ('one-colour', (40, 80, 120), [(200, 60, 30)] * 16, (250, 250, 90),
             {'BlendMethod': 1, 'Ratio': 50}, [
                'mix 64/128 (50.0%) 29.78 29.78 51.30 51.30 clearly visible',
                'add 64/128 (50.0%) 27.65 27.65 53.75 53.75 clearly visible (in effect)',
                'subtract 64/128 (50.0%) 9.75 9.75 23.79 23.79 faint',
                'mix 128/128 (100.0%) 43.97 43.97 75.02 75.02 clearly visible',
                'add 128/128 (100.0%) 50.13 50.13 64.70 64.70 clearly visible',
                'subtract 128/128 (100.0%) 18.99 18.99 24.41 24.41 clearly visible',
                'Best: BlendMethod=1, Ratio=100 (add 128/128 (100.0%): clearly visible, '
                'bars median 50.13)']),
            ('two-halves', [(200, 200, 200)] * 8 + [(40, 40, 40)] * 8, [(0, 0, 0)] * 16,
             (90, 0, 0), {'Ratio': 100, 'Rain': 1}, [
                'bars median 71.20, 10th percentile 9.91',
                'peaks median 46.04, 10th percentile 23.97',
                'mix 128/128 (100.0%) 71.20 9.91 46.04 23.97 clearly visible (in effect)',
                'add 128/128 (100.0%) 0.00 0.00 22.10 18.12 invisible',
                'subtract 128/128 (100.0%) 0.00 0.00 17.62 14.02 invisible',
                'Best: the settings in effect (BlendMethod=0, Ratio=100)']),
        ]
        for name, background, bars, peak, keys, expected in cases:
            rows = background if len(background) == 16 else [background] * 16
            files = {'main.bmp': bmp_24(framed((1, 2, 3), rows)),
                     'viscolor.txt': viscolor(bars, peak)}
            if keys:
                files['zelpin.txt'] = settings(**keys)
            lines = self.check(self.skin(name, files))
            self.expect_lines(expected, lines)
            # At the full ratio one row each, not two.
            self.assertEqual(1 if keys.get('Ratio') == 100 else 2,
                             sum(line.startswith('mix ') for line in lines), name)


BACKGROUND = (0, 0, 128)
WHITE = (255, 255, 255)
SHADED = (30, 60, 140)


class Preview(unittest.TestCase):
    """A skin whose file names are all in other letter cases: a flat blue
    background, white bars and a red peak colour, mixed at the full ratio,
    played to a FLAC song; and, played briefly to an OGG song, one whose bars
    are shades of its background. (The contact sheet plays an MP3 song.)"""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        colours = ['0,0,0'] * 2 + ['255,255,255'] * 16 + ['0,0,0'] * 5 + ['255,0,0']
        cls.out, cls.result = cls.preview('Case Skin', {
            'MAIN.BMP': flat(BACKGROUND), 'VisColor.TXT': '\r\n'.join(colours) + '\r\n',
            'Zelpin.Txt': settings(BlendMethod=0, AnalyzerMode=1, Ratio=100, Peaks=1, Rain=0)},
            'song.flac', 1.5)
        cls.shaded_out, cls.shaded = cls.preview('Shaded', {
            'main.bmp': flat(SHADED), 'viscolor.txt': viscolor(SHADES, SHADES[-1])}, 'song.ogg', 0.5)

    @classmethod
    def preview(cls, name, files, song, seconds):
        skin, out, song = (os.path.join(cls.tmp.name, n) for n in (name, name + '-out', song))
        write_folder(skin, files)
        write_song(song)
        return out, run_tool('preview', skin, song, '--out', out, '--seconds', str(seconds),
                             '--keep-captures', '--no-build')

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        for status, out, err in (self.result, self.shaded):
            self.assertEqual(0, status, out + err)

    def capture(self, name, out=None):
        fps, frames = capture_to_gif.read_capture(os.path.join(out or self.out, 'captures',
                                                               name + '.cap'))
        self.assertEqual(60, fps)
        # How many frames a run of so many seconds captures depends on the
        # machine's speed; what each shows does not.
        self.assertGreaterEqual(len(frames), 2, name)
        return [np.asarray(image) for _, image in frames]

    def gif_frames(self, name, out=None):
        out = out or self.out
        with Image.open(os.path.join(out, name)) as gif:
            frames, shown = [], 0
            for k in range(gif.n_frames):
                gif.seek(k)
                frames.append(np.asarray(gif.convert('RGB')))
                shown += gif.info['duration']
        # Every second 60th of a second up to the last frame captured in any
        # run, each 1/30 s (rounded to the GIF's hundredths): a run of the
        # same picture is one frame shown for longer.
        last = max(capture_to_gif.read_capture(os.path.join(out, 'captures', cap))[1][-1][0]
                   for cap in os.listdir(os.path.join(out, 'captures')))
        self.assertEqual(round((last // 2 + 1) * 100 / 30) * 10, shown, name)
        return frames

    def expect_shown_in_order(self, panels, captured, what):
        """Each GIF panel is a frame the window showed, in the order shown."""
        at = 0
        for k, panel in enumerate(panels):
            found = next((i for i in range(at, len(captured))
                          if np.array_equal(captured[i], panel)), None)
            self.assertIsNotNone(found, '%s: GIF frame %d is no captured frame from %d on'
                                 % (what, k, at))
            at = found

    def test_output_files_and_report(self):
        self.assertEqual(['analyser.gif', 'captures', 'check.txt', 'main.png', 'variants.gif'],
                         sorted(os.listdir(self.out)))
        with Image.open(os.path.join(self.out, 'main.png')) as png:
            self.assertEqual((275, 116), png.size)
            self.assertEqual(BACKGROUND, png.convert('RGB').getpixel((5, 5)))
        with open(os.path.join(self.out, 'check.txt')) as f:
            report = [squeeze(line) for line in f.read().splitlines()]
        # White bars on navy: mix and add give white, the best already in effect.
        for line in ('Settings file: Zelpin.Txt (as zelpin.txt)',
                     'Vis colours: VisColor.TXT (as viscolor.txt)',
                     'Main bitmap: MAIN.BMP (as main.bmp)',
                     'Analyser: peaks, blend mix at 128/128 (100.0%), bar colours from the tip',
                     'bars median 85.52, 10th percentile 85.52',
                     'peaks median 55.85, 10th percentile 55.85',
                     'the analyser is clearly visible (bars median 10 or more)',
                     'Best: the settings in effect (BlendMethod=0, Ratio=100)'):
            self.assertIn(line, report)
        # The verdict and where the pictures are; the report only in check.txt.
        self.assertEqual([
            'preview: in its own settings the analyser is clearly visible (bars median 85.52)',
            'preview: pictures in %s: analyser.gif, variants.gif, main.png, captures/; the full '
            'report in check.txt' % self.out], self.result[1].splitlines())
        self.assertEqual('', self.result[2])
        self.assertNotIn('best.cap', os.listdir(os.path.join(self.out, 'captures')))

    def test_faint_skin_frames_the_best_blend(self):
        # Shades of the background at the default mix: subtracting them at
        # 100% leaves black bars, the best of the six (the own-hue skin above).
        self.assertIn('preview: in its own settings the analyser is invisible (bars median 0.34); '
                      'variants.gif frames the best: BlendMethod=2, Ratio=100\n',
                      self.shaded[1])
        frames = np.stack(self.capture('best', self.shaded_out))
        self.assertEqual({SHADED, (0, 0, 0)},
                         colours_of(frames))
        grid = skin_preview.Grid('', None, 'best')
        x, y = grid.best
        gif = self.gif_frames('variants.gif', self.shaded_out)
        self.assertEqual(pictures.BEST, tuple(int(v) for v in gif[0][y - 2, x - 2]))
        self.expect_shown_in_order([f[y:y + 48:3, x:x + 228:3] for f in gif],
                                   self.capture('best', self.shaded_out), 'best')

    def test_analyser_gif_is_the_captured_window_enlarged(self):
        frames = self.gif_frames('analyser.gif')
        self.assertEqual((64, 304, 3), frames[0].shape)
        captured = self.capture('own')
        self.assertTrue(np.array_equal(captured[0], frames[0][::4, ::4]))
        self.expect_shown_in_order([f[::4, ::4] for f in frames], captured, 'own settings')
        for f in frames:
            self.assertTrue(np.array_equal(f, np.repeat(np.repeat(f[::4, ::4], 4, 0), 4, 1)))

    def test_variants_gif_panels_are_the_captured_windows(self):
        frames = self.gif_frames('variants.gif')
        grid = skin_preview.Grid('', None)
        w, h = 76 * 3, 16 * 3
        places = dict(grid.cells, own=grid.own)
        for key, (x, y) in places.items():
            name = key if key == 'own' else '%s-%s' % key
            panels = [f[y:y + h:3, x:x + w:3] for f in frames]
            self.expect_shown_in_order(panels, self.capture(name), name)

    def test_each_variant_in_its_style_and_blend(self):
        # At the full ratio: mix gives the colour itself, add adds it to the
        # background (clamped), subtract takes it away (clamped at 0).
        expected = {
            'own': {BACKGROUND, WHITE, (255, 0, 0)},
            'bars-mix': {BACKGROUND, WHITE},
            'peaks-mix': {BACKGROUND, WHITE, (255, 0, 0)},
            'rain-mix': {BACKGROUND, WHITE, (255, 0, 0)},
            'bars-add': {BACKGROUND, WHITE},
            'peaks-add': {BACKGROUND, WHITE, (255, 0, 128)},
            'rain-add': {BACKGROUND, WHITE, (255, 0, 128)},
            'bars-subtract': {BACKGROUND, (0, 0, 0)},
            'peaks-subtract': {BACKGROUND, (0, 0, 0)},
            'rain-subtract': {BACKGROUND, (0, 0, 0)},
        }
        for name, colours in expected.items():
            frames = np.stack(self.capture(name))
            self.assertEqual(colours, colours_of(frames), name)
            # Standing bars fill the bottom row more often than the top; hanging ones the top.
            drawn = np.any(frames != BACKGROUND, axis=3)
            top, bottom = int(drawn[:, 0].sum()), int(drawn[:, 15].sum())
            if name.startswith('rain'):
                self.assertGreater(top, bottom, name)
            else:
                self.assertGreater(bottom, top, name)


if __name__ == '__main__':
    main()
