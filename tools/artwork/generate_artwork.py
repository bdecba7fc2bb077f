#!/usr/bin/python3
"""Draws every image of the TORVIK editor into resources/img/.

Run from anywhere:  /usr/bin/python3 tools/artwork/generate_artwork.py [--preview FILE]

Needs only Debian's python3-pil and the DejaVu fonts (fonts-dejavu-core). The
output is byte-for-byte the same on every run: all randomness is seeded and the
PNG files carry no time stamps or text chunks.

Shapes are drawn at SS times the final size and scaled down, so every edge is
anti-aliased; text is drawn at the final size, where FreeType hints it crisply.
With --scale 200 the same drawing is made at twice the size (for screens at
200 %): shapes supersampled from twice as many pixels, text set at twice the
size and hinted there. The layout stays in 100 % units.
"""

import argparse
import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

import frame_png

EDITOR_W, EDITOR_H = 1186, 644
SS = 4  # supersampling factor for shapes, in pixels drawn per layout unit
OUT = 1  # output pixels per layout unit: 1 at 100 %, 2 at 200 %

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_COND_BOLD = os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf")
FONT_COND = os.path.join(FONT_DIR, "DejaVuSansCondensed.ttf")
FONT_SERIF_ITALIC = os.path.join(FONT_DIR, "DejaVuSerif-BoldItalic.ttf")

KNOB_FRAMES = 61
SWITCH_FRAMES = 2
METER_FRAMES = 121
KNOB_SWEEP_DEG = 135.0  # frame 0 at -135 degrees, the last frame at +135 (0 = straight up)

# --------------------------------------------------------------------------
# Layout data: every control of the editor with its resource ID, file name,
# frame count, frame size and position in the editor, plus the caption
# printed beside it and, for knobs, the legends at both ends of its scale.
# --------------------------------------------------------------------------

SECTIONS = {
    # key: (title, panel left, panel right, accent colour)
    "pre": ("PREAMP", 14, 214, (222, 96, 72)),
    "des": ("DE-ESSER", 220, 400, (232, 178, 64)),
    "gate": ("GATE", 406, 580, (112, 196, 120)),
    "eq": ("EQUALISER", 586, 776, (88, 160, 232)),
    "comp": ("COMPRESSOR", 782, 970, (196, 132, 230)),
    "main": ("MAIN", 976, 1172, (214, 218, 224)),
}

PANEL_TOP, PANEL_BOTTOM = 58, 612

