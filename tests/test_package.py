"""scripts/package's files, checked without running them, and the same bytes
again from a second clean build elsewhere."""

import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

from tests.test_library import DLL, SYMBOLS, read, version_resource

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def sha256(path):
    return hashlib.sha256(read(path)).hexdigest()


def commit_time():
    """The time the release carries: SOURCE_DATE_EPOCH, else the last commit's."""
    return int(os.environ.get('SOURCE_DATE_EPOCH') or subprocess.run(
        ['git', '-C', ROOT, 'log', '-1', '--format=%ct'], stdout=subprocess.PIPE, text=True).stdout)


def release(out):
    """The version, and scripts/package's run into out (after the web page the
    package holds is built: the build does not make it)."""
    subprocess.run([os.path.join(ROOT, 'scripts', 'web'), '--build-only'], check=True,
                   stdout=subprocess.DEVNULL)
    return read(os.path.join(ROOT, 'VERSION')).decode().strip(), subprocess.run(
        [os.path.join(ROOT, 'scripts', 'package'), '--no-build', '--out', out],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)


def shipped_defaults():
    """plugin/plugin.ini with CRLF line ends, as the release carries it."""
    return ('\r\n'.join(read(os.path.join(ROOT, 'plugin', 'plugin.ini')).decode().splitlines())
            + '\r\n').encode()


def bare_line_ends(data):
    """Offsets of line feeds without a carriage return before them, and of
    carriage returns without a line feed after them."""
    return [m.start() for m in re.finditer(rb'(?<!\r)\n|\r(?!\n)', data)]


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, 'dist')
        cls.version, cls.result = release(cls.out)
        cls.setup = 'zelpin-%s-setup.exe' % cls.version
        cls.zip = 'zelpin-%s.zip' % cls.version
        cls.symbols = 'zelpin-%s-symbols.zip' % cls.version
        cls.web = 'zelpin-%s-web.zip' % cls.version

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.assertEqual(0, self.result.returncode, self.result.stdout.decode(errors='replace'))

    def test_files_named_after_the_version(self):
        self.assertEqual(sorted(['SHA256SUMS', self.setup, self.zip, self.symbols, self.web]),
                         sorted(os.listdir(self.out)))

    def test_zip_holds_library_defaults_and_readme(self):
        with zipfile.ZipFile(os.path.join(self.out, self.zip)) as z:
            self.assertEqual(['vis_zelpin.dll', 'plugin.ini', 'zelpin-readme.txt'], z.namelist())
            self.assertIsNone(z.testzip())
            files = {name: z.read(name) for name in z.namelist()}
        self.assertEqual(read(DLL), files['vis_zelpin.dll'], 'the zip\'s library is not ' + DLL)
        self.assertEqual(shipped_defaults(), files['plugin.ini'], 'plugin.ini')

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

    def test_symbols_zip_holds_the_library_symbols(self):
        with zipfile.ZipFile(os.path.join(self.out, self.symbols)) as z:
            self.assertEqual(['vis_zelpin.dll.debug'], z.namelist())
            self.assertEqual(read(SYMBOLS), z.read('vis_zelpin.dll.debug'),
                             'the symbols zip\'s file is not ' + SYMBOLS)

    def test_web_zip_holds_the_built_page(self):
        site = os.path.join(ROOT, 'build', 'web', 'site')
        with zipfile.ZipFile(os.path.join(self.out, self.web)) as z:
            self.assertEqual(['index.html', 'page.css', 'page.js', 'zelpin_core.js', 'zelpin_core.wasm',
                              'plugin.ini'], z.namelist())
            for name in z.namelist():
                self.assertEqual(read(os.path.join(site, name)), z.read(name), name)

    def test_zip_entries_carry_the_commit_time(self):
        # A zip keeps times in two-second steps.
        stamp = time.gmtime(commit_time() // 2 * 2)[:6]
        for archive in (self.zip, self.symbols, self.web):
            with zipfile.ZipFile(os.path.join(self.out, archive)) as z:
                for info in z.infolist():
                    self.assertEqual((stamp, 3, 0o644),
                                     (info.date_time, info.create_system, info.external_attr >> 16),
                                     '%s: %s: time, system, mode' % (archive, info.filename))

    def test_sha256sums_lists_every_file(self):
        lines = read(os.path.join(self.out, 'SHA256SUMS')).decode().splitlines()
        self.assertEqual([self.setup, self.zip, self.symbols, self.web], [line[66:] for line in lines])
        check = subprocess.run(['sha256sum', '--check', '--strict', 'SHA256SUMS'], cwd=self.out,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(0, check.returncode, check.stdout.decode(errors='replace'))

    def test_installer_carries_the_version(self):
        image = read(os.path.join(self.out, self.setup))
        self.assertEqual(b'MZ', image[:2])
        pe = int.from_bytes(image[0x3C:0x40], 'little')
        self.assertEqual(0x14C, int.from_bytes(image[pe + 4:pe + 6], 'little'),
                         'machine: the installer is a 32-bit x86 program')
        found = version_resource(os.path.join(self.out, self.setup))
        self.assertIsNotNone(found, 'the installer has no version resource')
        fixed, strings = found
        major, minor, patch = (int(part) for part in self.version.split('.'))
        self.assertEqual(((major << 16) | minor, patch << 16), fixed[:2])
        self.assertEqual(('ZELPIN', self.version, self.version),
                         (strings.get('ProductName'), strings.get('ProductVersion'),
                          strings.get('FileVersion')))

    def test_second_clean_build_elsewhere_later_gives_the_same_bytes(self):
        """The suite's build against one more: the sources copied to another
        folder, every file with another time, built and packaged later."""
        self.maxDiff = None
        copy = os.path.join(self.tmp.name, 'elsewhere', 'zelpin-sources')
        shutil.copytree(ROOT, copy, copy_function=shutil.copy,
                        ignore=lambda folder, names: ['build', 'dist', 'out', '.git'] if folder == ROOT else [])
        for n, (folder, _, names) in enumerate(os.walk(copy)):
            for name in names:
                os.utime(os.path.join(folder, name), (1e9 + n, 1e9 + n))
        build = os.path.join(copy, 'build', 'win32')
        out = os.path.join(self.tmp.name, 'dist-elsewhere')
        env = dict(os.environ, SOURCE_DATE_EPOCH=str(commit_time()))
        for command in (['cmake', '-S', copy, '-B', build, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=Release',
                         '-DCMAKE_TOOLCHAIN_FILE=' + os.path.join(copy, 'cmake', 'mingw-i686.cmake'),
                         '-DZELPIN_TESTS=OFF'],
                        ['cmake', '--build', build, '--target', 'vis_zelpin'],
                        [os.path.join(copy, 'scripts', 'web'), '--build-only'],
                        [os.path.join(copy, 'scripts', 'package'), '--no-build', '--out', out]):
            run = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            self.assertEqual(0, run.returncode, run.stdout.decode(errors='replace'))
        def hashes(release, library, symbols):
            found = {name: sha256(os.path.join(release, name))
                     for name in (self.setup, self.zip, self.symbols, self.web, 'SHA256SUMS')}
            found.update(library=sha256(library), symbols=sha256(symbols))
            return found
        self.assertEqual(hashes(self.out, DLL, SYMBOLS),
                         hashes(out, os.path.join(build, 'vis_zelpin.dll'),
                                os.path.join(build, 'vis_zelpin.dll.debug')),
                         'SHA-256 of each file: the suite\'s build, then the second')


if __name__ == '__main__':
    unittest.main(verbosity=2)
