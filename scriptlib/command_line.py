"""The command line of scripts/check and scripts/preview: a bad one is told
as "NAME: message" after the usage, with exit status 2, like their other bad
input."""

import argparse
import sys


class Parser(argparse.ArgumentParser):
    def __init__(self, name, **kwargs):
        super().__init__(**kwargs)
        self.name = name

    def error(self, message):
        self.print_usage(sys.stderr)
        sys.stderr.write('%s: %s\n' % (self.name, message))
        sys.exit(2)