# (id, file, kind, frames, frame w, frame h, x, y, section, caption, min legend, max legend)
CONTROLS = [
    (107, "GAINPRE", "knob", 61, 66, 65, 88, 258, "pre", "GAIN", "-30", "+30"),
    (110, "HPFPRE", "knob", 61, 67, 66, 88, 380, "pre", "HPF FREQ", "10", "250"),
    (106, "BYPASSPRE", "switch", 2, 31, 31, 107, 205, "pre", "IN", None, None),
    (114, "PADPRE", "switch", 2, 32, 32, 39, 225, "pre", "PAD", None, None),
    (115, "PHASEPRE", "switch", 2, 33, 33, 169, 223, "pre", "PHASE", None, None),
    (109, "HPFINPRE", "switch", 2, 32, 32, 39, 342, "pre", "HPF", None, None),
    (113, "MICPRE", "switch", 2, 32, 32, 170, 342, "pre", "MIC", None, None),
    (111, "LOPRE", "switch", 2, 35, 32, 38, 473, "pre", "LOW", None, None),
    (108, "HIPRE", "switch", 2, 31, 31, 170, 474, "pre", "HIGH", None, None),
    (116, "XFMRPRE", "switch", 2, 34, 34, 104, 509, "pre", "XFMR", None, None),
    (103, "INPUTMAIN", "knob", 61, 64, 64, 1033, 259, "main", "INPUT", "-30", "+30"),
    (105, "OUTPUTMAIN", "knob", 61, 66, 64, 1032, 381, "main", "OUTPUT", "-30", "+30"),
    (102, "BYPASSMAIN", "switch", 2, 26, 26, 1052, 481, "main", "IN", None, None),
    (121, "RELDES", "knob", 61, 66, 64, 277, 381, "des", "RELEASE", "5", "200"),
    (123, "THRDES", "knob", 61, 65, 64, 277, 259, "des", "THRESHOLD", "-60", "-10"),
    (120, "MIXDES", "knob", 61, 66, 65, 277, 486, "des", "MIX", "DRY", "WET"),
    (118, "BYPASSDES", "switch", 2, 32, 32, 294, 204, "des", "IN", None, None),
    (117, "BANDDES", "switch", 2, 31, 32, 229, 343, "des", "BAND", None, None),
    (122, "SOFTDES", "switch", 2, 33, 32, 359, 341, "des", "SOFT", None, None),
    (127, "MIXGATE", "knob", 61, 66, 65, 466, 485, "gate", "MIX", "DRY", "WET"),
    (128, "RELGATE", "knob", 61, 66, 65, 466, 380, "gate", "RELEASE", "1", "500"),
    (129, "THRGATE", "knob", 61, 66, 66, 466, 258, "gate", "THRESHOLD", "0", "60"),
    (125, "BYPASSGATE", "switch", 2, 36, 32, 481, 205, "gate", "IN", None, None),
    (124, "ATKGATE", "switch", 2, 34, 34, 417, 341, "gate", "FAST ATK", None, None),
    (130, "LGEQ", "knob", 61, 68, 65, 654, 485, "eq", "LOW", "-15", "+15"),
    (131, "LMFEQ", "knob", 61, 66, 66, 610, 384, "eq", "LO-MID FREQ", "220", "1.2k"),
    (132, "LMGEQ", "knob", 61, 66, 66, 700, 334, "eq", "LO-MID GAIN", "-15", "+15"),
    (133, "HMFEQ", "knob", 61, 66, 65, 610, 250, "eq", "HI-MID FREQ", "1.5k", "8.2k"),
    (134, "HMGEQ", "knob", 61, 66, 66, 700, 200, "eq", "HI-MID GAIN", "-15", "+15"),
    (135, "HGEQ", "knob", 61, 66, 66, 655, 102, "eq", "HIGH", "-15", "+15"),
    (136, "BYPASSEQ", "switch", 2, 32, 33, 718, 431, "eq", "IN", None, None),
    (145, "THRCOMP", "knob", 61, 65, 65, 844, 258, "comp", "THRESHOLD", "-60", "0"),
    (143, "RATIOCOMP", "knob", 61, 66, 64, 844, 381, "comp", "RATIO", "1.5", "20"),
    (142, "MIXCOMP", "knob", 61, 68, 66, 843, 485, "comp", "MIX", "DRY", "WET"),
    (146, "BYPASSCOMP", "switch", 2, 34, 35, 860, 204, "comp", "IN", None, None),
    (137, "ATKCOMP", "switch", 2, 32, 33, 796, 223, "comp", "FAST ATK", None, None),
    (144, "RELCOMP", "switch", 2, 35, 34, 925, 223, "comp", "AUTO REL", None, None),
    (139, "EXTSCCOMP", "switch", 2, 36, 35, 924, 340, "comp", "EXT SC", None, None),
    (140, "INTSCCOMP", "switch", 2, 34, 34, 795, 341, "comp", "SC HPF", None, None),
    (112, "METERPRE", "meter", 121, 162, 79, 40, 97, "pre", "DRIVE", None, None),
    (104, "METERMAIN", "meter", 121, 164, 81, 983, 95, "main", "OUTPUT", None, None),
    (119, "METERDES", "meter", 121, 162, 83, 228, 93, "des", "GAIN REDUCTION", None, None),
    (126, "METERGATE", "meter", 121, 146, 66, 426, 103, "gate", "GATE LEVEL", None, None),
    (141, "METERCOMP", "meter", 121, 144, 66, 805, 103, "comp", "GAIN REDUCTION", None, None),
]

# The background: resource ID and file name; one frame the size of the editor.
BACKGROUND_ID, BACKGROUND_NAME = 101, "BG"

# Captions normally sit centred just above their control; these move one.
CAPTION_OFFSETS = {}

# Meters showing gain reduction (value = 1 - gain); the others show a level
# where 1.0 is full scale.
GAIN_REDUCTION_METERS = {"METERDES", "METERCOMP"}


class Control:
    def __init__(self, row):
        (self.id, self.name, self.kind, self.frames, self.fw, self.fh, self.x, self.y, self.section,
         self.caption, self.min_legend, self.max_legend) = row

    @property
    def rect(self):
        return (self.x, self.y, self.x + self.fw, self.y + self.fh)

    @property
    def centre(self):
        return (self.x + self.fw / 2.0, self.y + self.fh / 2.0)

    @property
    def accent(self):
        return SECTIONS[self.section][3]


# --------------------------------------------------------------------------
# Small drawing helpers
# --------------------------------------------------------------------------


def font(path, size):
    return ImageFont.truetype(path, size)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def scale_colour(c, f):
    return tuple(max(0, min(255, int(round(v * f)))) for v in c[:3])


