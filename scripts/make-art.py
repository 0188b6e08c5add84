#!/usr/bin/env python3
"""Draws the program's icon (quorvel.ico: 16, 32 and 48 pixels, 32-bit with
alpha) and the main window's header banner (banner.bmp: 699 x 81 pixels,
8 bits per pixel with a palette) into the folder given as the only argument.

Standard library only: shapes are strokes rendered from their distance field
(anti-aliased by coverage), and the ICO and BMP bytes are written by hand.
"""
import math
import os
import struct
import sys

# ---------------------------------------------------------------- geometry


def arc(cx, cy, rx, ry, start, end, steps=40):
    """Polyline of an elliptic arc; angles in degrees, 0 = right, 90 = up."""
    points = []
    for i in range(steps + 1):
        a = math.radians(start + (end - start) * i / steps)
        points.append((cx + rx * math.cos(a), cy - ry * math.sin(a)))
    return points


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    ex, ey = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(ex * ex + ey * ey)


class StrokeLayer:
    """Polylines of one width; coverage() answers how much of a pixel they cover."""

    def __init__(self, width):
        self.half = width / 2.0
        self.segments = []

    def add(self, points):
        for a, b in zip(points, points[1:]):
            self.segments.append((a[0], a[1], b[0], b[1]))

    def bounds(self):
        xs = [v for s in self.segments for v in (s[0], s[2])]
        ys = [v for s in self.segments for v in (s[1], s[3])]
        pad = self.half + 2
        return min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad

    def coverage(self, px, py):
        best = 1e9
        for ax, ay, bx, by in self.segments:
            # Cheap rejection before the exact distance.
            if px < min(ax, bx) - best or px > max(ax, bx) + best:
                continue
            if py < min(ay, by) - best or py > max(ay, by) + best:
                continue
            best = min(best, segment_distance(px, py, ax, ay, bx, by))
        return max(0.0, min(1.0, self.half - best + 0.5))


# ------------------------------------------------------------------ letters
# A geometric sans, lowercase but for the Q; x-height 1, cap height 1.4,
# measured from the baseline upwards. Each glyph: (advance, [polylines]).


def glyphs():
    r = 0.5
    return {
        "Q": (1.55, [arc(0.72, -0.7, 0.7, 0.7, 0, 360, 72), [(0.95, -0.28), (1.45, 0.12)]]),
        "u": (1.12, [[(0.06, -1.0), (0.06, -0.45)] + arc(0.5, -0.45, 0.44, 0.45, 180, 360, 24)[1:],
                     [(0.94, -1.0), (0.94, 0.0)]]),
        "o": (1.12, [arc(0.5, -r, 0.46, r, 0, 360, 48)]),
        "r": (0.78, [[(0.06, 0.0), (0.06, -1.0)], arc(0.52, -0.5, 0.46, 0.5, 180, 80, 16)]),
        "v": (1.02, [[(0.02, -1.0), (0.48, 0.0), (0.94, -1.0)]]),
        "e": (1.1, [[(0.06, -0.5), (0.94, -0.5)] + arc(0.5, -0.5, 0.44, 0.5, 0, 320, 44)[1:]]),
        "l": (0.4, [[(0.1, -1.45), (0.1, 0.0)]]),
    }


def word_layer(text, left, baseline, size, width):
    layer = StrokeLayer(width)
    shapes = glyphs()
    x = left
    for ch in text:
        advance, lines = shapes[ch]
        for line in lines:
            layer.add([(x + px * size, baseline + py * size) for px, py in line])
        x += advance * size
    return layer, x


def waveform_layer(x0, x1, mid, amplitude, width):
    """A decaying signal, the kind a plug-in makes of a note."""
    layer = StrokeLayer(width)
    points = []
    steps = int((x1 - x0) / 1.5)
    for i in range(steps + 1):
        t = i / steps
        envelope = math.sin(math.pi * min(1.0, t * 1.25)) ** 1.5 * (1.0 - 0.55 * t)
        y = mid - amplitude * envelope * (0.65 * math.sin(t * 46.0) + 0.35 * math.sin(t * 113.0 + 1.0))
        points.append((x0 + (x1 - x0) * t, y))
    layer.add(points)
    return layer


# ------------------------------------------------------------------ banner
BANNER_W, BANNER_H = 699, 81
BG_LEVELS = 8    # steps of the background gradient
INK_LEVELS = 16  # steps of coverage for each ink
BG_LEFT, BG_RIGHT = (16, 20, 32), (28, 38, 60)
TEXT_INK = (236, 240, 248)
ACCENT_INK = (64, 196, 214)
BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def banner_palette():
    # Indices 0..127: background level x text coverage; 128..255: background
    # level x accent coverage. Every pixel of the picture is one of these.
    palette = []
    for ink in (TEXT_INK, ACCENT_INK):
        for level in range(BG_LEVELS):
            background = mix(BG_LEFT, BG_RIGHT, level / (BG_LEVELS - 1))
            for step in range(INK_LEVELS):
                palette.append(mix(background, ink, step / (INK_LEVELS - 1)))
    return palette


