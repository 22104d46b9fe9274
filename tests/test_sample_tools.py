"""The demo's sample tools: the generated sample, the spectrum frames and the
capture-to-GIF conversion."""

import math
import os
import struct
import sys
import tempfile
import unittest
import wave

import numpy as np
import soundfile
from PIL import Image

from scriptlib import capture_to_gif, make_sample, spectrum_frames, to_png


def read_all(folder):
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, 'rb') as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


class MakeSample(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.first = os.path.join(cls.tmp.name, 'a')
        cls.second = os.path.join(cls.tmp.name, 'b')
        make_sample.make_sample(cls.first)
        make_sample.make_sample(cls.second)
        cls.files = read_all(cls.first)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_same_bytes_on_every_run(self):
        self.assertEqual(sorted(self.files), sorted(read_all(self.second)))
        for name, data in read_all(self.second).items():
            self.assertEqual(self.files[name], data, name)

    def test_tune_is_8_seconds_of_cd_audio_not_clipped(self):
        with wave.open(os.path.join(self.first, 'tune.wav')) as w:
            self.assertEqual((2, 2, 44100, 352800),
                             (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()))
            samples = np.frombuffer(w.readframes(w.getnframes()), dtype='<i2')
        self.assertEqual(29163, int(np.abs(samples.astype(int)).max()))   # 0.89 of full scale

    def test_three_distinct_skins_with_their_own_settings(self):
        skins = sorted({name.split(os.sep)[1] for name in self.files if name.startswith('Skins')})
        self.assertEqual(['Ember', 'Harbour', 'Moss'], skins)
        bitmaps = set()
        blends = {}
        for skin in skins:
            bmp = self.files[os.path.join('Skins', skin, 'main.bmp')]
            width, height = struct.unpack_from('<ii', bmp, 18)
            bits = struct.unpack_from('<H', bmp, 28)[0]
            self.assertEqual((275, 116, 24, 96102), (width, height, bits, len(bmp)), skin)
            bitmaps.add(bmp)
            colours = self.files[os.path.join('Skins', skin, 'viscolor.txt')].decode().splitlines()
            self.assertEqual(24, len(colours), skin)
            for line in colours:
                self.assertRegex(line, r'^\d{1,3},\d{1,3},\d{1,3} // ', skin)
            settings = self.files[os.path.join('Skins', skin, 'zelpin.txt')].decode()
            self.assertTrue(settings.startswith('[ZELPIN]\r\n'), skin)
            blends[skin] = settings.split('BlendMethod=')[1][0]
        self.assertEqual(3, len(bitmaps))
        self.assertEqual({'Harbour': '0', 'Ember': '1', 'Moss': '2'}, blends)

    def test_vis_area_is_plain_background_with_dots(self):
        # The analyser's background: the skin's vis colours 0 and 1 only.
        for skin, background, dots in (('Harbour', (8, 14, 28), (22, 36, 62)),
                                       ('Ember', (22, 8, 4), (46, 18, 10)),
                                       ('Moss', (196, 214, 170), (182, 200, 156))):
            with Image.open(os.path.join(self.first, 'Skins', skin, 'main.bmp')) as image:
                area = image.crop((24, 43, 100, 59))
            self.assertEqual({background, dots}, {c for _, c in area.getcolors()}, skin)
            self.assertEqual(background, area.getpixel((0, 0)), skin)
            self.assertEqual(dots, area.getpixel((1, 1)), skin)


class SpectrumFrames(unittest.TestCase):
    def test_pure_tone_lands_in_its_bin(self):
        rate = 44100
        freq = 20 * rate / 1152.0          # the centre of bin 20: 765.625 Hz
        t = np.arange(rate) / rate
        tone = np.round(0.05 * 32767 * np.sin(2 * math.pi * freq * t)).astype('<i2')
        with tempfile.TemporaryDirectory() as tmp:
            wav, out = os.path.join(tmp, 'tone.wav'), os.path.join(tmp, 'tone.frames')
            soundfile.write(wav, tone, rate)
            sys.argv = ['spectrum_frames.py', wav, out, '--fps', '30']
            spectrum_frames.main()
            frames = np.fromfile(out, dtype=np.uint8)
        self.assertEqual(30 * 1152, frames.size)   # 1 s at 30 frames a second
        frame = frames.reshape(30, 2, 576)[15]
        for channel in (0, 1):                     # a mono file fills both
            self.assertEqual(20, int(np.argmax(frame[channel])))
            # -26.0 dB, +7.0 dB tilt at bin 20: x = (-19.05 + 72) / 60, 255 x^2
            self.assertEqual(199, frame[channel][20])
            self.assertEqual(0, frame[channel][10])
            self.assertEqual(0, frame[channel][100])

    def test_silence_gives_zeros(self):
        frames = spectrum_frames.spectrum_frames(np.zeros((4410, 2)), 44100, 60)
        self.assertEqual((6, 2, 576), frames.shape)
        self.assertEqual(0, int(frames.max()))


def capture_bytes(frames, fps=60):
    data = b'ZCAP' + struct.pack('<I', fps)
    for slot, w, h, bgr in frames:
        data += struct.pack('<IHH', slot, w, h) + bytes(bgr) * (w * h)
    return data


class CaptureToGif(unittest.TestCase):
    def test_frames_scaled_to_one_size_with_real_timing(self):
        frames = [(0, 76, 16, (0, 0, 255)), (1, 76, 16, (0, 255, 0)),
                  (2, 152, 32, (255, 0, 0)), (6, 76, 16, (255, 255, 255))]
        with tempfile.TemporaryDirectory() as tmp:
            cap, gif = os.path.join(tmp, 'c.cap'), os.path.join(tmp, 'c.gif')
            with open(cap, 'wb') as f:
                # A last frame cut short, as when the host stops mid-write.
                f.write(capture_bytes(frames) + struct.pack('<IHH', 7, 76, 16) + b'\0' * 10)
            self.assertEqual(4, capture_to_gif.make_gif(cap, gif, scale=2, step=1))
            seen = []
            with Image.open(gif) as image:
                self.assertEqual((304, 64), image.size)
                for i in range(image.n_frames):
                    image.seek(i)
                    seen.append((image.convert('RGB').getpixel((0, 0)), image.info['duration']))
        # Slots 0, 1, 2, 6 at 60 a second: 0, 1.7, 3.3, 10 cs, then one frame
        # more: durations 2 (the least), 2, 7 and 2 cs.
        self.assertEqual([((255, 0, 0), 20), ((0, 255, 0), 20), ((0, 0, 255), 70),
                          ((255, 255, 255), 20)], seen)

    def test_bmp_to_png_enlarged(self):
        with tempfile.TemporaryDirectory() as tmp:
            bmp = os.path.join(tmp, 'shot.bmp')
            Image.new('RGB', (275, 116), (1, 2, 3)).save(bmp)
            png = to_png.to_png(bmp, scale=2)
            self.assertEqual(os.path.join(tmp, 'shot.png'), png)
            with Image.open(png) as image:
                self.assertEqual(((550, 232), (1, 2, 3)), (image.size, image.getpixel((549, 231))))


if __name__ == '__main__':
    unittest.main()
