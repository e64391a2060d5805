#!/usr/bin/env python3
"""Checks screenshots of a player page: that the take is drawn in each of its
colours and that it moved between two moments.

    take_pixels.py BACKGROUND FIRST.png SECOND.png COLOUR:LEAST|COLOUR:<MOST...

Counts, in each picture, the pixels of each COLOUR (within a small
tolerance, for the edges a canvas smooths) on the rows of the canvas, which
are the rows whose left edge has the canvas's BACKGROUND colour (the caption
and the controls above and below have another). Fails unless each picture
has at least LEAST pixels of each COLOUR given a LEAST and fewer than MOST
of each given a MOST (a colour not drawn but for a few smoothed edges of
others), and unless the pixels of the former differ between the pictures
in a tenth as many places as the LEASTs add up to. Colours are RRGGBB. The
PNG reader is the standard library's zlib and nothing more.
"""
import struct
import sys
import zlib


def read_png(path):
    """Width, height and rows of (r, g, b) tuples of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace != 0:
                raise ValueError(path + ": not an 8-bit RGB(A) PNG without interlace")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                nearest = left if pa <= pb and pa <= pc else up if pb <= pc else upper_left
                line[i] = (line[i] + nearest) & 0xFF
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def take_pixels(path, background, wanted):
    """The places of the pixels of `wanted` on the canvas's rows."""
    _, _, rows = read_png(path)
    found = set()
    for y, row in enumerate(rows):
        if not near(row[0], background, 2):
            continue
        for x, pixel in enumerate(row):
            if near(pixel, wanted, 40):
                found.add((x, y))
    return found


def main():
    background = colour(sys.argv[1])
    pictures = sys.argv[2:4]
    wanted = [(colour(c), count) for c, count in (a.split(":") for a in sys.argv[4:])]
    drawn = [set(), set()]
    failed, least_sum = 0, 0
    for rgb, count in wanted:
        found = [take_pixels(path, background, rgb) for path in pictures]
        print("#%02x%02x%02x: %d and %d pixels" % (rgb + (len(found[0]), len(found[1]))))
        if count.startswith("<"):
            if max(len(f) for f in found) >= int(count[1:]):
                print("  %s or more: the take is drawn in this colour" % count[1:])
                failed = 1
            continue
        least = int(count)
        least_sum += least
        if min(len(f) for f in found) < least:
            print("  fewer than %d: the take is not drawn in this colour" % least)
            failed = 1
        drawn[0] |= found[0]
        drawn[1] |= found[1]
    moved = len(drawn[0] ^ drawn[1])
    print("%d pixels in one picture only" % moved)
    if moved < least_sum // 10:
        print("the take did not move between the two pictures")
        failed = 1
    return failed


if __name__ == "__main__":
    sys.exit(main())
