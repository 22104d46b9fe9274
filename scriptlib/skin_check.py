"""Prints what the plug-in will read from a skin (a folder or a .wsz/.zip
archive) and how well its analyser stands out (skin_visibility.py), or with
--all a line for every skin of a Skins folder and how well the plug-in tells
them apart by sight. Run by scripts/check under the virtual display, with
env.sh's environment.

usage: python3 -m scriptlib.skin_check SKIN [--plugin-ini FILE]
       python3 -m scriptlib.skin_check --all SKINS [--plugin-ini FILE]
Exit status: 0 the analyser is shown (--all: by every skin, and every skin is
told apart), 1 otherwise, 2 bad command line or unreadable input.
"""

import os
import subprocess
import sys
import tempfile

from scriptlib import skin_visibility
from scriptlib.command_line import Parser
from scriptlib.player_runs import WINE_RUN, report_text, windows_path
from scriptlib.skin_archive import SkinInputError, collection_entries, is_archive, open_skin


def run_check(args, quiet=False):
    exe = os.path.join(os.environ['ZELPIN_BUILD'], 'zelpin_skin_check.exe')
    sys.stdout.flush()
    if quiet:
        return subprocess.run([WINE_RUN, exe] + args, stdout=subprocess.DEVNULL).returncode
    run = subprocess.run([WINE_RUN, exe, '--say-code-page'] + args, stdout=subprocess.PIPE)
    sys.stdout.write(report_text(run.stdout))
    return run.returncode


def check_one(path, ini_args, work):
    skin = open_skin(path, os.path.join(work, 'skin'))
    if skin.archive:
        print('Skin archive: %s' % skin.name)
        for note in skin.notes:
            print('  %s' % note)
    pixels = os.path.join(work, 'pixels')
    status = run_check([windows_path(skin.folder), '--pixels-out', windows_path(pixels)] + ini_args)
    if os.path.isfile(pixels):
        print('\n'.join(skin_visibility.read_one(pixels).lines()))
    return status


def archive_list(skins, work):
    """Unpacks the archives of a Skins folder; writes the list the check
    program reads (name, tab, the skin's folder or "!" and the reason) in the
    platform's ANSI code page, and returns the notes to print after it."""
    lines, notes = [], []
    for k, name in enumerate(sorted(collection_entries(skins))):
        path = os.path.join(skins, name)
        if not is_archive(path):
            continue
        try:
            skin = open_skin(path, os.path.join(work, 'a%d' % k))
            lines.append('%s\t%s' % (name, windows_path(skin.folder)))
            notes += ['%s: %s' % (name, note) for note in skin.notes]
        except SkinInputError as e:
            lines.append('%s\t!%s' % (name, e))
    listing = os.path.join(work, 'archives.txt')
    with open(listing, 'wb') as f:
        f.write(''.join(line + '\r\n' for line in lines).encode('cp1252', 'replace'))
    return listing, notes


def verdict_list(pixels, work):
    """The verdict of every skin that has a figure, in the list the check
    program reads (name, tab, verdict)."""
    listing = os.path.join(work, 'verdicts.txt')
    with open(listing, 'wb') as f:
        for record in skin_visibility.read_pixels(pixels):
            if record.verdict:
                f.write(record.name + b'\t' + record.verdict.encode() + b'\r\n')
    return listing


def check_all(skins, ini_args, work):
    listing, notes = archive_list(skins, work)
    args = ['--all', windows_path(skins), '--archives', windows_path(listing)] + ini_args
    pixels = os.path.join(work, 'pixels')
    status = run_check(args + ['--pixels-out', windows_path(pixels)], quiet=True)
    if status != 0:
        return status
    status = run_check(args + ['--verdicts', windows_path(verdict_list(pixels, work))])
    if notes:
        print('\nArchives:')
        for note in notes:
            print('  %s' % note)
    return status


def main():
    parser = Parser('check', prog='scripts/check', description=__doc__.split('\n\n')[0])
    parser.add_argument('skin', metavar='SKIN', help='a skin folder or archive')
    parser.add_argument('--all', action='store_true',
                        help='SKIN is a Skins folder: check every skin in it')
    parser.add_argument('--plugin-ini', metavar='FILE')
    args = parser.parse_args()

    ini_args = []
    if args.plugin_ini:
        if not os.path.isfile(args.plugin_ini):
            sys.stderr.write('check: %s does not exist\n' % args.plugin_ini)
            sys.exit(2)
        ini_args = ['--plugin-ini', windows_path(args.plugin_ini)]
    with tempfile.TemporaryDirectory(prefix='zelpin-check-') as work:
        try:
            if args.all:
                status = check_all(args.skin, ini_args, work)
            else:
                status = check_one(args.skin, ini_args, work)
        except SkinInputError as e:
            sys.stdout.flush()
            sys.stderr.write('check: %s\n' % e)
            status = 2
    sys.exit(status)


if __name__ == '__main__':
    main()
