"""The command line of scripts/check and scripts/preview. Everything a
command line can get wrong is answered here, before the virtual display or
Wine start: one line "NAME: message" on stderr, exit status 2, like their
other bad input."""

import argparse
import difflib
import os
import sys

from scriptlib.skin_archive import ARCHIVE_SUFFIXES, holds_main_bitmap, SkinInputError


class BadInput(Exception):
    """A command line or input the tools refuse, with a one-line reason."""


class Parser(argparse.ArgumentParser):
    def __init__(self, name, **kwargs):
        super().__init__(prog='scripts/' + name, allow_abbrev=False, **kwargs)
        self.name = name
        self.add_argument('--verbose', action='store_true',
                          help='also say how the Windows programs are run on this machine')

    def error(self, message):
        self.fail(message)

    def fail(self, message):
        sys.stderr.write('%s: %s\n' % (self.name, message))
        sys.exit(2)

    def parse_args(self, args=None, namespace=None):
        args = sys.argv[1:] if args is None else args
        # An unknown option is named before argparse can take the value after
        # it for a path and blame that instead.
        known = [o for action in self._actions for o in action.option_strings]
        for arg in args:
            if arg == '--':
                break
            if arg.startswith('-') and len(arg) > 1 and arg.split('=')[0] not in known:
                near = difflib.get_close_matches(arg.split('=')[0], known, 1, 0.6)
                self.fail('unknown option %s%s (see --help)'
                          % (arg, ' (did you mean %s?)' % near[0] if near else ''))
        return super().parse_args(args, namespace)


def existing_file(option, path):
    """An option's file: there, and a file."""
    if os.path.isdir(path):
        raise BadInput('%s %s is a folder, not a file' % (option, path))
    if not os.path.isfile(path):
        raise BadInput('%s %s does not exist' % (option, path))
    return path


def code_page_name(path):
    """The part of path's last name the player's ANSI code page (1252, the
    one Wine gives the tools here) cannot hold, or None."""
    name = os.path.basename(os.path.normpath(path))
    try:
        name.encode('cp1252')
        return None
    except UnicodeEncodeError:
        return name


def skin_argument(path, collection):
    """Checks the skin (or, with --all, the Skins folder) argument."""
    if not os.path.exists(path):
        raise BadInput('%s does not exist' % path)
    if collection:
        if not os.path.isdir(path):
            raise BadInput('%s is not a folder: --all takes a Skins folder' % path)
        return
    odd = code_page_name(path)
    if odd:
        raise BadInput('"%s": the name has characters the player\'s ANSI code page (1252) cannot '
                       'hold, so the player cannot open this skin; rename it' % odd)
    if os.path.isdir(path) and not holds_main_bitmap(path):
        skins = [n for n in os.listdir(path)
                 if n.lower().endswith(ARCHIVE_SUFFIXES)
                 or (os.path.isdir(os.path.join(path, n)) and holds_main_bitmap(os.path.join(path, n)))]
        if skins:
            raise BadInput('%s holds no main.bmp but %d skin%s: a Skins folder? add --all to check '
                           'every skin in it' % (path, len(skins), '' if len(skins) == 1 else 's'))


def vet(parser, check):
    """Parses the command line and runs check(args) on it; a BadInput or
    SkinInputError ends the run with its one line and exit status 2."""
    args = parser.parse_args()
    try:
        check(args)
    except (BadInput, SkinInputError) as e:
        parser.fail(str(e))
    return args
