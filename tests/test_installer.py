"""The installer scripts/package builds, run silently on Wine (the 32-bit
build, under the virtual display) into stand-in player folders: install,
draw, upgrade over an edited plugin.ini, a running player holding the
library, uninstall, and a folder without the player."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

from scriptlib import capture_to_gif
from scriptlib.player_runs import windows_path
from tests.test_package import read, release, shipped_defaults

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPTS = os.path.join(ROOT, 'scripts')

BUILD = os.environ.get('ZELPIN_BUILD') or os.path.join(ROOT, 'build', 'win32')
UNINSTALL = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
PLAYER_ENTRY = UNINSTALL + r'\Winamp'
ZELPIN_ENTRY = UNINSTALL + r'\ZELPIN'

BACKGROUND = (0, 0, 128)
BAR = (255, 255, 255)
PEAK = (255, 0, 0)
USER_INI = b'; mine\r\n[ZELPIN]\r\nBlendMethod=1\r\nRatio=90\r\n'


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def wine(*args, cwd=None):
    run = subprocess.run([os.path.join(SCRIPTS, 'wine-run')] + list(args), cwd=cwd,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return run.returncode, run.stdout.decode(errors='replace')


def registry_values(key):
    """{name: (type, data)} of a key, or None when it does not exist."""
    status, out = wine('reg', 'query', key)
    if status:
        return None
    values = {}
    for line in out.splitlines():
        m = re.match(r'\s+(\S+)\s+(REG_\w+)\s+(.*?)\s*$', line)
        if m:
            values[m.group(1)] = (m.group(2), m.group(3))
    return values


def player_folder(parent, name, with_player=True):
    """A player folder: winamp.exe (the stand-in host), Plugins, and the
    skin "Plain" (flat background, white bars, red peaks, mixed at 100%)."""
    folder = os.path.join(parent, name)
    skin = os.path.join(folder, 'Skins', 'Plain')
    os.makedirs(skin)
    os.makedirs(os.path.join(folder, 'Plugins'))
    if with_player:
        shutil.copyfile(os.path.join(BUILD, 'zelpin_host.exe'), os.path.join(folder, 'winamp.exe'))
    Image.new('RGB', (275, 116), BACKGROUND).save(os.path.join(skin, 'main.bmp'), 'BMP')
    colours = ['0,0,0'] * 2 + ['255,255,255'] * 16 + ['0,0,0'] * 5 + ['255,0,0']
    write(os.path.join(skin, 'viscolor.txt'), ('\r\n'.join(colours) + '\r\n').encode())
    write(os.path.join(skin, 'zelpin.txt'), b'[ZELPIN]\r\nBlendMethod=0\r\nRatio=100\r\nPeaks=1\r\n')
    return folder


def listing(folder):
    return sorted(os.listdir(folder))


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.path.basename(os.path.normpath(BUILD)).endswith('win64'):
            raise unittest.SkipTest('the installer and the library it installs are 32-bit programs: '
                                    'run with the 32-bit build (scripts/test)')
        cls.tmp = tempfile.TemporaryDirectory()
        out = os.path.join(cls.tmp.name, 'dist')
        cls.version, run = release(out)
        if run.returncode:
            raise AssertionError('scripts/package failed:\n' + run.stdout.decode(errors='replace'))
        cls.setup = os.path.join(out, 'zelpin-%s-setup.exe' % cls.version)
        cls.library = read(os.path.join(ROOT, 'build', 'win32', 'vis_zelpin.dll'))
        cls.defaults = shipped_defaults()

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def install(self, *args):
        return wine(self.setup, '/S', *args)

    def uninstall(self, plugins):
        """Uninstalls as the uninstaller does when started from the list of
        programs: a copy elsewhere runs, told the folder with _?=, and is
        waited for. _?= comes last and unquoted, so the line goes through cmd,
        which passes it as it is."""
        copy = os.path.join(self.tmp.name, 'Au_.exe')
        shutil.copyfile(os.path.join(plugins, 'uninstall_zelpin.exe'), copy)
        return wine('cmd', '/c', '%s /S _?=%s' % (windows_path(copy), windows_path(plugins)))

    def expect_plugins(self, folder, files):
        """The Plugins folder holds exactly these files, with these bytes
        (None: any bytes)."""
        plugins = os.path.join(folder, 'Plugins')
        self.assertEqual(sorted(files), listing(plugins), 'files in ' + plugins)
        for name, data in files.items():
            if data is not None:
                self.assertEqual(data, read(os.path.join(plugins, name)), name + ': not the expected bytes')

    def expect_host_draws(self, folder):
        capture = os.path.join(folder, 'vis.cap')
        status, out = wine(os.path.join(folder, 'winamp.exe'), '--skin', 'Plain', '--seconds', '2',
                           '--capture', windows_path(capture), cwd=folder)
        self.assertEqual(0, status, 'the host with the installed library:\n' + out)
        self.assertIn('init 0', out)
        fps, frames = capture_to_gif.read_capture(capture)
        self.assertGreater(len(frames), 0, 'no frame captured')
        colours = set()
        for _, image in frames:
            self.assertEqual((76, 16), image.size)
            colours.update(colour for _, colour in image.getcolors(76 * 16))
        self.assertIn(BAR, colours, 'no bar drawn in %d frames' % len(frames))
        self.assertEqual(set(), colours - {BACKGROUND, BAR, PEAK}, 'colours beyond the skin\'s')

    def test_install_draw_upgrade_uninstall(self):
        # The player is found through its own uninstall entry; a space in the
        # folder name exercises the quoting of the uninstall command.
        player = player_folder(self.tmp.name, 'My Player')
        plugins = os.path.join(player, 'Plugins')
        self.addCleanup(wine, 'reg', 'delete', PLAYER_ENTRY, '/f')
        self.assertEqual(0, wine('reg', 'add', PLAYER_ENTRY, '/v', 'InstallLocation',
                                 '/d', windows_path(player), '/f')[0])

        status, out = self.install()
        self.assertEqual(0, status, 'first install, no /D:\n' + out)
        self.expect_plugins(player, {'vis_zelpin.dll': self.library, 'plugin.ini': self.defaults,
                                     'uninstall_zelpin.exe': None})

        entry = registry_values(ZELPIN_ENTRY)
        self.assertIsNotNone(entry, 'no entry in the installed programs')
        size_kb = sum(os.path.getsize(os.path.join(plugins, name)) // 1024 for name in listing(plugins))
        uninstaller = windows_path(os.path.join(plugins, 'uninstall_zelpin.exe'))
        self.assertEqual({
            'DisplayName': ('REG_SZ', 'ZELPIN visualisation plug-in'),
            'DisplayVersion': ('REG_SZ', self.version),
            'Publisher': ('REG_SZ', 'The ZELPIN developers'),
            'EstimatedSize': ('REG_DWORD', '0x%x' % size_kb),
            'InstallLocation': ('REG_SZ', windows_path(player)),
            'UninstallString': ('REG_SZ', '"%s"' % uninstaller),
            'QuietUninstallString': ('REG_SZ', '"%s" /S' % uninstaller),
            'NoModify': ('REG_DWORD', '0x1'),
            'NoRepair': ('REG_DWORD', '0x1'),
        }, entry)

        self.expect_host_draws(player)

        # An upgrade over an older library and an edited plugin.ini.
        write(os.path.join(plugins, 'plugin.ini'), USER_INI)
        write(os.path.join(plugins, 'vis_zelpin.dll'), b'an older library')
        status, out = self.install('/D=' + windows_path(player))
        self.assertEqual(0, status, 'upgrade:\n' + out)
        upgraded = {'vis_zelpin.dll': self.library, 'plugin.ini': USER_INI,
                    'plugin.ini.new': self.defaults, 'uninstall_zelpin.exe': None}
        self.expect_plugins(player, upgraded)

        status, out = self.uninstall(plugins)
        self.assertEqual(0, status, 'uninstall:\n' + out)
        self.expect_plugins(player, {'plugin.ini': USER_INI})
        self.assertIsNone(registry_values(ZELPIN_ENTRY), 'the installed programs entry stays')

        # Last, as programs into which the plug-in's window hook brought the
        # library may hold it a while after the player has ended.
        status, out = self.install('/D=' + windows_path(player))
        self.assertEqual(0, status, 'install again:\n' + out)

        # The player runs with the library loaded: the install is cancelled
        # (the silent answer) before it changes anything; it would otherwise
        # put the defaults beside the edited plugin.ini.
        host = subprocess.Popen([os.path.join(SCRIPTS, 'wine-run'), os.path.join(player, 'winamp.exe'),
                                 '--skin', 'Plain', '--seconds', '600'], cwd=player,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            first = host.stdout.readline().decode(errors='replace').strip()
            self.assertEqual('init 0', first, 'the host did not load the library (exit status %s)'
                             % (host.poll() if first else host.wait(60)))
            status, out = self.install('/D=' + windows_path(player))
            self.assertEqual(2, status, 'install while the player holds the library:\n' + out)
        finally:
            host.kill()
            host.wait()
            host.stdout.close()
        self.expect_plugins(player, upgraded)

    def test_refuses_folder_without_the_player(self):
        folder = player_folder(self.tmp.name, 'not-a-player', with_player=False)
        status, out = self.install('/D=' + windows_path(folder))
        self.assertEqual(2, status, 'install into a folder without winamp.exe:\n' + out)
        self.assertEqual([], listing(os.path.join(folder, 'Plugins')))

    def test_uninstall_after_an_untouched_install_removes_everything(self):
        player = player_folder(self.tmp.name, 'untouched')
        status, out = self.install('/D=' + windows_path(player))
        self.assertEqual(0, status, 'install:\n' + out)
        status, out = self.uninstall(os.path.join(player, 'Plugins'))
        self.assertEqual(0, status, 'uninstall:\n' + out)
        self.expect_plugins(player, {})


if __name__ == '__main__':
    if not os.environ.get('ZELPIN_DISPLAY_UP'):
        os.execv(os.path.join(SCRIPTS, 'with-display'),
                 [os.path.join(SCRIPTS, 'with-display'), '/usr/bin/python3'] + sys.argv)
    unittest.main(verbosity=2)
