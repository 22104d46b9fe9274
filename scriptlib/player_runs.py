"""Running the stand-in host under Wine: a player folder laid out around the
plug-in and one skin, the tune's spectrum frames, and the host's run. Shared
by scripts/preview and its contact sheet.
"""

import os
import shutil
import subprocess

FPS = 60
SETTINGS_FILES = ('zelpin.txt', 'zelpin.ini')
WINE_RUN = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), 'scripts',
                        'wine-run')


def windows_path(path):
    """A Linux path as Wine's drive Z: shows it."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def report_text(output):
    """The output of zelpin_skin_check.exe --say-code-page as text: names come
    in the platform's ANSI code page, which its first line gives."""
    before, said, rest = output.partition(b'code page ')
    code_page, _, rest = rest.partition(b'\n') if said else (b'1252', b'', output)
    try:
        return before.decode('ascii', 'replace') + rest.decode('cp' + code_page.decode('ascii'), 'replace')
    except (LookupError, UnicodeDecodeError):
        return before.decode('ascii', 'replace') + rest.decode('cp1252', 'replace')


def wine(args, cwd=None, log=None):
    return subprocess.run([WINE_RUN] + args, cwd=cwd,
                          stdout=log or subprocess.PIPE, stderr=subprocess.STDOUT)


def sample_tune(build):
    """The bundled tune, generated once into the build tree."""
    sample = os.path.join(build, 'sample')
    wav = os.path.join(sample, 'tune.wav')
    if not os.path.isfile(wav):
        from scriptlib import make_sample
        make_sample.make_sample(sample)
    return wav


def write_frames(song, out):
    from scriptlib import spectrum_frames
    samples, rate = spectrum_frames.read_song(song)
    with open(out, 'wb') as f:
        f.write(spectrum_frames.spectrum_frames(samples, rate, FPS).tobytes())


def settings_text(values):
    return '[ZELPIN]\r\n' + ''.join('%s=%d\r\n' % kv for kv in values.items())


def lay_out_player(folder, build, plugin_ini, skin_dir, skin_name, settings):
    """A player folder with the host, the plug-in and the one skin; a variant's
    settings replace the skin's own settings file, whatever its letter case."""
    os.makedirs(os.path.join(folder, 'Plugins'))
    shutil.copy(os.path.join(build, 'zelpin_host.exe'), folder)
    shutil.copy(os.path.join(build, 'vis_zelpin.dll'), os.path.join(folder, 'Plugins'))
    shutil.copy(plugin_ini, os.path.join(folder, 'Plugins', 'plugin.ini'))
    skin = os.path.join(folder, 'Skins', skin_name)
    shutil.copytree(skin_dir, skin)
    if settings is not None:
        for name in os.listdir(skin):
            if name.lower() in SETTINGS_FILES:
                os.remove(os.path.join(skin, name))
        with open(os.path.join(skin, 'zelpin.txt'), 'w', newline='') as f:
            f.write(settings_text(settings))


def run_host(folder, skin_name, frames, seconds, capture, shot=None):
    args = ['zelpin_host.exe', '--skin', skin_name, '--frames', windows_path(frames),
            '--seconds', '%g' % seconds, '--capture', windows_path(capture)]
    if shot:
        args += ['--script', 't=%g shot %s' % (seconds * 0.6, windows_path(shot))]
    with open(os.path.join(folder, 'host.log'), 'wb') as log:
        result = wine(args, cwd=folder, log=log)
    if result.returncode != 0 or not os.path.isfile(capture):
        with open(os.path.join(folder, 'host.log'), errors='replace') as log:
            raise SystemExit('preview: the host failed in %s (status %d): %s'
                             % (folder, result.returncode, log.read().strip()))
