#!/usr/bin/env python3
"""Draws one picture of a render: the waveform before and after, and gain reduction over time.

usage: plot_render.py BEFORE AFTER OUT.png [--title TEXT] [--subtitle TEXT]
                      [--without-comp FILE --makeup-db DB] [--without-deess FILE]

Gain reduction is measured as a difference of short-term RMS levels (20 ms windows every 5 ms):

  without references   input level minus output level (everything the effect did to the level)
  --without-comp FILE  the compressor's own reduction: the level of FILE (the same render with the
                       compressor out) minus the output level, plus the compressor's automatic
                       makeup gain --makeup-db, which it applies on top of its reduction
  --without-deess FILE the de-esser's reduction of the band above 8 kHz, measured the same way
                       against FILE (the same render with the de-esser out)

Windows where the reference is below -50 dBFS (-60 dBFS for the high band) are left out.
"""

import argparse
import math
import sys

from PIL import Image, ImageDraw, ImageFont

from audio_measure import QUIET_DB, decode, peak_db, rms_db, short_term_rms_db

HIGH_BAND = ("highpass", "8000")
HIGH_BAND_QUIET_DB = -60.0

# Colours: a dark studio look that matches the editor.
BG = (24, 26, 30)
PANEL = (34, 37, 43)
GRID = (58, 62, 70)
TEXT = (220, 222, 226)
DIM = (140, 145, 155)
BEFORE = (110, 118, 132)
AFTER = (255, 170, 60)
COMP = (230, 80, 70)
COMP_FILL = (110, 44, 42)
DEESS = (80, 190, 230)

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(size, bold=False):
    try:
        return ImageFont.truetype(FONT_DIR + ("DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"), size)
    except OSError:
        return ImageFont.load_default()


def reduction(reference, processed, floor_db, offset_db=0.0):
    """Per window: reference − processed + offset where the reference is above the floor."""
    return [r - p + offset_db if r >= floor_db else None for r, p in zip(reference, processed)]


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
    for level in (-1.0, -0.5, 0.0, 0.5, 1.0):
        y = mid - level * half
        d.line([(x0, y), (x1, y)], fill=GRID)
        d.text((x0 - 8, y), f"{level:g}", fill=DIM, font=label_font, anchor="rm")
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


def trace_points(gr, hop, rate, total_s, box, top):
    """Pixel runs of a reduction trace; None windows break the line."""
    x0, y0, x1, y1 = box
    height = y1 - y0 - 8
    width = x1 - x0
    runs, run = [], []
    for px in range(width):
        t = (px + 0.5) / width * total_s
        i = int(t * rate / hop)
        if 0 <= i < len(gr) and gr[i] is not None:
            g = max(0.0, min(top, gr[i]))
            run.append((x0 + px, y0 + 4 + g / top * height))
        elif run:
            runs.append(run)
            run = []
    if run:
        runs.append(run)
    return runs


def draw_reductions(d, box, traces, hop, rate, total_s, label_font):
    """Reduction hangs down from the top line, like the needle of a gain-reduction meter."""
    x0, y0, x1, y1 = box
    d.rectangle(box, fill=PANEL)
    peak = max((g for gr, _, _ in traces for g in gr if g is not None), default=0.0)
    top = max(6.0, math.ceil(peak / 3.0) * 3.0)
    step = nice_step(top, 4)
    level = 0.0
    while level <= top + 1e-9:
        y = y0 + 4 + level / top * (y1 - y0 - 8)
        d.line([(x0, y), (x1, y)], fill=GRID)
        d.text((x0 - 8, y), f"{level:.0f}", fill=DIM, font=label_font, anchor="rm")
        level += step
    for i, (gr, colour, fill) in enumerate(traces):
        runs = trace_points(gr, hop, rate, total_s, box, top)
        if fill is not None:
            for run in runs:
                for x, y in run:
                    d.line([(x, y0 + 4), (x, y)], fill=fill)
        for run in runs:
            if len(run) > 1:
                d.line(run, fill=colour, width=2)


def draw_time_axis(d, x0, x1, y, total_s, label_font):
    step = nice_step(total_s, 10)
    t = 0.0
    while t <= total_s + 1e-9:
        x = x0 + t / total_s * (x1 - x0)
        d.line([(x, y), (x, y + 5)], fill=DIM)
        d.text((x, y + 8), f"{t:g} s", fill=DIM, font=label_font, anchor="mt")
        t += step


def mean(gr):
    valid = [g for g in gr if g is not None]
    return sum(valid) / len(valid) if valid else 0.0