def vertical_gradient(w, h, top, bottom):
    """An RGB image running from colour top to colour bottom."""
    grad = Image.linear_gradient("L").resize((w, h), Image.BILINEAR)
    a = Image.new("RGB", (w, h), top)
    b = Image.new("RGB", (w, h), bottom)
    return Image.composite(b, a, grad)


def circle_mask(size, cx, cy, r):
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    return m


def paste_gradient_circle(img, cx, cy, r, top, bottom):
    """Paints a circle filled with a top-to-bottom gradient."""
    d = int(math.ceil(2 * r)) + 2
    grad = vertical_gradient(d, d, top, bottom).convert("RGBA")
    mask = circle_mask((d, d), d / 2.0, d / 2.0, r)
    grad.putalpha(mask)
    img.alpha_composite(grad, (int(round(cx - d / 2.0)), int(round(cy - d / 2.0))))


def downsample(img, w, h):
    return img.resize((w, h), Image.LANCZOS)


def text_box(fnt, text, x, y, anchor):
    """Bounding box (left, top, right, bottom) of text drawn at x, y."""
    l, t, r, b = fnt.getbbox(text, anchor=anchor)
    return (x + l, y + t, x + r, y + b)


def polar(cx, cy, r, deg):
    """Point at angle deg (0 = up, clockwise positive) and radius r around (cx, cy)."""
    a = math.radians(deg)
    return (cx + r * math.sin(a), cy - r * math.cos(a))


INDEXED = False  # write the frame-indexed form (frame_png.py) instead of a plain PNG


def save_png(img, path, frames=1):
    if INDEXED:
        frame_png.write_frame_png(img, frames, path)
    else:
        img.save(path, format="PNG", optimize=True)


# --------------------------------------------------------------------------
# Knobs
# --------------------------------------------------------------------------


def knob_radius(c):
    """Radius of the knob's skirt in final pixels; the scale is printed outside it."""
    return min(c.fw, c.fh) * 0.31


def knob_strip(c):
    W, H = c.fw * SS, c.fh * SS
    cx, cy = W / 2.0, H / 2.0
    r = knob_radius(c) * SS
    r_cap = r * 0.74

    base = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    # Soft shadow below the knob, as if lit from above.
    shadow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).ellipse((cx - r, cy - r + 2.5 * SS, cx + r, cy + r + 2.5 * SS), fill=(0, 0, 0, 170))
    shadow = shadow.filter(ImageFilter.GaussianBlur(2.0 * SS))
    base.alpha_composite(shadow)
    # Skirt: brushed dark metal, bright at the top edge.
    paste_gradient_circle(base, cx, cy, r, (118, 120, 126), (24, 25, 28))
    paste_gradient_circle(base, cx, cy, r - 1.0 * SS, (70, 72, 77), (30, 31, 34))

    cap = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    # Cap: a slightly concave face, darker at the top, with a thin bright rim.
    paste_gradient_circle(cap, cx, cy, r_cap + 0.8 * SS, (20, 21, 23), (104, 106, 112))
    paste_gradient_circle(cap, cx, cy, r_cap, (40, 41, 45), (62, 64, 69))

    frames = []
    for i in range(KNOB_FRAMES):
        angle = -KNOB_SWEEP_DEG + 2.0 * KNOB_SWEEP_DEG * i / (KNOB_FRAMES - 1)
        f = base.copy()
        d = ImageDraw.Draw(f)
        # Grip ridges turn with the knob while the light stays put.
        for k in range(30):
            a = angle + k * 12.0
            p0 = polar(cx, cy, r_cap + 1.2 * SS, a)
            p1 = polar(cx, cy, r - 1.2 * SS, a)
            d.line((p0, p1), fill=(14, 14, 16, 150), width=int(0.9 * SS))
        f.alpha_composite(cap)
        d = ImageDraw.Draw(f)
        # Pointer: a bright line from near the centre to the skirt's edge.
        p0 = polar(cx, cy, r * 0.30, angle)
        p1 = polar(cx, cy, r - 0.6 * SS, angle)
        d.line((p0, p1), fill=(246, 246, 240, 255), width=int(2.2 * SS))
        for p in (p0, p1):
            rr = 1.1 * SS
            d.ellipse((p[0] - rr, p[1] - rr, p[0] + rr, p[1] + rr), fill=(246, 246, 240, 255))
        frames.append(downsample(f, c.fw * OUT, c.fh * OUT))
    return stack(frames)


