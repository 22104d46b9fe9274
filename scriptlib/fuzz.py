"""Runs the fuzz targets that scripts/fuzz builds: each libFuzzer program for
SECONDS, and two harnesses of the Windows build under Wine: beside the
first, the settings harness for SECONDS and at least 1,000 generated
settings files, each read by the plug-in's reader and by the platform; beside
the last two, the skin-load harness for SECONDS and at least 10,000 mutated
bitmaps (it starts from the bitmap check's corpus, so it runs after that
target). Prints for each target

  fuzz: <target> <runs> runs, <crashes> crashes, corpus <n>

and exits 1 when any crashed. Seeds go to build/fuzz/seeds/<target>/, the
corpus grows in build/fuzz/corpus/<target>/, crash inputs land in
build/fuzz/crashes/<target>/; the inputs kept in tests/data/fuzz-crashes/
are read as seeds too.

usage: python3 -m scriptlib.fuzz SECONDS
"""

import os
import re
import subprocess
import sys
import time

from scriptlib.player_runs import WINE_RUN, windows_path

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FUZZ = os.path.join(ROOT, 'build', 'fuzz')
KEPT = os.path.join(ROOT, 'tests', 'data', 'fuzz-crashes')
TARGETS = ['bmp_check', 'vis_color', 'skin_path']
LOAD_RUNS = 10000
SETTINGS_RUNS = 1000


def folder(*parts):
    path = os.path.join(FUZZ, *parts)
    os.makedirs(path, exist_ok=True)
    return path


def inputs(target):
    """The corpus (where libFuzzer adds), the seeds and the kept inputs."""
    dirs = [folder('corpus', target), folder('seeds', target)]
    return dirs + [d for d in [os.path.join(KEPT, target)] if os.path.isdir(d)]


def run_libfuzzer(target, seconds):
    crashes = folder('crashes', target)
    before = set(os.listdir(crashes))
    result = subprocess.run(
        [os.path.join(FUZZ, 'fuzz_' + target), '-max_total_time=%d' % seconds,
         '-print_final_stats=1', '-timeout=10', '-artifact_prefix=' + crashes + '/']
        + inputs(target), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
        errors='replace')
    log = result.stderr
    runs = re.findall(r'stat::number_of_executed_units:\s*(\d+)', log)
    corpus = re.findall(r'corp: (\d+)/', log)
    found = len(set(os.listdir(crashes)) - before)
    if result.returncode and not found:
        found = 1   # stopped without leaving an input: still a failure
    if found:
        sys.stderr.write(log[-4000:])
    return 'fuzz: %s %s runs, %d crashes, corpus %s' % (
        target, runs[-1] if runs else 0, found, corpus[-1] if corpus else 0), found


def start_harness(program, arguments):
    command = [WINE_RUN, os.path.join(os.environ['ZELPIN_BUILD'], program)] + arguments
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            errors='replace')


def kept(target):
    return [d for d in [os.path.join(KEPT, target)] if os.path.isdir(d)]


def start_load_harness(seconds, seed):
    dirs = inputs('bmp_check') + kept('skin_load')
    return start_harness('zelpin_fuzz_load.exe',
                         [str(seconds), str(LOAD_RUNS), str(seed), '20',
                          windows_path(folder('crashes', 'skin_load'))]
                         + [windows_path(d) for d in dirs])


def start_settings_harness(seconds, seed):
    return start_harness('zelpin_fuzz_settings.exe',
                         [str(seconds), str(SETTINGS_RUNS), str(seed),
                          windows_path(folder('crashes', 'settings'))]
                         + [windows_path(d) for d in kept('settings')])


def finish_harness(target, harness, seed, seconds):
    """Prints the harness's lines; 1 when it crashed or stopped without its report."""
    try:
        out, err = harness.communicate(timeout=seconds + 600)
    except subprocess.TimeoutExpired:
        harness.kill()
        out, err = harness.communicate()
        err += '\n%s: still running ten minutes after its time: killed\n' % target
    line = next((l for l in out.splitlines() if l.startswith('fuzz: %s ' % target)), None)
    detail = [l for l in out.splitlines() if l.startswith(target + ': ')]
    crashed = 0
    if line is None or harness.returncode:
        sys.stderr.write(err[-4000:])
        line = line or 'fuzz: %s 0 runs, 1 crashes, corpus 0' % target
        crashed = 1
    print(line)
    for l in detail:
        print('%s (seed %d)' % (l, seed))
    return crashed


def main():
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 60
    subprocess.run(['/usr/bin/python3', '-m', 'tests.fuzz.fuzz_seeds',
                    folder('seeds')], check=True)
    seed = int(time.time()) % 100000
    settings = start_settings_harness(seconds, seed)
    crashed = 0
    load = None
    for target in TARGETS:
        line, found = run_libfuzzer(target, seconds)
        print(line, flush=True)
        crashed += found
        if target == 'bmp_check':
            load = start_load_harness(seconds, seed)
    crashed += finish_harness('skin_load', load, seed, seconds)
    crashed += finish_harness('settings', settings, seed, seconds)
    return 1 if crashed else 0


if __name__ == '__main__':
    sys.exit(main())
