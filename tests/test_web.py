"""The web page (built by scripts/web) in headless Chromium, served locally,
against the 32-bit library in the stand-in host (ZELPIN_BUILD) and
scriptlib/spectrum_frames.py; run under the virtual display."""

import base64
import functools
import http.server
import io
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
import zipfile

import numpy as np
from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

from scriptlib import capture_to_gif, make_sample, player_runs, spectrum_frames
from tests.support.skin_collection_fixtures import write_song

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get('ZELPIN_BUILD', os.path.join(ROOT, 'build', 'win32'))
SITE = os.path.join(ROOT, 'build', 'web', 'site')
FRAMES = 120
VIS_BYTES = 76 * 16 * 3
STYLES = {'bars': dict(Peaks=0, Rain=0), 'peaks': dict(Peaks=1, Rain=0), 'rain': dict(Peaks=1, Rain=1)}


def b64(data):
    return base64.b64encode(data).decode('ascii')


def start_browser(downloads):
    """Headless Chromium with nothing reaching for the network."""
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
                '--disable-component-update', '--disable-sync', '--no-first-run',
                '--autoplay-policy=no-user-gesture-required', '--user-data-dir=' + downloads):
        options.add_argument(arg)
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


class WebPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([os.path.join(ROOT, 'scripts', 'web'), '--build-only'], check=True,
                       stdout=subprocess.DEVNULL)
        cls.tmp = tempfile.TemporaryDirectory()
        cls.sample = os.path.join(cls.tmp.name, 'sample')
        make_sample.make_sample(cls.sample)
        cls.tune = make_sample.make_tune()
        handler = functools.partial(QuietHandler, directory=SITE)
        cls.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.browser = start_browser(os.path.join(cls.tmp.name, 'chromium'))
        started = time.monotonic()
        cls.browser.get('http://127.0.0.1:%d/' % cls.server.server_address[1])
        cls.ready_ms = cls.wait_for('return window.zelpinReadyMs')
        print('web: ready %.0f ms after the page was asked for (%.0f ms after it began to load)'
              % ((time.monotonic() - started) * 1000, cls.ready_ms))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()
        cls.tmp.cleanup()

    @classmethod
    def wait_for(cls, script, seconds=30):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            value = cls.browser.execute_script(script)
            if value:
                return value
            time.sleep(0.05)
        raise AssertionError('timed out waiting for: ' + script)

    def skin_variants(self):
        """Harbour's main.bmp as it is (24 bits), Moss's as 8 bits with a
        colour table, each in every style and blend, its own colour mode
        and ratio kept."""
        for name in ('Harbour', 'Moss'):
            folder = os.path.join(self.sample, 'Skins', name)
            picture = Image.open(os.path.join(folder, 'main.bmp'))
            if name == 'Moss':
                picture = picture.convert('P', palette=Image.ADAPTIVE, colors=256)
            bitmap = io.BytesIO()
            picture.save(bitmap, 'BMP')
            with open(os.path.join(folder, 'viscolor.txt'), 'rb') as f:
                colors = f.read()
            own = make_sample.SKINS[name]['settings']
            for style, switches in STYLES.items():
                for blend in range(3):
                    settings = dict(own, BlendMethod=blend, **switches)
                    yield ('%s-%s-%d' % (name, style, blend),
                           {'main.bmp': bitmap.getvalue(), 'viscolor.txt': colors,
                            'zelpin.txt': player_runs.settings_text(settings).encode('ascii')})

    def host_frames(self, variants, frames_path):
        """What the library drew after each frame, the variants in turn in one
        host run, as {label: RGB bytes}."""
        player = os.path.join(self.tmp.name, 'player')
        os.makedirs(os.path.join(player, 'Plugins'))
        shutil.copy(os.path.join(BUILD, 'zelpin_host.exe'), player)
        shutil.copy(os.path.join(BUILD, 'vis_zelpin.dll'), os.path.join(player, 'Plugins'))
        shutil.copy(os.path.join(ROOT, 'plugin', 'plugin.ini'), os.path.join(player, 'Plugins'))
        for label, files in variants:
            skin = os.path.join(player, 'Skins', label)
            os.makedirs(skin)
            for name, data in files.items():
                with open(os.path.join(skin, name), 'wb') as f:
                    f.write(data)
        labels = [label for label, _ in variants]
        capture = os.path.join(self.tmp.name, 'host.zcap')
        result = player_runs.wine(['zelpin_host.exe', '--skin', labels[0], '--each-frame', ';'.join(labels),
                                   '--frames', player_runs.windows_path(frames_path),
                                   '--capture', player_runs.windows_path(capture)], cwd=player)
        self.assertEqual(0, result.returncode, result.stdout)
        _, captured = capture_to_gif.read_capture(capture)
        drawn = b''.join(image.tobytes() for _, image in captured)
        size = FRAMES * VIS_BYTES
        self.assertEqual(len(labels) * size, len(drawn), 'bytes the host captured')
        return {label: drawn[n * size:(n + 1) * size] for n, label in enumerate(labels)}

    def test_canvas_equals_the_library_frame_by_frame(self):
        samples = self.tune.astype(np.float64) / 32768.0
        frames = spectrum_frames.spectrum_frames(samples, make_sample.RATE)[:FRAMES].tobytes()
        frames_path = os.path.join(self.tmp.name, 'frames.bin')
        with open(frames_path, 'wb') as f:
            f.write(frames)
        variants = list(self.skin_variants())
        expected = self.host_frames(variants, frames_path)
        times = []
        # The analyser's columns carry from one variant to the next in the
        # host's one process, and so they do on the page.
        for n, (label, files) in enumerate(variants):
            with self.subTest(variant=label):
                got = self.browser.execute_async_script(
                    'zelpinTest.drawFrames(arguments[0], arguments[1], arguments[2]).then(arguments[3])',
                    {name: b64(data) for name, data in files.items()}, b64(frames), n == 0)
                times.append(got['msPerFrame'])
                page = base64.b64decode(got['rgb'])
                host = expected[label]
                self.assertEqual(len(host), len(page), 'page frames of ' + label)
                pictures = len({host[k * VIS_BYTES:(k + 1) * VIS_BYTES] for k in range(FRAMES)})
                self.assertGreater(pictures, FRAMES // 2, label + ': distinct pictures the library drew')
                for k in range(FRAMES):
                    a = host[k * VIS_BYTES:(k + 1) * VIS_BYTES]
                    b = page[k * VIS_BYTES:(k + 1) * VIS_BYTES]
                    if a != b:
                        i = next(i for i in range(0, VIS_BYTES, 3) if a[i:i + 3] != b[i:i + 3])
                        self.fail('%s frame %d pixel (%d, %d): library %s, page %s' % (
                            label, k, i // 3 % 76, i // 3 // 76, tuple(a[i:i + 3]), tuple(b[i:i + 3])))
        print('web: a frame drawn into the canvas in %.4f ms on average; the analyser alone %.4f ms'
              % (sum(times) / len(times), self.browser.execute_script('return zelpinTest.renderMs(20000)')))

    def test_spectrum_is_the_hosts_to_the_byte(self):
        # Stereo at 44.1 kHz; mono at 22.05 kHz, where frame times fall on
        # half samples and the rounding rule shows.
        cases = [(self.tune[:2 * make_sample.RATE], make_sample.RATE),
                 (self.tune[:make_sample.RATE, :1], make_sample.RATE // 2)]
        for samples, rate in cases:
            with self.subTest(channels=samples.shape[1], rate=rate):
                floats = samples.astype(np.float64) / 32768.0
                expected = spectrum_frames.spectrum_frames(floats, rate).tobytes()
                planar = np.ascontiguousarray(floats.T).astype('<f4').tobytes()
                got = base64.b64decode(self.browser.execute_script(
                    'return zelpinTest.spectrum(arguments[0], arguments[1], arguments[2])',
                    b64(planar), samples.shape[1], rate))
                self.assertEqual(len(expected), len(got))
                differ = [i for i in range(len(got)) if got[i] != expected[i]]
                self.assertEqual([], differ[:10], 'bytes that differ (of %d): page %s, host %s' % (
                    len(differ), [got[i] for i in differ[:10]], [expected[i] for i in differ[:10]]))

    def test_a_skin_archive_and_a_song_move_the_analyser(self):
        archive = os.path.join(self.tmp.name, 'Ember.wsz')
        with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as z:
            for name in ('main.bmp', 'viscolor.txt', 'zelpin.txt'):
                z.write(os.path.join(self.sample, 'Skins', 'Ember', name), 'Ember/' + name.upper())
        song = os.path.join(self.tmp.name, 'song.wav')
        write_song(song)
        self.browser.find_element(By.ID, 'skin-input').send_keys(archive)
        self.wait_for("return document.getElementById('status').textContent == 'Skin loaded.'")
        self.assertEqual('1', self.browser.execute_script("return document.getElementById('blend').value"),
                         "Ember's own BlendMethod")
        self.browser.find_element(By.ID, 'audio-input').send_keys(song)
        self.wait_for("return !document.getElementById('play').disabled")
        vis = ("return Array.from(document.getElementById('normal').getContext('2d')"
               ".getImageData(24, 43, 76, 16).data).join()")
        still = self.browser.execute_script(vis)
        self.browser.find_element(By.ID, 'play').click()
        seen = set()
        until = time.monotonic() + 3
        while time.monotonic() < until and len(seen) < 5:
            seen.add(self.browser.execute_script(vis))
            seen.discard(still)
            time.sleep(0.1)
        self.browser.find_element(By.ID, 'stop').click()
        self.assertGreaterEqual(len(seen), 5, 'vis area pictures while the song plays, besides the still one')


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


if __name__ == '__main__':
    unittest.main()