def knob_scale(draw_ss, c):
    """Tick marks around a knob, drawn on the supersampled background."""
    cx, cy = c.centre
    r = knob_radius(c)
    for k in range(11):
        a = -KNOB_SWEEP_DEG + 2.0 * KNOB_SWEEP_DEG * k / 10
        major = k in (0, 5, 10)
        r0 = r + 3.0
        r1 = r + (7.5 if major else 5.5)
        p0 = polar(cx * SS, cy * SS, r0 * SS, a)
        p1 = polar(cx * SS, cy * SS, r1 * SS, a)
        colour = (214, 214, 210) if major else (150, 152, 156)
        draw_ss.line((p0, p1), fill=colour, width=int((1.6 if major else 1.2) * SS))


# --------------------------------------------------------------------------
# Switches
# --------------------------------------------------------------------------


def switch_strip(c):
    W, H = c.fw * SS, c.fh * SS
    cx, cy = W / 2.0, H / 2.0
    r = (min(c.fw, c.fh) / 2.0 - 2.0) * SS
    accent = c.accent
    frames = []
    for lit in (False, True):
        f = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        if lit:
            # Light spilling from the lens onto the panel around the button.
            glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
            ImageDraw.Draw(glow).ellipse((cx - r, cy - r, cx + r, cy + r), fill=accent + (110,))
            glow = glow.filter(ImageFilter.GaussianBlur(2.0 * SS))
            f.alpha_composite(glow)
        shadow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        ImageDraw.Draw(shadow).ellipse((cx - r, cy - r + 1.5 * SS, cx + r, cy + r + 1.5 * SS), fill=(0, 0, 0, 160))
        shadow = shadow.filter(ImageFilter.GaussianBlur(1.2 * SS))
        f.alpha_composite(shadow)
        # Bezel ring, then the button cap.
        paste_gradient_circle(f, cx, cy, r, (130, 132, 138), (22, 23, 26))
        paste_gradient_circle(f, cx, cy, r - 1.2 * SS, (38, 39, 43), (74, 76, 82))
        paste_gradient_circle(f, cx, cy, r - 2.4 * SS, (66, 68, 73), (36, 37, 41))
        # LED lens in the middle of the cap.
        rl = r * 0.42
        if lit:
            halo = Image.new("RGBA", (W, H), (0, 0, 0, 0))
            ImageDraw.Draw(halo).ellipse((cx - rl * 1.9, cy - rl * 1.9, cx + rl * 1.9, cy + rl * 1.9),
                                         fill=mix(accent, (255, 255, 255), 0.2) + (150,))
            halo = halo.filter(ImageFilter.GaussianBlur(rl * 0.6))
            f.alpha_composite(halo)
            paste_gradient_circle(f, cx, cy, rl, mix(accent, (255, 255, 255), 0.75), accent)
        else:
            paste_gradient_circle(f, cx, cy, rl, (10, 10, 11), scale_colour(accent, 0.30))
        # Specular highlight on the lens.
        d = ImageDraw.Draw(f)
        hr = rl * 0.38
        hx, hy = cx - rl * 0.30, cy - rl * 0.35
        d.ellipse((hx - hr, hy - hr * 0.7, hx + hr, hy + hr * 0.7),
                  fill=(255, 255, 255, 150 if lit else 70))
        frames.append(downsample(f, c.fw * OUT, c.fh * OUT))
    return stack(frames)


# --------------------------------------------------------------------------
# Meters: a backlit moving-coil style dial with a needle
# --------------------------------------------------------------------------

METER_HALF_SWEEP_DEG = 45.0


def meter_geometry(c):
    w, h = c.fw, c.fh
    pivot = (w / 2.0, h * 1.32)
    radius = h * 1.06
    return pivot, radius


def meter_marks(c):
    """(value, legend, major) marks of a meter's scale; value 0..1 is linear in the needle angle."""
    if c.name in GAIN_REDUCTION_METERS:
        marks = []
        for db in (0, 1, 2, 3, 4, 6, 8, 10, 15, 20):
            v = 1.0 - 10.0 ** (-db / 20.0)
            legend = str(db) if db in (0, 1, 3, 6, 10, 20) else None
            marks.append((v, legend, legend is not None))
        return marks
    marks = [(0.0, None, False)]
    for db in (-20, -14, -10, -8, -6, -5, -4, -3, -2, -1, 0):
        v = 10.0 ** (db / 20.0)
        legend = None
        if db in (-20, -10, -6, -3, 0):
            legend = "0" if db == 0 else str(db)
        marks.append((v, legend, legend is not None))
    return marks


def meter_angle(v):
    return -METER_HALF_SWEEP_DEG + 2.0 * METER_HALF_SWEEP_DEG * v


