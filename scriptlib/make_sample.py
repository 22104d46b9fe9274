"""Generates the bundled sample, the same bytes on every run:

  OUTDIR/tune.wav                 8 s, 44.1 kHz, 16-bit stereo: bass, chords,
                                  an arpeggio and drums
  OUTDIR/Skins/<name>/main.bmp    275 x 116, 24-bit main window
  OUTDIR/Skins/<name>/viscolor.txt  24 vis colours
  OUTDIR/Skins/<name>/zelpin.txt  the skin's analyser settings

The three skins (Harbour, Ember, Moss) are drawn here from scratch.

usage: python3 -m scriptlib.make_sample OUTDIR
"""

import argparse
import math
import os
import wave

import numpy as np
from PIL import Image, ImageDraw, ImageFont

RATE = 44100
SECONDS = 8.0
BPM = 120.0
WIDTH, HEIGHT = 275, 116
VIS_X, VIS_Y, VIS_W, VIS_H = 24, 43, 76, 16


# ---------------------------------------------------------------- audio

def note_hz(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


def add_at(track, start_s, sound):
    start = int(round(start_s * RATE))
    end = min(len(track), start + len(sound))
    if end > start:
        track[start:end] += sound[:end - start]


def tone(freq, seconds, harmonics, decay, attack=0.005):
    t = np.arange(int(seconds * RATE)) / RATE
    wave_ = sum(a * np.sin(2 * np.pi * freq * (k + 1) * t) for k, a in enumerate(harmonics))
    env = np.exp(-t * decay) * np.minimum(1.0, t / attack)
    release = np.minimum(1.0, (seconds - t) / 0.02)   # no click at the end
    return wave_ * env * release


def kick():
    t = np.arange(int(0.35 * RATE)) / RATE
    freq = 45 + 90 * np.exp(-t * 30)
    phase = 2 * np.pi * np.cumsum(freq) / RATE
    return np.sin(phase) * np.exp(-t * 9)


def snare(rng):
    t = np.arange(int(0.2 * RATE)) / RATE
    noise = rng.standard_normal(len(t))
    noise = np.diff(noise, prepend=0.0) * 0.5          # brighter noise
    body = np.sin(2 * np.pi * 190 * t) * np.exp(-t * 30)
    return (noise * 0.6 * np.exp(-t * 22) + body * 0.5)


def hat(rng):
    t = np.arange(int(0.09 * RATE)) / RATE
    noise = rng.standard_normal(len(t))
    noise = np.diff(np.diff(noise, prepend=0.0), prepend=0.0) * 0.25
    return noise * np.exp(-t * 40)


def make_tune():
    rng = np.random.default_rng(20240611)
    n = int(SECONDS * RATE)
    left = np.zeros(n)
    right = np.zeros(n)
    beat = 60.0 / BPM
    # A minor, F, C, G: one chord a bar of four beats.
    chords = [(57, [57, 60, 64]), (53, [53, 57, 60]), (48, [55, 60, 64]), (55, [55, 59, 62])]
    for bar, (root, chord) in enumerate(chords):
        t0 = bar * 4 * beat
        # Bass: eighth notes, root and octave.
        for i in range(8):
            midi = root - 12 + (12 if i % 4 == 3 else 0)
            b = tone(note_hz(midi), beat / 2 * 0.95, [1.0, 0.5, 0.33, 0.25, 0.2], 5.0) * 0.30
            add_at(left, t0 + i * beat / 2, b)
            add_at(right, t0 + i * beat / 2, b)
        # Chord pad, slightly spread between the channels.
        for k, midi in enumerate(chord):
            p = tone(note_hz(midi + 12), 4 * beat, [1.0, 0.3, 0.1], 0.6, attack=0.08) * 0.09
            add_at(left if k != 2 else right, t0, p)
            add_at(right if k != 0 else left, t0, p * 0.6)
        # Arpeggio: sixteenth notes climbing and falling over the chord.
        pattern = [0, 1, 2, 3, 2, 1, 0, 1] if bar % 2 == 0 else [0, 2, 1, 3, 1, 2, 0, 3]
        for i in range(16):
            step = pattern[i % 8]
            midi = chord[step % 3] + 24 + (12 if step == 3 else 0)
            a = tone(note_hz(midi), beat / 4 * 0.9, [1.0, 0.5, 0.33, 0.25, 0.2, 0.16, 0.14], 14.0) * 0.11
            add_at(left, t0 + i * beat / 4, a * 0.6)
            add_at(right, t0 + i * beat / 4, a)
        # Drums: kick on every beat, snare on two and four, hats on every
        # sixteenth, the off-beat ones louder.
        for b in range(4):
            add_at(left, t0 + b * beat, kick() * 0.45)
            add_at(right, t0 + b * beat, kick() * 0.45)
            if b % 2 == 1:
                s = snare(rng) * 0.3
                add_at(left, t0 + b * beat, s)
                add_at(right, t0 + b * beat, s * 0.8)
            for q in range(4):
                h = hat(rng) * (0.5 if q == 2 else 0.2)
                add_at(left, t0 + (b + q / 4) * beat, h * 0.7)
                add_at(right, t0 + (b + q / 4) * beat, h)
    stereo = np.stack([left, right], axis=1)
    stereo *= 0.89 / np.max(np.abs(stereo))
    return np.round(stereo * 32767).astype('<i2')


def write_wav(path, samples):
    with wave.open(path, 'wb') as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(samples.tobytes())


# ---------------------------------------------------------------- skins

def lerp(a, b, f):
    return tuple(int(round(x + (y - x) * f)) for x, y in zip(a, b))


def ramp(first, last, count):
    return [lerp(first, last, i / (count - 1)) for i in range(count)]


def subtract_inputs(background, shown, ratio_percent):
    """The vis colours that, subtracted at the ratio, leave `shown` on the
    background."""
    c = ratio_percent * 128 // 100
    return [tuple(max(0, min(255, (bg - s) * 128 // c)) for bg, s in zip(background, colour))
            for colour in shown]


# Each skin: its colours, its settings and the look of its window.
SKINS = {
    'Harbour': dict(
        title=(24, 52, 88), title_text=(190, 225, 245), body_top=(20, 44, 76),
        body_bottom=(8, 20, 38), line=(40, 86, 128), accent=(120, 205, 235),
        panel=(6, 12, 22), vis_bg=(8, 14, 28), vis_dots=(22, 36, 62),
        bars=ramp((232, 250, 255), (22, 72, 172), 16), peak=(255, 214, 120),
        settings=dict(BlendMethod=0, AnalyzerMode=1, Ratio=75, Enable=1, Peaks=1, Rain=0),
        pattern='waves'),
    'Ember': dict(
        title=(92, 30, 14), title_text=(255, 200, 140), body_top=(70, 24, 12),
        body_bottom=(30, 10, 6), line=(150, 56, 20), accent=(255, 150, 60),
        panel=(16, 6, 4), vis_bg=(22, 8, 4), vis_dots=(46, 18, 10),
        bars=ramp((255, 236, 160), (150, 22, 0), 16), peak=(255, 255, 220),
        settings=dict(BlendMethod=1, AnalyzerMode=0, Ratio=90, Enable=1, Peaks=1, Rain=0),
        pattern='sparks'),
    'Moss': dict(
        title=(46, 70, 36), title_text=(214, 232, 178), body_top=(58, 86, 44),
        body_bottom=(28, 46, 22), line=(82, 116, 60), accent=(206, 226, 160),
        panel=(34, 48, 28), vis_bg=(196, 214, 170), vis_dots=(182, 200, 156),
        # Subtracting needs a light background: the bars come out darker.
        bars=None, peak=None,
        settings=dict(BlendMethod=2, AnalyzerMode=2, Ratio=70, Enable=1, Peaks=1, Rain=0),
        pattern='leaves'),
}
SKINS['Moss']['bars'] = subtract_inputs(SKINS['Moss']['vis_bg'],
                                        ramp((18, 56, 24), (150, 182, 112), 16), 70)
SKINS['Moss']['peak'] = subtract_inputs(SKINS['Moss']['vis_bg'], [(96, 52, 28)], 70)[0]


def bevel(draw, box, light, dark):
    x0, y0, x1, y1 = box
    draw.line([(x0, y1), (x0, y0), (x1, y0)], fill=light)
    draw.line([(x1, y0 + 1), (x1, y1), (x0 + 1, y1)], fill=dark)


def draw_pattern(draw, s, rng):
    kind = s['pattern']
    if kind == 'waves':
        for row in range(6):
            y0 = 20 + row * 16
            points = [(x, y0 + 3 * math.sin(x / 11.0 + row)) for x in range(0, WIDTH, 3)]
            draw.line(points, fill=s['line'])
    elif kind == 'sparks':
        for _ in range(160):
            x, y = int(rng.integers(2, WIDTH - 2)), int(rng.integers(16, HEIGHT - 2))
            draw.point((x, y), fill=s['line'] if rng.random() < 0.7 else s['accent'])
        for x in range(0, WIDTH, 14):
            draw.polygon([(x, HEIGHT - 2), (x + 7, HEIGHT - 10), (x + 14, HEIGHT - 2)],
                         fill=s['line'])
    else:
        for i in range(28):
            x, y = int(rng.integers(0, WIDTH)), int(rng.integers(16, HEIGHT))
            draw.ellipse([x, y, x + 10, y + 5], outline=s['line'])
        for x in range(6, WIDTH, 22):
            draw.line([(x, 16), (x, HEIGHT - 2)], fill=s['line'])


def draw_buttons(draw, s):
    for i in range(5):
        x0, y0 = 16 + i * 24, 88
        draw.rounded_rectangle([x0, y0, x0 + 21, y0 + 16], radius=3,
                               fill=s['title'], outline=s['accent'])
        cx, cy = x0 + 11, y0 + 8
        ink = s['title_text']
        if i == 0:      # previous
            draw.polygon([(cx + 3, cy - 4), (cx - 3, cy), (cx + 3, cy + 4)], fill=ink)
            draw.line([(cx - 4, cy - 4), (cx - 4, cy + 4)], fill=ink)
        elif i == 1:    # play
            draw.polygon([(cx - 3, cy - 5), (cx + 4, cy), (cx - 3, cy + 5)], fill=ink)
        elif i == 2:    # pause
            draw.rectangle([cx - 4, cy - 4, cx - 2, cy + 4], fill=ink)
            draw.rectangle([cx + 1, cy - 4, cx + 3, cy + 4], fill=ink)
        elif i == 3:    # stop
            draw.rectangle([cx - 4, cy - 4, cx + 4, cy + 4], fill=ink)
        else:           # next
            draw.polygon([(cx - 3, cy - 4), (cx + 3, cy), (cx - 3, cy + 4)], fill=ink)
            draw.line([(cx + 4, cy - 4), (cx + 4, cy + 4)], fill=ink)
    draw.rounded_rectangle([200, 90, 262, 102], radius=6, fill=s['panel'], outline=s['accent'])
    draw.text((210, 90), 'ZELPIN', fill=s['accent'], font=ImageFont.load_default())


def make_main_bitmap(name, s, seed):
    rng = np.random.default_rng(seed)
    img = Image.new('RGB', (WIDTH, HEIGHT))
    draw = ImageDraw.Draw(img)
    font = ImageFont.load_default()
    for y in range(HEIGHT):
        draw.line([(0, y), (WIDTH - 1, y)], fill=lerp(s['body_top'], s['body_bottom'], y / (HEIGHT - 1)))
    draw_pattern(draw, s, rng)
    # Title bar: the strip that stays when the window is shaded.
    draw.rectangle([0, 0, WIDTH - 1, 13], fill=s['title'])
    draw.text((8, 1), 'ZELPIN  ' + name.upper(), fill=s['title_text'], font=font)
    for i, x in enumerate((242, 253, 264)):
        draw.rectangle([x, 3, x + 7, 10], outline=s['title_text'],
                       fill=s['accent'] if i == 2 else s['title'])
    # Display panel around the vis area, and the song panel.
    draw.rectangle([16, 20, 150, 66], fill=s['panel'])
    bevel(draw, (16, 20, 150, 66), s['body_bottom'], s['line'])
    draw.text((30, 24), '00:08', fill=s['accent'], font=font)
    draw.text((108, 24), 'kbps', fill=s['line'], font=font)
    draw.text((108, 46), 'kHz', fill=s['line'], font=font)
    draw.rectangle([156, 20, 266, 66], fill=s['panel'])
    bevel(draw, (156, 20, 266, 66), s['body_bottom'], s['line'])
    draw.text((162, 24), 'sample tune', fill=s['accent'], font=font)
    draw.text((162, 40), '44100  stereo', fill=s['title_text'], font=font)
    # Position bar with its knob.
    draw.rectangle([16, 72, 266, 80], fill=s['panel'], outline=s['line'])
    draw.rectangle([96, 71, 112, 81], fill=s['accent'])
    draw_buttons(draw, s)
    bevel(draw, (0, 0, WIDTH - 1, HEIGHT - 1), s['accent'], s['body_bottom'])
    # The vis area last: the analyser's background, with a grid of dots.
    draw.rectangle([VIS_X, VIS_Y, VIS_X + VIS_W - 1, VIS_Y + VIS_H - 1], fill=s['vis_bg'])
    for y in range(VIS_Y + 1, VIS_Y + VIS_H, 2):
        for x in range(VIS_X + 1, VIS_X + VIS_W, 2):
            draw.point((x, y), fill=s['vis_dots'])
    return img


def viscolor_text(name, s):
    names = ['analyser background', 'background dots'] + \
            ['bar colour %d' % i for i in range(1, 17)] + \
            ['oscilloscope %d' % i for i in range(1, 6)] + ['peak dots']
    osc = ramp((255, 255, 255), (128, 128, 128), 5)
    colours = [s['vis_bg'], s['vis_dots']] + list(s['bars']) + osc + [s['peak']]
    lines = ['%d,%d,%d // %s' % (c + (label,)) for c, label in zip(colours, names)]
    lines[0] += ' - %s vis colours' % name
    return '\r\n'.join(lines) + '\r\n'


def settings_text(settings):
    return '[ZELPIN]\r\n' + ''.join('%s=%d\r\n' % kv for kv in settings.items())


def write_text(path, text):
    with open(path, 'w', newline='') as f:
        f.write(text)


def make_sample(outdir):
    os.makedirs(outdir, exist_ok=True)
    write_wav(os.path.join(outdir, 'tune.wav'), make_tune())
    for seed, (name, s) in enumerate(sorted(SKINS.items())):
        folder = os.path.join(outdir, 'Skins', name)
        os.makedirs(folder, exist_ok=True)
        make_main_bitmap(name, s, seed).save(os.path.join(folder, 'main.bmp'))
        write_text(os.path.join(folder, 'viscolor.txt'), viscolor_text(name, s))
        write_text(os.path.join(folder, 'zelpin.txt'), settings_text(s['settings']))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('outdir')
    make_sample(parser.parse_args().outdir)


if __name__ == '__main__':
    main()
