"""scripts/package: the files a Windows user downloads, checked without
running them: names carrying the version, the zip's contents, the read-me's
line ends, the checksums, and the installer's own version resource.
"""

import hashlib
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests'))
from test_library import DLL, RT_VERSION, resource_data, version_info  # noqa: E402


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def bare_line_ends(data):
    """Offsets of line feeds without a carriage return before them, and of
    carriage returns without a line feed after them."""
    return [m.start() for m in re.finditer(rb'(?<!\r)\n|\r(?!\n)', data)]


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = read(os.path.join(ROOT, 'VERSION')).decode().strip()
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, 'dist')
        cls.result = subprocess.run([os.path.join(ROOT, 'scripts', 'package'), '--no-build',
                                  '--out', cls.out],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        cls.setup = 'zelpin-%s-setup.exe' % cls.version
        cls.zip = 'zelpin-%s.zip' % cls.version

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.assertEqual(0, self.result.returncode, self.result.stdout.decode(errors='replace'))

    def test_files_named_after_the_version(self):
        self.assertEqual(sorted(['SHA256SUMS', self.setup, self.zip]), sorted(os.listdir(self.out)))

    def test_zip_holds_library_defaults_and_readme(self):
        with zipfile.ZipFile(os.path.join(self.out, self.zip)) as z:
            self.assertEqual(['vis_zelpin.dll', 'plugin.ini', 'zelpin-readme.txt'], z.namelist())
            self.assertIsNone(z.testzip())
            files = {name: z.read(name) for name in z.namelist()}
        self.assertEqual(read(DLL), files['vis_zelpin.dll'], 'the zip\'s library is not ' + DLL)
        source = read(os.path.join(ROOT, 'plugin', 'plugin.ini')).decode()
        self.assertEqual('\r\n'.join(source.splitlines()) + '\r\n', files['plugin.ini'].decode(),
                         'plugin.ini: the defaults file with CRLF line ends')

        readme = files['zelpin-readme.txt']
        self.assertEqual([], bare_line_ends(readme), 'read-me: offsets of bare line ends')
        self.assertTrue(readme.endswith(b'\r\n'), readme[-20:])
        text = readme.decode('ascii')
        self.assertEqual('ZELPIN %s' % self.version, text.splitlines()[0])
        self.assertNotIn('@', text)
        for needed in ('zelpin-%s-setup.exe' % self.version, 'Plugins', 'winamp.exe',
                       'BlendMethod', 'AnalyzerMode', 'Ratio', 'Enable', 'Peaks', 'Rain',
                       'DependQuelbix', 'zelpin.txt', 'own analyser'):
            self.assertIn(needed, text, 'read-me lacks %r' % needed)

    def test_sha256sums_lists_both_files(self):
        lines = read(os.path.join(self.out, 'SHA256SUMS')).decode().splitlines()
        self.assertEqual([self.setup, self.zip], [line[66:] for line in lines])
        for line in lines:
            name = line[66:]
            expected = hashlib.sha256(read(os.path.join(self.out, name))).hexdigest()
            self.assertEqual('%s  %s' % (expected, name), line)
        check = subprocess.run(['sha256sum', '--check', '--strict', 'SHA256SUMS'], cwd=self.out,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(0, check.returncode, check.stdout.decode(errors='replace'))

    def test_installer_carries_the_version(self):
        image = read(os.path.join(self.out, self.setup))
        self.assertEqual(b'MZ', image[:2])
        pe = int.from_bytes(image[0x3C:0x40], 'little')
        self.assertEqual(0x14C, int.from_bytes(image[pe + 4:pe + 6], 'little'),
                         'machine: the installer is a 32-bit x86 program')
        data = resource_data(image, RT_VERSION)
        self.assertIsNotNone(data, 'the installer has no version resource')
        fixed, strings = version_info(data)
        major, minor, patch = (int(part) for part in self.version.split('.'))
        self.assertEqual(((major << 16) | minor, patch << 16), fixed[:2])
        self.assertEqual(('ZELPIN', self.version, self.version),
                         (strings.get('ProductName'), strings.get('ProductVersion'),
                          strings.get('FileVersion')))


if __name__ == '__main__':
    unittest.main(verbosity=2)