def meter_face(c):
    w, h = c.fw, c.fh
    W, H = w * SS, h * SS
    (px, py), radius = meter_geometry(c)
    gr = c.name in GAIN_REDUCTION_METERS
    face = vertical_gradient(W, H, (252, 236, 188), (226, 196, 128)).convert("RGBA")
    # Backlight falls off toward the edges of the window.
    vignette = Image.new("L", (W, H), 0)
    ImageDraw.Draw(vignette).rectangle((0, 0, W - 1, H - 1), outline=255, width=int(3 * SS))
    vignette = vignette.filter(ImageFilter.GaussianBlur(4 * SS))
    dark = Image.new("RGBA", (W, H), (96, 70, 30, 255))
    face = Image.composite(dark, face, vignette.point(lambda v: v * 0.7))
    d = ImageDraw.Draw(face)

    ink = (34, 28, 22)
    red = (196, 40, 30)
    # Scale arc, with a red zone near the top of level meters.
    box = ((px - radius) * SS, (py - radius) * SS, (px + radius) * SS, (py + radius) * SS)
    a0 = meter_angle(0.0) - 90.0
    a1 = meter_angle(1.0) - 90.0
    d.arc(box, a0, a1, fill=ink, width=int(1.0 * SS))
    if not gr:
        ar = meter_angle(10.0 ** (-3 / 20.0)) - 90.0
        rbox = ((px - radius - 3.5) * SS, (py - radius - 3.5) * SS, (px + radius + 3.5) * SS,
                (py + radius + 3.5) * SS)
        d.arc(rbox, ar, a1, fill=red, width=int(3.5 * SS))
    for v, legend, major in meter_marks(c):
        a = meter_angle(v)
        hot = (not gr) and v > 0.70
        p0 = polar(px * SS, py * SS, (radius - (1.0 if major else 0.0)) * SS, a)
        p1 = polar(px * SS, py * SS, (radius + (7.0 if major else 4.0)) * SS, a)
        d.line((p0, p1), fill=red if hot else ink, width=int((1.5 if major else 1.1) * SS))
    img = downsample(face, w * OUT, h * OUT)

    d = ImageDraw.Draw(img)
    fnt = font(FONT_COND_BOLD, (9 if h >= 75 else 8) * OUT)
    for v, legend, major in meter_marks(c):
        if legend is None:
            continue
        a = meter_angle(v)
        tx, ty = polar(px, py, radius + 13.0, a)
        hot = (not gr) and v > 0.70
        d.text((tx * OUT, ty * OUT), legend, font=fnt, fill=red if hot else ink, anchor="mm")
    cap_font = font(FONT_COND_BOLD, (9 if h >= 75 else 8) * OUT)
    d.text((w / 2.0 * OUT, h * 0.50 * OUT), c.caption, font=cap_font, fill=(70, 56, 40), anchor="mm")
    unit_font = font(FONT_COND, 8 * OUT)
    d.text((w / 2.0 * OUT, (h * 0.50 + 9) * OUT), "dB", font=unit_font, fill=(92, 74, 52), anchor="mm")
    return img


def meter_cover(c):
    """The dark plate hiding the needle's pivot at the bottom of the window."""
    w, h = c.fw, c.fh
    W, H = w * SS, h * SS
    (px, py), radius = meter_geometry(c)
    cover = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    rc = (py - h * 0.86) * SS
    paste_gradient_circle(cover, px * SS, py * SS, rc, (70, 70, 74), (20, 20, 22))
    paste_gradient_circle(cover, px * SS, py * SS, rc - 1.0 * SS, (30, 30, 33), (16, 16, 18))
    return downsample(cover, w * OUT, h * OUT)


def meter_strip(c):
    w, h = c.fw, c.fh
    W, H = w * SS, h * SS
    (px, py), radius = meter_geometry(c)
    face = meter_face(c)
    cover = meter_cover(c)
    frames = []
    for i in range(METER_FRAMES):
        v = i / (METER_FRAMES - 1)
        a = meter_angle(v)
        layer = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        d = ImageDraw.Draw(layer)
        # Shadow of the needle on the dial, then the needle.
        tip = polar(px * SS, py * SS, (radius + 6.0) * SS, a)
        base = (px * SS, py * SS)
        off = 1.6 * SS
        d.line(((base[0] + off, base[1] + off), (tip[0] + off, tip[1] + off)), fill=(60, 40, 10, 60),
               width=int(1.6 * SS))
        d.line((base, tip), fill=(20, 16, 14, 255), width=int(1.75 * SS))
        f = face.copy()
        f.alpha_composite(downsample(layer, w * OUT, h * OUT))
        f.alpha_composite(cover)
        frames.append(f)
    return stack(frames)


