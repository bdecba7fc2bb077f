#!/usr/bin/env python3
"""Draws one picture of a render: the waveform before and after, and the gain reduction over time.

usage: plot_render.py BEFORE AFTER OUT.png [--title TEXT] [--subtitle TEXT]

Audio is decoded with sox (so WAV, AIFF and FLAC all work) and mixed to mono. Gain reduction is
the difference in decibels between the short-term RMS (20 ms windows every 5 ms) of input and
output; windows where the input is below -50 dBFS are left out, since there the difference
tells more about noise than about the effect.
"""

import argparse
import math
import sys

from PIL import Image, ImageDraw, ImageFont

from audio_measure import QUIET_DB, decode, peak_db, rms_db, short_term_rms_db

# Colours: a dark studio look that matches the editor.
BG = (24, 26, 30)
PANEL = (34, 37, 43)
GRID = (58, 62, 70)
TEXT = (220, 222, 226)
DIM = (140, 145, 155)
BEFORE = (110, 118, 132)
AFTER = (255, 170, 60)
GR = (230, 80, 70)

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(size, bold=False):
    try:
        return ImageFont.truetype(FONT_DIR + ("DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"), size)
    except OSError:
        return ImageFont.load_default()


def nice_step(span, target_lines):
    raw = span / max(1, target_lines)
    mag = 10 ** math.floor(math.log10(raw))
    for m in (1, 2, 5, 10):
        if m * mag >= raw:
            return m * mag
    return 10 * mag


def draw_waveform(d, box, before, after, label_font):
    x0, y0, x1, y1 = box
    d.rectangle(box, fill=PANEL)
    mid = (y0 + y1) / 2
    half = (y1 - y0) / 2 - 4
    for level in (-1.0, -0.5, 0.5, 1.0):
        y = mid - level * half
        d.line([(x0, y), (x1, y)], fill=GRID)
        d.text((x0 - 8, y), f"{level:g}",
               fill=DIM, font=label_font, anchor="rm")
    d.line([(x0, mid), (x1, mid)], fill=GRID)
    d.text((x0 - 8, mid), "0", fill=DIM, font=label_font, anchor="rm")
    width = x1 - x0
    n = len(before)
    for samples, colour in ((before, BEFORE), (after, AFTER)):
        for px in range(width):
            a = px * n // width
            b = max(a + 1, (px + 1) * n // width)
            chunk = samples[a:b]
            if not chunk:
                continue
            lo = max(-1.0, min(chunk))
            hi = min(1.0, max(chunk))
            d.line([(x0 + px, mid - hi * half), (x0 + px, mid - lo * half)], fill=colour)


def draw_gain_reduction(d, box, gr, hop, rate, total_s, label_font):
    x0, y0, x1, y1 = box
    d.rectangle(box, fill=PANEL)
    valid = [g for g in gr if g is not None]
    top = max(6.0, math.ceil(max(valid, default=0.0) / 3.0) * 3.0)
    step = nice_step(top, 4)
    height = y1 - y0 - 8
    level = 0.0
    while level <= top + 1e-9:
        y = y0 + 4 + level / top * height
        d.line([(x0, y), (x1, y)], fill=GRID)
        d.text((x0 - 8, y), f"{level:.0f}", fill=DIM, font=label_font, anchor="rm")
        level += step
    width = x1 - x0
    # Reduction hangs down from the top line, like the needle of a gain-reduction meter.
    points = []
    for px in range(width):
        t = (px + 0.5) / width * total_s
        i = int(t * rate / hop)
        if 0 <= i < len(gr) and gr[i] is not None:
            g = max(0.0, min(top, gr[i]))
            y = y0 + 4 + g / top * height
            d.line([(x0 + px, y0 + 4), (x0 + px, y)], fill=(120, 45, 42))
            points.append((x0 + px, y))
        else:
            if len(points) > 1:
                d.line(points, fill=GR, width=2)
            points = []
    if len(points) > 1:
        d.line(points, fill=GR, width=2)


def draw_time_axis(d, x0, x1, y, total_s, label_font):
    step = nice_step(total_s, 10)
    t = 0.0
    while t <= total_s + 1e-9:
        x = x0 + t / total_s * (x1 - x0)
        d.line([(x, y), (x, y + 5)], fill=DIM)
        d.text((x, y + 8), f"{t:g} s", fill=DIM, font=label_font, anchor="mt")
        t += step


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("before")
    ap.add_argument("after")
    ap.add_argument("out")
    ap.add_argument("--title", default="TORVIK render")
    ap.add_argument("--subtitle", default="")
    args = ap.parse_args()

    before, rate = decode(args.before)
    after, rate_after = decode(args.after)
    if rate != rate_after:
        sys.exit("plot_render: the two files have different sample rates")
    n = min(len(before), len(after))
    before, after = before[:n], after[:n]
    total_s = max(n / rate, 1e-3)

    rms_in, hop = short_term_rms_db(before, rate)
    rms_out, _ = short_term_rms_db(after, rate)
    gr = [a - b if a >= QUIET_DB else None for a, b in zip(rms_in, rms_out)]
    valid = [g for g in gr if g is not None]

    W, H = 1600, 900
    img = Image.new("RGB", (W, H), BG)
    d = ImageDraw.Draw(img)
    title_font, sub_font, label_font, head_font = font(34, True), font(18), font(15), font(19, True)
    d.text((60, 28), args.title, fill=TEXT, font=title_font)
    if args.subtitle:
        d.text((60, 74), args.subtitle, fill=DIM, font=sub_font)

    left, right = 110, W - 50
    wave_box = (left, 150, right, 520)
    gr_box = (left, 600, right, 820)

    d.text((left, 120), "Waveform", fill=TEXT, font=head_font)
    legend_x = left + 130
    for name, colour in (("before", BEFORE), ("after", AFTER)):
        d.rectangle((legend_x, 124, legend_x + 18, 138), fill=colour)
        d.text((legend_x + 26, 131), name, fill=TEXT, font=sub_font, anchor="lm")
        legend_x += 120
    stats = (f"peak {peak_db(before):.1f} → {peak_db(after):.1f} dBFS    "
             f"RMS {rms_db(before):.1f} → {rms_db(after):.1f} dBFS")
    d.text((right, 131), stats, fill=DIM, font=sub_font, anchor="rm")
    draw_waveform(d, wave_box, before, after, label_font)

    d.text((left, 570), "Gain reduction (dB)", fill=TEXT, font=head_font)
    if valid:
        gr_stats = (f"max {max(valid):.1f} dB    mean {sum(valid) / len(valid):.1f} dB    "
                    f"(20 ms RMS of input minus output)")
        d.text((right, 581), gr_stats, fill=DIM, font=sub_font, anchor="rm")
    draw_gain_reduction(d, gr_box, gr, hop, rate, total_s, label_font)
    draw_time_axis(d, left, right, gr_box[3] + 6, total_s, label_font)

    img.save(args.out)


if __name__ == "__main__":
    main()
