"""Writes the release files: the installer (through makensis), the zip, the
symbols zip, the web page's zip and SHA256SUMS. scripts/package runs it after
building.

The files are the same bytes wherever and whenever they are made from the same
sources: every time in them is SOURCE_DATE_EPOCH, by default the time of the
last commit.

    python3 -m scriptlib.make_release [--no-build] [--out DIR]
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PRODUCT = os.environ.get('ZELPIN_PRODUCT') or os.path.join(ROOT, 'build', 'win32')

# What goes into the zip, in this order; the installer takes the first two.
ZIP_FILES = ['vis_zelpin.dll', 'plugin.ini', 'zelpin-readme.txt']
# The library's symbols, which the build split off it.
SYMBOLS = 'vis_zelpin.dll.debug'
# The web page as scripts/web builds it: static files to put on any server.
WEB_SITE = os.path.join(ROOT, 'build', 'web', 'site')
WEB_FILES = ['index.html', 'page.css', 'page.js', 'zelpin_core.js', 'zelpin_core.wasm', 'plugin.ini']


def read_version():
    with open(os.path.join(ROOT, 'VERSION')) as f:
        return f.read().strip()


def source_date_epoch():
    """The one time the release carries, in seconds since 1970."""
    value = os.environ.get('SOURCE_DATE_EPOCH')
    if value is None and os.path.exists(os.path.join(ROOT, '.git')):
        value = subprocess.run(['git', '-C', ROOT, 'log', '-1', '--format=%ct'],
                               stdout=subprocess.PIPE, text=True).stdout.strip()
    if not value:
        sys.exit('package: no commit to take the time from; set SOURCE_DATE_EPOCH')
    return int(value)


def crlf(text):
    """Windows line ends, for the files users open in a text editor."""
    return text.replace('\r\n', '\n').replace('\n', '\r\n').encode('ascii')


def stage(folder, version, epoch):
    for name in ('vis_zelpin.dll', SYMBOLS):
        shutil.copyfile(os.path.join(PRODUCT, name), os.path.join(folder, name))
    with open(os.path.join(ROOT, 'plugin', 'plugin.ini')) as f:
        ini = f.read()
    with open(os.path.join(ROOT, 'installer', 'readme.txt')) as f:
        readme = f.read().replace('@VERSION@', version)
    with open(os.path.join(folder, 'plugin.ini'), 'wb') as f:
        f.write(crlf(ini))
    with open(os.path.join(folder, 'zelpin-readme.txt'), 'wb') as f:
        f.write(crlf(readme))
    # makensis stores each file's time in the installer, which gives it to
    # the installed file.
    for name in os.listdir(folder):
        os.utime(os.path.join(folder, name), (epoch, epoch))


def make_zip(path, folder, names, epoch):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=time.gmtime(epoch)[:6])
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o644 << 16
            with open(os.path.join(folder, name), 'rb') as f:
                z.writestr(info, f.read())


def sha256(path):
    digest = hashlib.sha256()
    with open(path, 'rb') as f:
        for block in iter(lambda: f.read(1 << 16), b''):
            digest.update(block)
    return digest.hexdigest()


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--no-build', action='store_true', help='(read by scripts/package)')
    parser.add_argument('--out', default=os.path.join(ROOT, 'dist'))
    args = parser.parse_args(argv)

    version = read_version()
    for name in ('vis_zelpin.dll', SYMBOLS):
        if not os.path.isfile(os.path.join(PRODUCT, name)):
            sys.exit('package: %s is missing (scripts/build builds it)' % os.path.join(PRODUCT, name))
    for name in WEB_FILES:
        if not os.path.isfile(os.path.join(WEB_SITE, name)):
            sys.exit('package: %s is missing (scripts/web --build-only builds it)'
                     % os.path.join(WEB_SITE, name))
    epoch = source_date_epoch()
    os.makedirs(args.out, exist_ok=True)
    setup = 'zelpin-%s-setup.exe' % version
    archive = 'zelpin-%s.zip' % version
    symbols = 'zelpin-%s-symbols.zip' % version
    web = 'zelpin-%s-web.zip' % version
    with tempfile.TemporaryDirectory() as folder:
        stage(folder, version, epoch)
        run = subprocess.run(['makensis', '-V2', '-DVERSION=' + version, '-DSTAGE=' + folder,
                              '-DOUTFILE=' + os.path.join(args.out, setup),
                              os.path.join(ROOT, 'installer', 'zelpin.nsi')])
        if run.returncode:
            sys.exit('package: makensis failed')
        make_zip(os.path.join(args.out, archive), folder, ZIP_FILES, epoch)
        make_zip(os.path.join(args.out, symbols), folder, [SYMBOLS], epoch)
    make_zip(os.path.join(args.out, web), WEB_SITE, WEB_FILES, epoch)
    # The format sha256sum -c reads.
    with open(os.path.join(args.out, 'SHA256SUMS'), 'w') as f:
        for name in (setup, archive, symbols, web):
            f.write('%s  %s\n' % (sha256(os.path.join(args.out, name)), name))
    for name in (setup, archive, symbols, web, 'SHA256SUMS'):
        print('package: %s' % os.path.join(args.out, name))


if __name__ == '__main__':
    main(sys.argv[1:])
