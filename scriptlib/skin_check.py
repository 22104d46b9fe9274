"""scripts/check: prints what the plug-in will read from a skin (a folder or
a .wsz/.zip archive) and how well its analyser stands out (skin_visibility.py),
or with --all a line for every skin of a Skins folder and how well the
plug-in tells them apart by sight. scripts/check runs it twice: with
ZELPIN_VET set it only checks the command line (at once, before any display
or Wine starts), then under the virtual display, with env.sh's environment,
for the report.
"""

import argparse
import os
import subprocess
import sys
import tempfile

from scriptlib import command_line
from scriptlib.player_runs import WINE_RUN, report_text, windows_path
from scriptlib.skin_archive import SkinInputError, collection_entries, is_archive, open_skin

DESCRIPTION = """Prints what the plug-in reads from a skin: its settings file key by key,
its vis colours line by line and its main bitmap, every fallback and pitfall,
and how well the analyser stands out from the background in each blend
method. With --all: a line for every skin of a Skins folder, and the skins
the plug-in cannot tell apart by sight."""

EPILOG = """Exit status: 0 the skin shows the analyser (--all: every skin does, each
with a usable main.bmp, and every skin can be told apart); 1 the skin shows
no analyser (Enable 0, or a path too long for the plug-in; --all: any skin
falls short); 2 bad command line or input (nothing is started then); 3 the
analyser is shown, but main.bmp is missing or unusable, so the plug-in draws
no bars of this skin's own."""


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
        from scriptlib import skin_visibility
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
    from scriptlib import skin_visibility
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
    odd = [name for name in collection_entries(skins) if command_line.code_page_name(name)]
    if odd:
        print('\nNames the ANSI code page cannot hold (the player cannot open these skins):')
        for name in sorted(odd):
            print('  "%s", shown above as "%s"' % (name, name.encode('cp1252', 'replace').decode('cp1252')))
    if notes:
        print('\nArchives:')
        for note in notes:
            print('  %s' % note)
    return status


def parser():
    p = command_line.Parser('check', description=DESCRIPTION, epilog=EPILOG,
                            formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('skin', metavar='SKIN',
                   help='a skin: its folder, or a .wsz or .zip archive of it; with --all, a '
                        'Skins folder')
    p.add_argument('--all', action='store_true',
                   help='SKIN is a Skins folder: a line for every skin folder and archive in it')
    p.add_argument('--plugin-ini', metavar='FILE',
                   help="the player's plugin.ini, for its defaults (without it the plug-in's "
                        'built-in defaults apply)')
    return p


def vet(args):
    command_line.skin_argument(args.skin, args.all)
    if args.plugin_ini:
        command_line.existing_file('--plugin-ini', args.plugin_ini)


def main():
    args = command_line.vet(parser(), vet)
    if os.environ.get('ZELPIN_VET'):
        return
    ini_args = ['--plugin-ini', windows_path(args.plugin_ini)] if args.plugin_ini else []
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
