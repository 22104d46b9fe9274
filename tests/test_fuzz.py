"""The fuzzers for as long as CI gives them (scripts/fuzz 20): every target
runs its least number of inputs and nothing crashes (for the settings, no
read differs from the platform's); run under the virtual display."""

import os
import re
import subprocess
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Fuzz(unittest.TestCase):
    def test_every_target_runs_without_a_crash(self):
        result = subprocess.run([os.path.join(ROOT, 'scripts', 'fuzz'), '20'],
                                capture_output=True, text=True, errors='replace')
        report = result.stdout + result.stderr[-3000:]
        lines = re.findall(r'^fuzz: (\S+) (\d+) runs, (\d+) crashes, corpus (\d+)$',
                           result.stdout, re.M)
        self.assertEqual(['bmp_check', 'vis_color', 'skin_path', 'skin_load', 'settings'],
                         [target for target, _, _, _ in lines], report)
        for target, runs, crashes, corpus in lines:
            least = 10000 if target == 'skin_load' else 1000
            self.assertGreaterEqual(int(runs), least, '%s: %s runs' % (target, runs))
            self.assertEqual('0', crashes, report)
            self.assertGreater(int(corpus), 0, '%s: corpus %s' % (target, corpus))
        self.assertEqual(0, result.returncode, report)


if __name__ == '__main__':
    unittest.main()
