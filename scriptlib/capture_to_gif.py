"""Turns the host's vis-area capture file into an enlarged animated GIF.

The capture file: "ZCAP", the frame rate (uint32 LE), then for every frame
its time slot (uint32), width and height (uint16 each) and width*height*3
bytes BGR, rows from the top. Frames of different sizes (normal and double
window size) are brought to the largest size; the GIF keeps the real timing,
taking every STEP-th frame (GIF viewers cannot show 60 frames a second).

usage: python3 -m scriptlib.capture_to_gif CAPTURE OUT.gif [--scale 4] [--step 2]
"""

import argparse
import struct

from PIL import Image


def read_capture(path):
    """(fps, [(slot, PIL RGB image), ...])"""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:4] != b'ZCAP' or len(data) < 8:
        raise ValueError('%s is not a capture file' % path)
    fps = struct.unpack_from('<I', data, 4)[0]
    frames, pos = [], 8
    while pos + 8 <= len(data):
        slot, w, h = struct.unpack_from('<IHH', data, pos)
        pos += 8
        size = w * h * 3
        if w == 0 or h == 0 or pos + size > len(data):
            break                     # a frame cut short by a stopped host
        image = Image.frombytes('RGB', (w, h), data[pos:pos + size], 'raw', 'BGR')
        frames.append((slot, image))
        pos += size
    return fps, frames


def make_gif(capture, out, scale=4, step=2):
    fps, frames = read_capture(capture)
    frames = frames[::max(1, step)]
    if not frames:
        raise SystemExit('capture_to_gif: %s holds no frames' % capture)
    width = max(im.width for _, im in frames)
    height = max(im.height for _, im in frames)
    images = [im.resize((width * scale, height * scale), Image.NEAREST) for _, im in frames]
    # Durations in whole centiseconds, rounded on the running time so the
    # animation does not drift; at least 2 (viewers slow down anything less).
    times = [slot * 100.0 / fps for slot, _ in frames]
    times.append(times[-1] + 100.0 * step / fps)
    durations = [max(2, int(round(b)) - int(round(a))) * 10 for a, b in zip(times, times[1:])]
    images[0].save(out, save_all=True, append_images=images[1:], duration=durations,
                   loop=0, disposal=1)
    return len(images)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('capture')
    parser.add_argument('out')
    parser.add_argument('--scale', type=int, default=4)
    parser.add_argument('--step', type=int, default=2)
    args = parser.parse_args()
    make_gif(args.capture, args.out, args.scale, args.step)


if __name__ == '__main__':
    main()
