#!/usr/bin/env python3
"""Draws the two animated pictures of the built-in template.

loading.gif   shown in the slide show while the next picture loads
movieanim.gif beside "Slide Show" on the folder pages

Only the standard library: the shapes are sampled with 4 x 4 supersampling,
blended against the colour they will sit on (the pages draw both on a known
background), and written with a small LZW encoder. Run it from anywhere:
    python3 make_gifs.py OUTPUT_DIR
"""

import math
import struct
import sys
from pathlib import Path

WHITE = (255, 255, 255)
ACCENT = (0x2F, 0x6F, 0x8F)


def lzw_encode(indices, min_size):
    clear = 1 << min_size
    end = clear + 1
    bits = 0
    nbits = 0
    out = bytearray()

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = fresh()
    emit(clear, size)
    word = b""
    for value in indices:
        candidate = word + bytes([value])
        if candidate in table:
            word = candidate
            continue
        emit(table[word], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder learns each entry one code later, so the code grows
            # one entry after the table has passed the current width.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = fresh()
        word = bytes([value])
    if word:
        emit(table[word], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def lzw_decode(data, min_size, count):
    """The decoder the encoder is checked against before anything is written."""
    clear = 1 << min_size
    end = clear + 1
    pos = 0
    nbits = 0
    bits = 0
    out = []

    def read(size):
        nonlocal pos, bits, nbits
        while nbits < size:
            bits |= data[pos] << nbits
            pos += 1
            nbits += 8
        code = bits & ((1 << size) - 1)
        bits >>= size
        nbits -= size
        return code

    size = min_size + 1
    table = None
    prev = None
    next_code = end + 1
    while True:
        code = read(size)
        if code == clear:
            table = {i: [i] for i in range(clear)}
            size = min_size + 1
            next_code = end + 1
            prev = None
            continue
        if code == end:
            break
        if prev is None:
            entry = table[code]
        else:
            if code in table:
                entry = table[code]
            elif code == next_code:
                entry = table[prev] + [table[prev][0]]
            else:
                raise ValueError("bad code %d" % code)
            if next_code < 4096:
                table[next_code] = table[prev] + [entry[0]]
                next_code += 1
                if next_code == (1 << size) and size < 12:
                    size += 1
        out.extend(entry)
        prev = code
    if len(out) != count:
        raise ValueError("decoded %d pixels, expected %d" % (len(out), count))
    return out


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def write_gif(path, width, height, frames, delay_cs, transparent_rgb):
    """frames: lists of (r, g, b) or None (transparent), row by row."""
    colours = [transparent_rgb]
    index = {}
    for frame in frames:
        for px in frame:
            if px is not None and px not in index:
                index[px] = len(colours)
                colours.append(px)
    if len(colours) > 256:
        raise ValueError("%s: %d colours" % (path, len(colours)))
    bits = max(2, math.ceil(math.log2(len(colours))))
    colours += [(0, 0, 0)] * ((1 << bits) - len(colours))

    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (bits - 1), 0, 0)
    for c in colours:
        gif += bytes(c)
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for frame in frames:
        pixels = [0 if px is None else index[px] for px in frame]
        gif += b"\x21\xF9\x04" + struct.pack("<BHB", (2 << 2) | 1, delay_cs, 0) + b"\x00"
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        data = lzw_encode(pixels, bits)
        if lzw_decode(data, bits, len(pixels)) != pixels:
            raise ValueError("LZW round trip failed for " + str(path))
        gif += bytes([bits]) + sub_blocks(data)
    gif += b"\x3B"
    Path(path).write_bytes(bytes(gif))


def render(width, height, shapes, background):
    """shapes: (coverage(x, y) -> bool, rgb, alpha); 4 x 4 samples a pixel."""
    pixels = []
    for py in range(height):
        for px in range(width):
            r = g = b = 0.0
            covered = 0.0
            for sy in range(4):
                for sx in range(4):
                    x = px + (sx + 0.5) / 4
                    y = py + (sy + 0.5) / 4
                    colour = None
                    for inside, rgb, alpha in shapes:
                        if inside(x, y):
                            colour = (rgb, alpha)
                    if colour:
                        rgb, alpha = colour
                        r += rgb[0] * alpha + background[0] * (1 - alpha)
                        g += rgb[1] * alpha + background[1] * (1 - alpha)
                        b += rgb[2] * alpha + background[2] * (1 - alpha)
                        covered += 1
            if covered == 0:
                pixels.append(None)
                continue
            share = covered / 16
            # Edge pixels fade into the background colour; steps of 16 keep
            # the palette within 256 colours.
            rgb = tuple(int(round((c / covered * share + bg * (1 - share)) / 16) * 16) for c, bg in zip((r, g, b), background))
            pixels.append(tuple(min(255, v) for v in rgb))
    return pixels


def loading_frames(size=32, dots=12):
    frames = []
    centre = size / 2
    radius = size * 0.36
    dot = size * 0.085
    for f in range(dots):
        shapes = []
        for k in range(dots):
            angle = 2 * math.pi * k / dots - math.pi / 2
            cx = centre + radius * math.cos(angle)
            cy = centre + radius * math.sin(angle)
            age = (f - k) % dots
            alpha = max(0.12, 1 - age / dots)
            shapes.append((lambda x, y, cx=cx, cy=cy: (x - cx) ** 2 + (y - cy) ** 2 <= dot * dot, ACCENT, alpha))
        frames.append(render(size, size, shapes, WHITE))
    return frames


def movie_frames(width=24, height=18, count=8):
    frames = []

    def rect(x0, y0, x1, y1):
        return lambda x, y: x0 <= x < x1 and y0 <= y < y1

    def frame_outline(x, y):
        inner = 2.2 <= x < width - 2.2 and 3.2 <= y < height - 3.2
        outer = 0.5 <= x < width - 0.5 and 0.5 <= y < height - 0.5
        return outer and not inner

    holes = [rect(2.5 + i * 4, 1.2, 4.5 + i * 4, 2.4) for i in range(6)]
    holes += [rect(2.5 + i * 4, height - 2.4, 4.5 + i * 4, height - 1.2) for i in range(6)]

    def triangle(x, y):
        # Play sign centred in the picture area.
        x0, x1, cy, half = width / 2 - 3.2, width / 2 + 4.2, height / 2, 4.0
        if not (x0 <= x <= x1):
            return False
        return abs(y - cy) <= half * (x1 - x) / (x1 - x0)

    for f in range(count):
        glow = 0.55 + 0.45 * (0.5 + 0.5 * math.cos(2 * math.pi * f / count))
        shapes = [(frame_outline, WHITE, 1.0)]
        shapes += [(h, ACCENT, 1.0) for h in holes]
        shapes.append((triangle, WHITE, glow))
        frames.append(render(width, height, shapes, ACCENT))
    return frames


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    out.mkdir(parents=True, exist_ok=True)
    write_gif(out / "loading.gif", 32, 32, loading_frames(), 8, WHITE)
    write_gif(out / "movieanim.gif", 24, 18, movie_frames(), 12, ACCENT)
    for name in ("loading.gif", "movieanim.gif"):
        print(out / name, (out / name).stat().st_size, "bytes")


if __name__ == "__main__":
    main()
