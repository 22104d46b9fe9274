"""Turns a song (MP3, OGG, FLAC or WAV, decoded by libsndfile through
python3-soundfile) into the host's spectrum frames, as a player computes
them: for every frame, a 1152-sample Hann window per channel centred on the
frame's time, the magnitudes of the first 576 FFT bins, mapped to 0..255 on
a decibel scale: x runs from 0 at 72 dB below a full-scale sine to 1 at
12 dB below it, and the byte is 255 x^2, which makes every step of an
analyser's level table (roughly quadratic) about the same number of
decibels. An analyser tilt of 3 dB per octave above 150 Hz lets the weaker
highs of music show too.

Output: raw frames of 1152 bytes, channel 0's 576 bins then channel 1's
(a mono file fills both).

usage: python3 -m scriptlib.spectrum_frames SONG OUT [--fps 60]
"""

import argparse
import contextlib
import os
import sys

import numpy as np

WINDOW = 1152
BINS = 576
TOP_DB = -12.0               # relative to a full-scale sine
RANGE_DB = 60.0
TILT_DB_PER_OCTAVE = 3.0
TILT_FROM_BIN = 4            # about 150 Hz at 44.1 kHz


FORMATS = 'MP3, OGG, FLAC and WAV'


class SongError(Exception):
    """A song that cannot be decoded or holds no sound, with a one-line reason."""


@contextlib.contextmanager
def decoder_notes_hidden():
    """The MP3 decoder prints notes on a file it cannot sync to straight to
    the standard error; the caller says what went wrong in one line."""
    sys.stderr.flush()
    saved = os.dup(2)
    with open(os.devnull, 'w') as null:
        os.dup2(null.fileno(), 2)
    try:
        yield
    finally:
        os.dup2(saved, 2)
        os.close(saved)


def song_info(path):
    """Checks that the song can be decoded and holds sound, without decoding
    it all; raises SongError."""
    import soundfile
    if os.path.isdir(path):
        raise SongError('%s is a folder, not a song' % path)
    if not os.path.isfile(path):
        raise SongError('%s does not exist' % path)
    try:
        with decoder_notes_hidden():
            info = soundfile.info(path)
    except (RuntimeError, TypeError):
        raise SongError('%s is not a song the preview can read: it reads %s files'
                        % (path, FORMATS))
    if info.frames <= 0 or info.samplerate <= 0:
        raise SongError('%s holds no sound' % path)
    return info


def read_song(path):
    """Samples as floats in -1..1, shape (frames, channels), and the rate."""
    import soundfile
    song_info(path)
    try:
        with decoder_notes_hidden():
            samples, rate = soundfile.read(path, dtype='float64', always_2d=True)
    except RuntimeError as e:
        raise SongError('%s cannot be decoded (%s)' % (path, str(e).split(': ', 1)[-1].strip()))
    if not len(samples):
        raise SongError('%s holds no sound' % path)
    return samples, rate


def spectrum_frames(samples, rate, fps=60):
    """An array (frames, 2, 576) of bytes."""
    if samples.shape[1] == 1:
        samples = np.repeat(samples, 2, axis=1)
    samples = samples[:, :2]
    count = int(np.ceil(len(samples) * fps / rate))
    padded = np.vstack([np.zeros((WINDOW // 2, 2)), samples, np.zeros((WINDOW, 2))])
    window = np.hanning(WINDOW)
    full_scale = window.sum() / 2.0           # a full-scale sine's peak magnitude
    tilt = TILT_DB_PER_OCTAVE * np.log2(np.maximum(np.arange(BINS), TILT_FROM_BIN) / TILT_FROM_BIN)
    out = np.zeros((count, 2, BINS), dtype=np.uint8)
    for k in range(count):
        start = int(round(k * rate / fps))    # centred: the padding shifts by half a window
        block = padded[start:start + WINDOW] * window[:, None]
        magnitude = np.abs(np.fft.rfft(block, axis=0))[:BINS].T / full_scale
        db = 20.0 * np.log10(np.maximum(magnitude, 1e-12)) + tilt
        x = np.clip((db - TOP_DB + RANGE_DB) / RANGE_DB, 0.0, 1.0)
        out[k] = np.round(255.0 * x * x).astype(np.uint8)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('song')
    parser.add_argument('out')
    parser.add_argument('--fps', type=int, default=60)
    args = parser.parse_args()
    try:
        samples, rate = read_song(args.song)
    except SongError as e:
        sys.exit('spectrum_frames: %s' % e)
    with open(args.out, 'wb') as f:
        f.write(spectrum_frames(samples, rate, args.fps).tobytes())


if __name__ == '__main__':
    main()