def stack(frames):
    w, h = frames[0].size
    strip = Image.new("RGBA", (w, h * len(frames)))
    for i, f in enumerate(frames):
        strip.paste(f, (0, i * h))
    return strip


# --------------------------------------------------------------------------
# Background
# --------------------------------------------------------------------------

CAPTION_FONT_SIZE = 10
LEGEND_FONT_SIZE = 8


class TextItem:
    """One piece of text printed on the background, with the box it covers."""

    def __init__(self, what, text, fnt, x, y, anchor, fill, section=None, tracking=0):
        self.what, self.text, self.font = what, text, fnt
        self.x, self.y, self.anchor, self.fill = x, y, anchor, fill
        self.section = section  # the panel the text must stay inside, or None
        self.tracking = tracking  # extra pixels between letters

    @property
    def box(self):
        if self.tracking == 0:
            return text_box(self.font, self.text, self.x, self.y, self.anchor)
        # Tracked text is set letter by letter from its left end on the baseline.
        boxes, x = [], self.x
        for ch in self.text:
            boxes.append(text_box(self.font, ch, x, self.y, "ls"))
            x += self.font.getlength(ch) + self.tracking
        return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
                max(b[3] for b in boxes))

    @property
    def right(self):
        return self.box[2]

    def draw(self, d):
        """Sets the text at the output scale, with the font at that size."""
        fnt = self.font if OUT == 1 else self.font.font_variant(size=self.font.size * OUT)
        if self.tracking == 0:
            d.text((self.x * OUT, self.y * OUT), self.text, font=fnt, fill=self.fill, anchor=self.anchor)
            return
        x = self.x * OUT
        for ch in self.text:
            d.text((x, self.y * OUT), ch, font=fnt, fill=self.fill, anchor="ls")
            x += fnt.getlength(ch) + self.tracking * OUT


CAPTION_COLOUR = (222, 222, 218)
LEGEND_COLOUR = (156, 158, 164)


def background_texts(controls):
    """Every text of the background: name and maker, section titles, captions and scale legends."""
    items = []
    name = TextItem("product name", "TORVIK", font(FONT_BOLD, 30), 34, 38, "ls", (236, 234, 228), tracking=3)
    items.append(name)
    items.append(TextItem("product line", "VOCAL CHANNEL STRIP", font(FONT_COND_BOLD, 11), name.right + 12, 38,
                          "ls", (150, 152, 158)))
    items.append(TextItem("maker", "Quellmark", font(FONT_SERIF_ITALIC, 20), EDITOR_W - 34, 37, "rs",
                          (214, 210, 200)))
    title_font = font(FONT_BOLD, 12)
    for key, (title, left, right, accent) in SECTIONS.items():
        items.append(TextItem("title of " + key, title, title_font, (left + right) / 2.0, PANEL_TOP + 20, "ms",
                              accent, section=key))
    cap_font = font(FONT_COND_BOLD, CAPTION_FONT_SIZE)
    leg_font = font(FONT_COND, LEGEND_FONT_SIZE)
    for c in controls:
        if c.kind == "meter":
            continue  # a meter's caption is printed on its dial
        # Captions sit centred above their control, 3 pixels clear.
        cx, cy = c.centre
        dx, dy = CAPTION_OFFSETS.get(c.name, (0, 0))
        items.append(TextItem("caption of " + c.name, c.caption, cap_font, cx + dx, c.y - 3 + dy, "mb",
                              CAPTION_COLOUR, section=c.section))
        if c.kind == "knob":
            # Legends go under the two ends of the scale, just below the knob.
            for legend, a in ((c.min_legend, -KNOB_SWEEP_DEG), (c.max_legend, KNOB_SWEEP_DEG)):
                ex, _ = polar(cx, cy, knob_radius(c) + 6.0, a)
                items.append(TextItem("legend %s of %s" % (legend, c.name), legend, leg_font, ex, c.y + c.fh + 1,
                                      "mt", LEGEND_COLOUR, section=c.section))
    return items