def stats(gr):
    valid = [g for g in gr if g is not None]
    if not valid:
        return "none"
    return f"max {max(valid):.1f} dB, mean {sum(valid) / len(valid):.1f} dB"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("before")
    ap.add_argument("after")
    ap.add_argument("out")
    ap.add_argument("--title", default="TORVIK render")
    ap.add_argument("--subtitle", default="")
    ap.add_argument("--without-comp", help="the same render with the compressor out")
    ap.add_argument("--makeup-db", type=float, default=0.0, help="the compressor's makeup gain")
    ap.add_argument("--without-deess", help="the same render with the de-esser out")
    ap.add_argument("--figures", help="also write the mean reductions as NAME=dB lines here")
    args = ap.parse_args()

    before, rate = decode(args.before)
    after, rate_after = decode(args.after)
    if rate != rate_after:
        sys.exit("plot_render: the two files have different sample rates")
    n = min(len(before), len(after))
    before, after = before[:n], after[:n]
    total_s = max(n / rate, 1e-3)
    after_levels, hop = short_term_rms_db(after, rate)

    traces = []  # (values, colour, fill or None), drawn in order
    legend = []  # (name, colour, figures)
    means = {}  # name -> mean reduction in dB, for --figures
    if args.without_comp:
        reference, _ = short_term_rms_db(decode(args.without_comp)[0][:n], rate)
        gr = reduction(reference, after_levels, QUIET_DB, args.makeup_db)
        traces.append((gr, COMP, COMP_FILL))
        legend.append(("compressor", COMP, stats(gr)))
        means["compressor_mean_db"] = mean(gr)
    if args.without_deess:
        reference, _ = short_term_rms_db(decode(args.without_deess, HIGH_BAND)[0][:n], rate)
        processed, _ = short_term_rms_db(decode(args.after, HIGH_BAND)[0][:n], rate)
        gr = reduction(reference, processed, HIGH_BAND_QUIET_DB)
        traces.append((gr, DEESS, None))
        legend.append(("de-esser, above 8 kHz", DEESS, stats(gr)))
        means["deesser_mean_db"] = mean(gr)
    if not traces:
        gr = reduction(short_term_rms_db(before, rate)[0], after_levels, QUIET_DB)
        traces.append((gr, COMP, COMP_FILL))
        legend.append(("input minus output", COMP, stats(gr)))

    W, H = 1600, 880
    img = Image.new("RGB", (W, H), BG)
    d = ImageDraw.Draw(img)
    title_font, sub_font, label_font, head_font = font(34, True), font(18), font(15), font(19, True)
    d.text((60, 28), args.title, fill=TEXT, font=title_font)
    if args.subtitle:
        d.text((60, 74), args.subtitle, fill=DIM, font=sub_font)

    left, right = 110, W - 50
    wave_box = (left, 150, right, 500)
    gr_box = (left, 600, right, 810)

    d.text((left, 120), "Waveform", fill=TEXT, font=head_font)
    x = left + 130
    for name, colour in (("before", BEFORE), ("after", AFTER)):
        d.rectangle((x, 124, x + 18, 138), fill=colour)
        d.text((x + 26, 131), name, fill=TEXT, font=sub_font, anchor="lm")
        x += 120
    level_text = (f"peak {peak_db(before):.1f} → {peak_db(after):.1f} dBFS    "
                  f"RMS {rms_db(before):.1f} → {rms_db(after):.1f} dBFS")
    d.text((right, 131), level_text, fill=DIM, font=sub_font, anchor="rm")
    draw_waveform(d, wave_box, before, after, label_font)

    d.text((left, 540), "Gain reduction (dB)", fill=TEXT, font=head_font)
    x = left
    for name, colour, figures in legend:
        d.rectangle((x, 574, x + 18, 588), fill=colour)
        label = f"{name}: {figures}"
        d.text((x + 26, 581), label, fill=TEXT, font=sub_font, anchor="lm")
        x += 26 + int(d.textlength(label, font=sub_font)) + 40
    d.text((right, 581), "20 ms RMS", fill=DIM, font=sub_font, anchor="rm")
    draw_reductions(d, gr_box, traces, hop, rate, total_s, label_font)
    draw_time_axis(d, left, right, gr_box[3] + 6, total_s, label_font)

    img.save(args.out)
    if args.figures:
        with open(args.figures, "w") as f:
            for name, value in means.items():
                f.write(f"{name}={value:.3f}\n")


if __name__ == "__main__":
    main()
