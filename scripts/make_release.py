"""Writes the release files: the installer (through makensis), the zip and
SHA256SUMS. scripts/package runs it after building.

    make_release.py [--no-build] [--out DIR]
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


def read_version():
    with open(os.path.join(ROOT, 'VERSION')) as f:
        return f.read().strip()


def crlf(text):
    """Windows line ends, for the files users open in a text editor."""
    return text.replace('\r\n', '\n').replace('\n', '\r\n').encode('ascii')


def stage(folder, version):
    shutil.copy2(os.path.join(PRODUCT, 'vis_zelpin.dll'), os.path.join(folder, 'vis_zelpin.dll'))
    with open(os.path.join(ROOT, 'plugin', 'plugin.ini')) as f:
        ini = f.read()
    with open(os.path.join(ROOT, 'installer', 'readme.txt')) as f:
        readme = f.read().replace('@VERSION@', version)
    with open(os.path.join(folder, 'plugin.ini'), 'wb') as f:
        f.write(crlf(ini))
    with open(os.path.join(folder, 'zelpin-readme.txt'), 'wb') as f:
        f.write(crlf(readme))


def make_zip(path, folder):
    # One time stamp for every entry: the library's.
    stamp = os.path.getmtime(os.path.join(folder, 'vis_zelpin.dll'))
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for name in ZIP_FILES:
            info = zipfile.ZipInfo(name, date_time=time.gmtime(stamp)[:6])
            info.compress_type = zipfile.ZIP_DEFLATED
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
    library = os.path.join(PRODUCT, 'vis_zelpin.dll')
    if not os.path.isfile(library):
        sys.exit('package: %s is missing (scripts/build builds it)' % library)
    os.makedirs(args.out, exist_ok=True)
    setup = 'zelpin-%s-setup.exe' % version
    archive = 'zelpin-%s.zip' % version
    with tempfile.TemporaryDirectory() as folder:
        stage(folder, version)
        run = subprocess.run(['makensis', '-V2', '-DVERSION=' + version, '-DSTAGE=' + folder,
                              '-DOUTFILE=' + os.path.join(args.out, setup),
                              os.path.join(ROOT, 'installer', 'zelpin.nsi')])
        if run.returncode:
            sys.exit('package: makensis failed')
        make_zip(os.path.join(args.out, archive), folder)
    # The format sha256sum -c reads.
    with open(os.path.join(args.out, 'SHA256SUMS'), 'w') as f:
        for name in (setup, archive):
            f.write('%s  %s\n' % (sha256(os.path.join(args.out, name)), name))
    for name in (setup, archive, 'SHA256SUMS'):
        print('package: %s' % os.path.join(args.out, name))


if __name__ == '__main__':
    main(sys.argv[1:])
