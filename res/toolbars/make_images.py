#!/usr/bin/env python3
"""Draws the editor's toolbar images.

Every button image is described once, as shapes on a 16 by 15 grid, and rasterised at
scale 1 and scale 2 without anti-aliasing, so both sizes are crisp: outlines are one
device pixel wide at either scale, and the 2x image gains detail instead of being a
blown-up copy. For each toolbarN.txt beside this script it writes toolbarN.png and
toolbarN@2x.png: the images of the layout's non-separator items, side by side in order.

Run it after changing a layout or a drawing:  python3 res/toolbars/make_images.py
It needs nothing beyond Python's standard library.
"""

import math
import pathlib
import struct
import zlib

WIDTH, HEIGHT = 16, 15
HERE = pathlib.Path(__file__).resolve().parent


# ---------------------------------------------------------------- shapes (grid units)

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# ---------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, scale):
        self.scale = scale
        self.w, self.h = WIDTH * scale, HEIGHT * scale
        self.pixels = [[(0, 0, 0, 0)] * self.w for _ in range(self.h)]

    def _covers(self, shape, px, py):
        if px < 0 or py < 0 or px >= self.w or py >= self.h:
            return False
        return shape((px + 0.5) / self.scale, (py + 0.5) / self.scale)

    def fill(self, shape, colour, outline=None):
        """Fills shape; with an outline colour, its edge pixels (one device pixel) get it."""
        for py in range(self.h):
            for px in range(self.w):
                if not self._covers(shape, px, py):
                    continue
                edge = outline is not None and not all(
                    self._covers(shape, px + dx, py + dy)
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                self.pixels[py][px] = rgba(outline if edge else colour)


def rgba(hex_colour):
    value = int(hex_colour.lstrip('#'), 16)
    return (value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF, 0xFF)


# ---------------------------------------------------------------- the images

INK = '#303030'
PAPER = '#ffffff'
TEXT_LINE = '#8a8a8a'


def page(c, x0, y0, x1, y1, lines):
    c.fill(rect(x0, y0, x1, y1), PAPER, INK)
    for y in lines:
        c.fill(rect(x0 + 2, y, x1 - 2, y + 1), TEXT_LINE)


def draw_open(c):
    c.fill(rect(1, 2, 7, 5), '#c8901c', '#6a4a08')                     # tab
    c.fill(rect(1, 3, 14, 13), '#d8a020', '#6a4a08')                   # back
    c.fill(polygon([(3.5, 6), (15, 6), (12.5, 13), (1, 13)]), '#f8d860', '#6a4a08')


def draw_save(c):
    c.fill(rect(1, 1, 14, 14), '#3464b4', '#182e5c')                   # body
    c.fill(rect(4, 1, 11, 6), '#d0d4da', '#182e5c')                    # shutter
    c.fill(rect(8, 2, 10, 5), '#3464b4')                               # shutter window
    c.fill(rect(3, 8, 12, 14), PAPER, '#182e5c')                       # label
    c.fill(rect(5, 10, 10, 11), TEXT_LINE)


def draw_cut(c):
    steel = '#4a5262'
    c.fill(segment(4.5, 1, 9.5, 8.5, 1.7), steel)
    c.fill(segment(10.5, 1, 5.5, 8.5, 1.7), steel)
    handle = '#c42020'
    c.fill(minus(disc(4.5, 11, 2.9), disc(4.5, 11, 1.4)), handle)
    c.fill(minus(disc(10.5, 11, 2.9), disc(10.5, 11, 1.4)), handle)
    c.fill(disc(7.5, 5.5, 0.8), '#d8d8d8')                             # pivot


def draw_copy(c):
    page(c, 1, 1, 9, 11, [4, 6, 8])
    page(c, 6, 4, 14, 14, [7, 9, 11])


def draw_paste(c):
    c.fill(rect(1, 2, 11, 14), '#b07830', '#5c360c')                   # board
    c.fill(rect(4, 1, 8, 4), '#c8c8c8', INK)                           # clip
    page(c, 6, 5, 14, 14, [8, 10, 12])


def draw_print(c):
    c.fill(rect(4, 1, 12, 6), PAPER, INK)                              # paper in
    c.fill(rect(1, 5, 15, 11), '#b4b4b4', INK)                         # body
    c.fill(rect(12, 7, 13, 8), '#20b040')                              # power light
    page(c, 4, 9, 12, 14, [11])                                        # paper out


def draw_color_codes(c):
    c.fill(rect(1, 1, 8, 8), '#e02828', INK)
    c.fill(rect(7, 1, 14, 8), '#28b040', INK)
    c.fill(rect(1, 7, 8, 14), '#2858e0', INK)
    c.fill(rect(7, 7, 14, 14), '#f0d020', INK)


def draw_about(c):
    c.fill(disc(7.5, 7, 6.3), '#2a62c8', '#143070')
    c.fill(rect(6.5, 3, 8.5, 5), PAPER)                                # dot
    c.fill(rect(6.5, 6, 8.5, 11), PAPER)                               # stem
    c.fill(rect(5.5, 10, 9.5, 11), PAPER)                              # foot


def draw_find(c):
    c.fill(segment(9, 9, 13.2, 13.2, 2.4), '#3a2a1a')                  # handle
    c.fill(disc(6, 6, 4.6), '#a8d4f4', INK)                            # lens
    c.fill(minus(disc(6, 6, 4.6), disc(6, 6, 3.4)), '#585858', INK)    # rim
    c.fill(rect(4, 4, 5, 6), PAPER)                                    # glint


def draw_goto(c):
    green, dark = '#22a844', '#0c4a1c'
    c.fill(rect(12, 1, 14, 14), '#26386c')                             # the address
    c.fill(polygon([(1, 6), (6.5, 6), (6.5, 2), (12, 7.5), (6.5, 13), (6.5, 9), (1, 9)]),
           green, dark)                                                # the arrow


def draw_signed(c):
    navy = '#1c2868'
    c.fill(rect(2, 4, 12, 6), navy)                                    # plus, across
    c.fill(rect(6, 1, 8, 9), navy)                                     # plus, down
    c.fill(rect(2, 11, 12, 13), navy)                                  # minus


def draw_box(c):
    c.fill(rect(1, 3, 14, 12), PAPER, '#606060')                       # a text field
    c.fill(rect(3.5, 5, 4.5, 10), '#000000')                           # its caret


DRAWINGS = {
    57601: draw_open, 57603: draw_save, 57635: draw_cut, 57634: draw_copy,
    57637: draw_paste, 57607: draw_print, 32784: draw_color_codes, 57664: draw_about,
    32772: draw_find, 32778: draw_goto, 32780: draw_signed,
    32771: draw_box, 32776: draw_box, 32777: draw_box, 32779: draw_box,
}


# ---------------------------------------------------------------- output

def layout_ids(path):
    for line in path.read_text().splitlines():
        words = line.split()
        if words and words[0] == 'ids':
            return [int(w) for w in words[1:]]
    raise SystemExit(f'{path}: no ids line')


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = b''.join(b'\x00' + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    path.write_bytes(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
                     chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    for layout in sorted(HERE.glob('toolbar*.txt')):
        ids = [i for i in layout_ids(layout) if i != 0]
        for scale, suffix in ((1, ''), (2, '@2x')):
            strip = [[] for _ in range(HEIGHT * scale)]
            for command in ids:
                canvas = Canvas(scale)
                DRAWINGS[command](canvas)
                for y, row in enumerate(canvas.pixels):
                    strip[y].extend(row)
            write_png(layout.with_name(layout.stem + suffix + '.png'), strip)


if __name__ == '__main__':
    main()
