"""Pictures of the captured vis area: the frame shown at a time slot, the
slots a GIF shows, enlarging, exact GIFs, and the colours of the labels.
Shared by scripts/preview and its contact sheet.
"""

import numpy as np
from PIL import Image

from scriptlib.player_runs import FPS

STEP = 2                  # every second frame: GIF viewers cannot show 60 a second
VIS_W, VIS_H = 76, 16
BACKDROP = (24, 24, 28)
INK = (220, 220, 220)
MARK = (255, 200, 0)
BEST = (80, 220, 120)


def timeline(captures):
    """The time slots shown: every STEP-th slot up to the last one captured."""
    last = max(frames[-1][0] for frames in captures)
    return list(range(0, last + 1, STEP))


def frame_at(frames, slot):
    """What the window showed at a slot: the last capture taken by then."""
    shown = frames[0][1]
    for s, image in frames:
        if s > slot:
            break
        shown = image
    return shown


def to_palette(image):
    """A GIF frame: exact when it has at most 256 colours, else reduced."""
    rgb = np.asarray(image.convert('RGB'))
    codes = (rgb[..., 0].astype(np.uint32) << 16) | (rgb[..., 1].astype(np.uint32) << 8) | rgb[..., 2]
    colours, index = np.unique(codes.ravel(), return_inverse=True)
    if len(colours) > 256:
        return image.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE), False
    frame = Image.fromarray(index.reshape(codes.shape).astype(np.uint8), 'P')
    palette = np.stack([(colours >> 16) & 255, (colours >> 8) & 255, colours & 255], axis=1)
    frame.putpalette(palette.astype(np.uint8).ravel().tolist())
    return frame, True


def save_gif(images, path):
    """Saves the frames with the capture's timing; False when colours had to
    be reduced."""
    frames, exact = zip(*(to_palette(image) for image in images))
    times = [k * STEP * 100.0 / FPS for k in range(len(frames) + 1)]
    durations = [max(2, int(round(b)) - int(round(a))) * 10 for a, b in zip(times, times[1:])]
    frames[0].save(path, save_all=True, append_images=list(frames[1:]), duration=durations,
                   loop=0, disposal=1, optimize=False)
    return all(exact)


def enlarge(image, scale):
    return image.resize((image.width * scale, image.height * scale), Image.NEAREST)