def intersects(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def check_catalogue(controls):
    """One image per resource ID from 101 to 146, except 138, each under its own name."""
    ids = sorted([BACKGROUND_ID] + [c.id for c in controls])
    assert ids == [i for i in range(101, 147) if i != 138], "resource IDs are not 101..146 without 138"
    names = [BACKGROUND_NAME] + [c.name for c in controls]
    assert len(set(names)) == len(names), "two images share a name"
    frames = {"knob": KNOB_FRAMES, "switch": SWITCH_FRAMES, "meter": METER_FRAMES}
    for c in controls:
        assert c.frames == frames[c.kind], c.name + " has the wrong frame count"


def check_layout(controls, texts):
    """Every text stays inside the editor (and its panel), clear of every control and of every other text."""
    for t in texts:
        box = t.box
        assert box[0] >= 0 and box[1] >= 0 and box[2] <= EDITOR_W and box[3] <= EDITOR_H, t.what + " leaves the editor"
        if t.section is not None:
            _, left, right, _ = SECTIONS[t.section]
            assert left <= box[0] and box[2] <= right and PANEL_TOP <= box[1] and box[3] <= PANEL_BOTTOM, \
                t.what + " leaves its panel"
        else:
            assert box[3] <= PANEL_TOP, t.what + " runs into the panels"
        for c in controls:
            assert not intersects(box, c.rect), "%s %s overlaps control %s %s" % (t.what, box, c.name, c.rect)
    for i, a in enumerate(texts):
        for b in texts[i + 1:]:
            assert not intersects(a.box, b.box), "%s overlaps %s" % (a.what, b.what)
    # Controls must sit inside their own section's panel, and never on one another.
    for c in controls:
        _, left, right, _ = SECTIONS[c.section]
        x0, y0, x1, y1 = c.rect
        assert left <= x0 and x1 <= right and PANEL_TOP <= y0 and y1 <= PANEL_BOTTOM, c.name + " outside its panel"
    for i, a in enumerate(controls):
        for b in controls[i + 1:]:
            assert not intersects(a.rect, b.rect), a.name + " overlaps " + b.name


def screw(img_ss, x, y):
    r = 5.0 * SS
    cx, cy = x * SS, y * SS
    paste_gradient_circle(img_ss, cx, cy + 0.8 * SS, r, (0, 0, 0), (0, 0, 0))
    paste_gradient_circle(img_ss, cx, cy, r, (150, 152, 158), (58, 60, 64))
    d = ImageDraw.Draw(img_ss)
    for a in (40.0, 130.0):
        p0 = polar(cx, cy, r * 0.75, a)
        p1 = polar(cx, cy, r * 0.75, a + 180.0)
        d.line((p0, p1), fill=(36, 37, 40), width=int(1.3 * SS))


def background(controls):
    W, H = EDITOR_W * SS, EDITOR_H * SS
    img = vertical_gradient(W, H, (36, 37, 40), (22, 23, 25)).convert("RGBA")
    d = ImageDraw.Draw(img)

    # Panels, one per section, with a bevelled edge.
    for key, (title, left, right, accent) in SECTIONS.items():
        box = (left * SS, PANEL_TOP * SS, right * SS, PANEL_BOTTOM * SS)
        d.rounded_rectangle((box[0], box[1] + 2 * SS, box[2], box[3] + 2 * SS), radius=7 * SS, fill=(10, 10, 11))
        d.rounded_rectangle(box, radius=7 * SS, fill=(62, 64, 68))
        panel = vertical_gradient(right - left - 2, PANEL_BOTTOM - PANEL_TOP - 2, (48, 50, 54),
                                  (36, 37, 40)).resize(((right - left - 2) * SS, (PANEL_BOTTOM - PANEL_TOP - 2) * SS))
        mask = Image.new("L", panel.size, 0)
        ImageDraw.Draw(mask).rounded_rectangle((0, 0, panel.size[0] - 1, panel.size[1] - 1), radius=6 * SS, fill=255)
        img.paste(panel, ((left + 1) * SS, (PANEL_TOP + 1) * SS), mask)
        # Accent stripe along the top of the panel.
        d.rounded_rectangle(((left + 10) * SS, (PANEL_TOP + 28) * SS, (right - 10) * SS, (PANEL_TOP + 29) * SS),
                            radius=SS // 2, fill=scale_colour(accent, 0.8))

    # Meter windows: a dark recessed bezel around each meter.
    for c in controls:
        if c.kind != "meter":
            continue
        x0, y0, x1, y1 = c.rect
        d.rounded_rectangle(((x0 - 5) * SS, (y0 - 5) * SS, x1 * SS + 5 * SS, y1 * SS + 5 * SS), radius=5 * SS,
                            fill=(92, 94, 100))
        d.rounded_rectangle(((x0 - 4) * SS, (y0 - 5) * SS, x1 * SS + 4 * SS, y1 * SS + 3 * SS), radius=4 * SS,
                            fill=(8, 8, 9))
        d.rectangle((x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1), fill=(0, 0, 0))

    # Knob scales and the seats the knobs sit in.
    for c in controls:
        if c.kind == "knob":
            cx, cy = c.centre
            r = (knob_radius(c) + 1.5) * SS
            d.ellipse((cx * SS - r, cy * SS - r, cx * SS + r, cy * SS + r), fill=(18, 18, 20))
            knob_scale(d, c)

    # Header rule, then the faceplate screws.
    d.rectangle((14 * SS, 49 * SS, (EDITOR_W - 14) * SS, 50 * SS - 1), fill=(14, 14, 15))
    d.rectangle((14 * SS, 50 * SS, (EDITOR_W - 14) * SS, 51 * SS - 1), fill=(54, 56, 60))
    for x, y in ((15, 26), (EDITOR_W - 15, 26), (15, EDITOR_H - 15), (EDITOR_W - 15, EDITOR_H - 15)):
        screw(img, x, y)

    img = downsample(img, EDITOR_W * OUT, EDITOR_H * OUT)
    d = ImageDraw.Draw(img)

    for t in background_texts(controls):
        t.draw(d)
    img.putalpha(255)
    return img


# --------------------------------------------------------------------------
# Output
# --------------------------------------------------------------------------


def blit_with_alpha(dest, src, x0, y0):
    """Copies src onto dest at (x0, y0) the way the editor draws its controls.

    A fully transparent source pixel leaves the destination alone, an opaque
    one replaces it; in between the colour moves from the destination toward
    the source by alpha / 256 (integer steps, truncated toward zero) and the
    alpha adds up.
    """
    sp = src.load()
    dp = dest.load()
    w, h = src.size
    for y in range(h):
        for x in range(w):
            s = sp[x, y]
            sa = s[3]
            if sa == 0:
                continue
            if sa == 255:
                dp[x0 + x, y0 + y] = s
                continue
            d = dp[x0 + x, y0 + y]
            colour = tuple(s[k] + int((d[k] - s[k]) * (255 - sa) / 256) for k in range(3))
            dp[x0 + x, y0 + y] = colour + (min(d[3] + sa, 255),)


def preview(bg, strips, controls):
    """The editor as it first opens: every control at its default frame over the background."""
    # Normalised defaults of the parameters bound to the knobs and switches.
    defaults = {
        "GAINPRE": 0.0, "HPFPRE": 0.0, "INPUTMAIN": 0.5, "OUTPUTMAIN": 0.5, "RELDES": 0.128205,
        "THRDES": 1.0, "MIXDES": 1.0, "MIXGATE": 1.0, "RELGATE": 0.198397, "THRGATE": 1.0,
        "LGEQ": 0.5, "LMFEQ": 0.183673, "LMGEQ": 0.5, "HMFEQ": 0.223881, "HMGEQ": 0.5, "HGEQ": 0.5,
        "THRCOMP": 1.0, "RATIOCOMP": 0.135135, "MIXCOMP": 1.0, "BYPASSPRE": 1.0, "BYPASSMAIN": 1.0,
    }  # every other switch is off and every meter at rest (0) in a fresh editor
    out = bg.copy()
    for c in controls:
        v = defaults.get(c.name, 0.0)
        i = min(max(int((c.frames - 1) * v + 0.5), 0), c.frames - 1)
        frame = strips[c.name].crop((0, i * c.fh, c.fw, (i + 1) * c.fh))
        blit_with_alpha(out, frame, c.x, c.y)
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.normpath(os.path.join(here, "..", ".."))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(repo, "resources", "img"), help="output folder")
    parser.add_argument("--preview", help="also write a composite of the editor at its defaults")
    parser.add_argument("--scale", type=int, choices=(100, 200), default=100,
                        help="percent of the layout's size to draw at")
    parser.add_argument("--indexed", action="store_true",
                        help="write each strip with its frame index (frame_png.py), as the module stores it")
    args = parser.parse_args()
    global SS, OUT, INDEXED
    INDEXED = args.indexed
    OUT = args.scale // 100
    SS = 4 * OUT

    controls = [Control(row) for row in CONTROLS]
    check_catalogue(controls)
    check_layout(controls, background_texts(controls))
    os.makedirs(args.out, exist_ok=True)

    strips = {}
    for c in controls:
        if c.kind == "knob":
            strips[c.name] = knob_strip(c)
        elif c.kind == "switch":
            strips[c.name] = switch_strip(c)
        else:
            strips[c.name] = meter_strip(c)
        strip = strips[c.name]
        assert strip.size == (c.fw * OUT, c.fh * c.frames * OUT), c.name
        save_png(strip, os.path.join(args.out, c.name + ".png"), c.frames)
    bg = background(controls)
    assert bg.size == (EDITOR_W * OUT, EDITOR_H * OUT)
    save_png(bg, os.path.join(args.out, BACKGROUND_NAME + ".png"))
    if args.preview and OUT == 1:
        preview(bg, strips, controls).convert("RGB").save(args.preview, format="PNG", optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