def render_banner():
    word, word_end = word_layer("Quorvel", 26, 55, 26, 4.6)
    wave = waveform_layer(word_end + 24, BANNER_W - 24, 40, 20, 1.6)
    # A thin rule under the word: the plug's cable running into the signal.
    cable = StrokeLayer(1.4)
    cable.add([(26, 68), (word_end + 10, 68)] + arc(word_end + 10, 54, 14, 14, 270, 360, 12)[1:])
    layers = [(word, 0), (cable, 1), (wave, 1)]
    boxes = [layer.bounds() for layer, _ in layers]
    pixels = bytearray(BANNER_W * BANNER_H)
    for y in range(BANNER_H):
        for x in range(BANNER_W):
            # Horizontal gradient, ordered-dithered into the palette's levels.
            g = x / (BANNER_W - 1) * (BG_LEVELS - 1) + (BAYER4[y % 4][x % 4] + 0.5) / 16.0 - 0.5
            level = max(0, min(BG_LEVELS - 1, int(round(g))))
            best_ink, best_cover = 0, 0.0
            for (layer, ink), (bx0, by0, bx1, by1) in zip(layers, boxes):
                if bx0 <= x <= bx1 and by0 <= y <= by1:
                    cover = layer.coverage(x + 0.5, y + 0.5)
                    if cover > best_cover:
                        best_ink, best_cover = ink, cover
            step = int(round(best_cover * (INK_LEVELS - 1)))
            pixels[y * BANNER_W + x] = best_ink * 128 + level * INK_LEVELS + step
    return pixels


def write_bmp8(path, width, height, palette, pixels):
    stride = (width + 3) & ~3
    header_size = 14 + 40 + 4 * len(palette)
    image_size = stride * height
    data = bytearray()
    data += struct.pack("<2sIHHI", b"BM", header_size + image_size, 0, 0, header_size)
    data += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, image_size, 2835, 2835, len(palette), 0)
    for r, g, b in palette:
        data += bytes((b, g, r, 0))
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = pixels[y * width:(y + 1) * width]
        data += row + bytes(stride - width)
    with open(path, "wb") as f:
        f.write(data)


# -------------------------------------------------------------------- icon
ICON_BACK_TOP, ICON_BACK_BOTTOM = (34, 46, 72), (16, 20, 32)


def render_icon(size):
    """A rounded dark tile with a ring (the Q) crossed by a signal."""
    s = size / 48.0
    ring = StrokeLayer(max(1.6, 5.0 * s))
    ring.add(arc(24 * s, 23 * s, 12.5 * s, 12.5 * s, 0, 360, 64))
    ring.add([(31 * s, 31 * s), (38 * s, 38 * s)])
    wave = StrokeLayer(max(1.0, 2.2 * s))
    points = []
    for i in range(61):
        t = i / 60.0
        envelope = math.sin(math.pi * t)
        points.append(((8 + 32 * t) * s, (23 - 7 * envelope * math.sin(t * 15.0)) * s))
    wave.add(points)
    radius = 9 * s
    rgba = []
    samples = [(0.25, 0.25), (0.75, 0.25), (0.25, 0.75), (0.75, 0.75)]
    for y in range(size):
        for x in range(size):
            # Tile coverage by supersampling the rounded rectangle.
            inside = 0
            for sx, sy in samples:
                px, py = x + sx, y + sy
                cx = min(max(px, radius + 1 * s), size - radius - 1 * s)
                cy = min(max(py, radius + 1 * s), size - radius - 1 * s)
                if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                    inside += 1
            alpha = inside / len(samples)
            color = mix(ICON_BACK_TOP, ICON_BACK_BOTTOM, y / max(1, size - 1))
            color = mix(color, TEXT_INK, ring.coverage(x + 0.5, y + 0.5))
            color = mix(color, ACCENT_INK, wave.coverage(x + 0.5, y + 0.5))
            rgba.append((color[0], color[1], color[2], int(round(alpha * 255))))
    return rgba


def icon_image(size, rgba):
    """One ICO image: BITMAPINFOHEADER (double height), BGRA rows, AND mask."""
    data = bytearray(struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0))
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = rgba[y * size + x]
            data += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(size):
            if rgba[y * size + x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def write_ico(path, sizes):
    images = [(size, icon_image(size, render_icon(size))) for size in sizes]
    data = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in images:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for _, image in images:
        data += image
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        print("usage: make-art.py OUTPUT_FOLDER", file=sys.stderr)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "quorvel.ico"), (16, 32, 48))
    write_bmp8(os.path.join(folder, "banner.bmp"), BANNER_W, BANNER_H, banner_palette(), render_banner())
    return 0


if __name__ == "__main__":
    sys.exit(main())
