#!/usr/bin/python3
"""Writes a film strip as a PNG whose frames can be inflated one by one.

    /usr/bin/python3 tools/artwork/frame_png.py FRAMES IN.png OUT.png

The output is an ordinary 8-bit RGBA PNG with the same pixels as the input, so
any decoder reads it whole. Three things make each frame independent of the
frames above it:

- the first row of every frame is filtered with None or Sub, which look at no
  earlier row;
- the compressor is fully flushed at every frame boundary, so no frame's
  deflate data refers back into another frame;
- a private ancillary chunk "frIX" before the one IDAT chunk records the frame
  count, the rows per frame and, for each frame, the offset of its deflate data
  within the IDAT data (all big-endian 32-bit numbers). Decoders that do not
  know the chunk skip it.

Every frame after the first is stored as its byte-wise difference (modulo
256, channel by channel) from the first frame, and a private ancillary chunk
"frDF" (the frame count, a big-endian 32-bit number) says so. A knob's or a
meter's frames differ from each other only around the pointer or the needle,
so the differences are mostly zero and the strips shrink to a third or less.
A decoder that reads the whole image adds the first frame back to the others;
one that inflates a frame alone adds the first frame to it.

Rows are filtered with None, Sub, Up or Average, whichever leaves the most zero
bytes; the byte-wise arithmetic runs on whole rows as Python integers, so the
build needs nothing beyond Debian's python3-pil. The output is the same, byte
for byte, on every run with the same zlib.
"""

import os
import struct
import sys
import zlib

from PIL import Image

CHUNK_TYPE = b"frIX"
DELTA_CHUNK_TYPE = b"frDF"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


class RowFilters:
    """Byte-wise PNG filter arithmetic on rows of one width, as big integers."""

    def __init__(self, row_bytes):
        self.n = row_bytes
        self.ones = (1 << (8 * row_bytes)) - 1
        self.high = int.from_bytes(b"\x80" * row_bytes, "big")
        self.low = int.from_bytes(b"\x7f" * row_bytes, "big")

    def minus(self, x, y):
        """(x - y) mod 256 in every byte."""
        return ((x | self.high) - (y & self.low)) ^ ((x ^ (y ^ self.ones)) & self.high)

    def plus(self, x, y):
        """(x + y) mod 256 in every byte."""
        return ((x & self.low) + (y & self.low)) ^ ((x ^ y) & self.high)

    def mean(self, x, y):
        """floor((x + y) / 2) in every byte."""
        return (x & y) + (((x ^ y) >> 1) & self.low)

    def candidates(self, raw, prior):
        """(filter type, filtered bytes) for one row; prior is None for a frame's first row."""
        x = int.from_bytes(raw, "big")
        left = x >> 32  # the pixel to the left; zero for the first pixel
        out = [(0, raw), (1, self.minus(x, left).to_bytes(self.n, "big"))]
        if prior is not None:
            up = int.from_bytes(prior, "big")
            out.append((2, self.minus(x, up).to_bytes(self.n, "big")))
            out.append((3, self.minus(x, self.mean(left, up)).to_bytes(self.n, "big")))
        return out


def frame_deltas(pixels, frame_bytes, undo=False):
    """Every frame after the first as its difference from the first (or, with
    undo, the frames back from their differences)."""
    if len(pixels) <= frame_bytes:
        return pixels
    arithmetic = RowFilters(frame_bytes)
    first = int.from_bytes(pixels[:frame_bytes], "big")
    out = bytearray(pixels[:frame_bytes])
    for start in range(frame_bytes, len(pixels), frame_bytes):
        x = int.from_bytes(pixels[start:start + frame_bytes], "big")
        y = arithmetic.plus(x, first) if undo else arithmetic.minus(x, first)
        out += y.to_bytes(frame_bytes, "big")
    return bytes(out)


def frame_png(frames, source, target):
    image = Image.open(source)
    image.load()
    write_frame_png(image, frames, target)


def write_frame_png(image, frames, target):
    """Writes a PIL image, frames stacked top to bottom, in the indexed form."""
    image = image.convert("RGBA")
    width, height = image.size
    if frames < 1 or height % frames != 0:
        raise SystemExit(f"{target}: {height} rows do not split into {frames} frames")
    rows_per_frame = height // frames
    pixels = image.tobytes()
    row_bytes = width * 4
    filters = RowFilters(row_bytes)
    frame_bytes = rows_per_frame * row_bytes
    stored = frame_deltas(pixels, frame_bytes)

    compressor = zlib.compressobj(9, zlib.DEFLATED, 15, 9)
    data = bytearray()
    offsets = []
    for f in range(frames):
        offsets.append(2 if f == 0 else len(data))  # 2: the zlib header before frame 0
        filtered = bytearray()
        for r in range(f * rows_per_frame, (f + 1) * rows_per_frame):
            raw = stored[r * row_bytes:(r + 1) * row_bytes]
            prior = None if r == f * rows_per_frame else stored[(r - 1) * row_bytes:r * row_bytes]
            kind, best = max(filters.candidates(raw, prior), key=lambda c: (c[1].count(0), -c[0]))
            filtered.append(kind)
            filtered += best
        data += compressor.compress(bytes(filtered))
        data += compressor.flush(zlib.Z_FULL_FLUSH)
    data += compressor.flush()

    index = struct.pack(">II", frames, rows_per_frame) + b"".join(struct.pack(">I", o) for o in offsets)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    deltas = chunk(DELTA_CHUNK_TYPE, struct.pack(">I", frames)) if frames > 1 else b""
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(CHUNK_TYPE, index) + deltas +
           chunk(b"IDAT", bytes(data)) + chunk(b"IEND", b""))
    temporary = target + ".tmp"
    with open(temporary, "wb") as out:
        out.write(png)
    # The pixels must survive the round trip exactly.
    check = Image.open(temporary)
    check.load()
    if frame_deltas(check.convert("RGBA").tobytes(), frame_bytes, undo=True) != pixels:
        raise SystemExit(f"{target}: pixels changed")
    os.replace(temporary, target)


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__.splitlines()[2].strip())
    frame_png(int(sys.argv[1]), sys.argv[2], sys.argv[3])


if __name__ == "__main__":
    main()
