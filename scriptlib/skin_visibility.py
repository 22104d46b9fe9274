"""How well a skin's analyser stands out from its background, and which blend
would help: the colour difference CIEDE2000 (skimage's) between every pixel
the plug-in paints and the background pixel under it. The pixels come from
zelpin_skin_check.exe --pixels-out, which builds the bar frames and the peak
row with the plug-in's own code (tools/visibility_pixels.cpp gives the file's
form). Shared by scripts/check and scripts/preview.
"""

import numpy as np
from skimage.color import deltaE_ciede2000, rgb2lab

# The bars' median against these; 2.3 is the usual just-noticeable difference.
VERDICTS = ((10.0, 'clearly visible', '10 or more'), (5.0, 'faint', '5 to 10'),
            (2.3, 'hard to see', '2.3 to 5'),
            (0.0, 'invisible', 'below 2.3, the just-noticeable difference'))
CLEAR = VERDICTS[0][1]


def verdict(median):
    return next(word for floor, word, _ in VERDICTS if median >= floor)


def differences(pairs):
    """CIEDE2000 of each pair of an (n, 6) array of bytes: painted red, green,
    blue, then the background's. Equal pairs are measured once."""
    unique, counts = np.unique(pairs, axis=0, return_counts=True)
    lab = rgb2lab(unique.reshape(-1, 2, 3) / 255.0)
    return np.repeat(deltaE_ciede2000(lab[:, 0], lab[:, 1]), counts)


class Figures:
    """Median and 10th percentile of a set of differences."""

    def __init__(self, pairs):
        d = differences(pairs)
        self.median = float(np.median(d))
        self.tenth = float(np.percentile(d, 10))


class Variant:
    def __init__(self, method, ratio, percent, label, bars, peaks):
        self.method, self.ratio, self.percent, self.label = method, ratio, percent, label
        self.bars = Figures(bars)
        self.peaks = Figures(peaks) if len(peaks) else None
        self.verdict = verdict(self.bars.median)

    def name(self):
        return self.label

    def setting(self):
        return 'BlendMethod=%d, Ratio=%d' % (self.method, self.percent)


class Record:
    """One skin: the reason it gets no figure, or its variants, the one in
    effect (own) and the one whose bars stand out most (best; the one in
    effect when none does better)."""

    def __init__(self, name):
        self.name = name            # as the check program wrote it (bytes)
        self.reason = None
        self.variants = []
        self.own = self.best = None

    def finish(self, method, ratio):
        self.own = next(v for v in self.variants if (v.method, v.ratio) == (method, ratio))
        others = [v for v in self.variants if v is not self.own]
        self.best = max([self.own] + others, key=lambda v: v.bars.median)

    @property
    def verdict(self):
        return self.own.verdict if self.own else None

    def lines(self):
        """The report's lines."""
        out = ['', 'Visibility (CIEDE2000 of each painted pixel against the background under it):']
        if self.reason:
            return out + ['  no figure: %s' % self.reason]
        own = self.own
        out.append('  bars   median %.2f, 10th percentile %.2f' % (own.bars.median, own.bars.tenth))
        out.append('  peaks  ' + ('median %.2f, 10th percentile %.2f'
                                  % (own.peaks.median, own.peaks.tenth) if own.peaks
                                  else 'not drawn (Peaks 0)'))
        out.append('  the analyser is %s (bars median %s)'
                   % (own.verdict, next(r for _, w, r in VERDICTS if w == own.verdict)))
        out += ['', '  %-25s  %12s  %8s  %13s  %8s  %s' % ('blend method and ratio', 'bars: median',
                                                         '10th pct', 'peaks: median', '10th pct',
                                                         'verdict')]
        for v in self.variants:
            peaks = ('%13.2f  %8.2f' % (v.peaks.median, v.peaks.tenth) if v.peaks
                     else '%13s  %8s' % ('-', '-'))
            out.append('  %-25s  %12.2f  %8.2f  %s  %s%s' % (v.name(), v.bars.median, v.bars.tenth,
                                                            peaks, v.verdict,
                                                            ' (in effect)' if v is own else ''))
        if self.best is own:
            out.append('  Best: the settings in effect (%s)' % own.setting())
        else:
            out.append('  Best: %s (%s: %s, bars median %.2f)' % (self.best.setting(),
                                                                self.best.name(), self.best.verdict,
                                                                self.best.bars.median))
        return out


def read_pixels(path):
    """The records of a file written by zelpin_skin_check.exe --pixels-out."""
    records = []
    with open(path, 'rb') as f:
        settings = None
        while True:
            line = f.readline()
            if not line:
                break
            word, _, rest = line.rstrip(b'\n').partition(b' ')
            if word == b'skin':
                if settings:
                    records[-1].finish(*settings)
                settings = None
                records.append(Record(rest))
            elif word == b'none':
                records[-1].reason = rest.decode('cp1252', 'replace')
            elif word == b'settings':
                settings = tuple(int(n) for n in rest.split())   # method, ratio
            elif word == b'variant':
                numbers = rest.split(b' ', 5)
                method, ratio, percent, bars, peaks = (int(n) for n in numbers[:5])
                data = np.frombuffer(f.read(6 * (bars + peaks)), np.uint8).reshape(-1, 6)
                records[-1].variants.append(Variant(method, ratio, percent, numbers[5].decode(),
                                                    data[:bars], data[bars:]))
            else:
                raise ValueError('%s: unexpected line %r' % (path, line[:40]))
        if settings:
            records[-1].finish(*settings)
    return records


def read_one(path):
    return read_pixels(path)[0]
