#!/usr/bin/env python3
"""Writes reproducible test material for tuning and checking the presets.

sibilant.wav  a voice-like signal: voiced vowels (a 140 Hz pulse train through two formant
              resonators) alternating with bright "s" bursts (noise between 4 and 10 kHz)
guitar.wav    plucked strings: decaying harmonic notes with a bright attack
drums.wav     a drum-like loop at 120 beats per minute: kick, snare and hi-hat

All files are 48 kHz, mono, 24-bit, with a fixed random seed, so every run gives the same bytes.
"""

import math
import random
import struct
import sys
import wave
from pathlib import Path

RATE = 48000


def write_wav(path, samples, peak_dbfs):
    """Scales `samples` so the largest magnitude sits at `peak_dbfs` and writes 24-bit PCM."""
    peak = max(1e-12, max(abs(s) for s in samples))
    scale = 10 ** (peak_dbfs / 20) / peak
    frames = bytearray()
    for s in samples:
        v = max(-8388608, min(8388607, int(round(s * scale * 8388607))))
        frames += struct.pack("<i", v)[:3]
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(3)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


class Resonator:
    """Two-pole band-pass resonator at `freq` Hz with bandwidth `bw` Hz."""

    def __init__(self, freq, bw):
        r = math.exp(-math.pi * bw / RATE)
        self.a1 = 2 * r * math.cos(2 * math.pi * freq / RATE)
        self.a2 = -r * r
        self.gain = 1 - r
        self.y1 = self.y2 = 0.0

    def __call__(self, x):
        y = self.gain * x + self.a1 * self.y1 + self.a2 * self.y2
        self.y2, self.y1 = self.y1, y
        return y


class OnePole:
    """One-pole low-pass (or high-pass as input minus low-pass) at `freq` Hz."""

    def __init__(self, freq):
        self.a = math.exp(-2 * math.pi * freq / RATE)
        self.y = 0.0

    def low(self, x):
        self.y = (1 - self.a) * x + self.a * self.y
        return self.y

    def high(self, x):
        return x - self.low(x)


def band_noise(rng, n, low_hz, high_hz):
    hp1, hp2, lp1, lp2 = OnePole(low_hz), OnePole(low_hz), OnePole(high_hz), OnePole(high_hz)
    out = []
    for _ in range(n):
        x = rng.uniform(-1, 1)
        out.append(lp2.low(lp1.low(hp2.high(hp1.high(x)))))
    return out


def envelope(i, n, attack, release):
    """Linear attack over `attack` samples, linear release over the last `release` samples."""
    if i < attack:
        return i / attack
    if i > n - release:
        return max(0.0, (n - i) / release)
    return 1.0


def sibilant(rng):
    out = []
    vowels = [(700, 1200), (400, 2000), (300, 2300), (600, 1000)]
    for k in range(8):
        f1, f2 = vowels[k % len(vowels)]
        r1, r2 = Resonator(f1, 90), Resonator(f2, 120)
        n = int(0.32 * RATE)
        period = RATE / (140 + 10 * math.sin(k))
        phase = 0.0
        for i in range(n):
            phase += 1
            pulse = 1.0 if phase >= period else 0.0
            if pulse:
                phase -= period
            v = (r1(pulse) + r2(pulse) * 0.6) * 6.0
            out.append(v * envelope(i, n, 0.02 * RATE, 0.04 * RATE))
        s = band_noise(rng, int(0.16 * RATE), 4000, 10000)
        m = len(s)
        # Sibilants sit about as loud as the vowels, which is what makes them harsh.
        out += [x * 2.5 * envelope(i, m, 0.015 * RATE, 0.03 * RATE) for i, x in enumerate(s)]
        out += [0.0] * int(0.06 * RATE)
    return out


def guitar(rng):
    notes = [82.41, 110.0, 146.83, 196.0, 246.94, 329.63, 246.94, 196.0]
    total = int(4.0 * RATE)
    out = [0.0] * total
    for k, f in enumerate(notes):
        start = int(k * 0.45 * RATE)
        n = total - start
        for i in range(n):
            t = i / RATE
            v = 0.0
            for h in range(1, 9):
                v += math.sin(2 * math.pi * f * h * t) * math.exp(-t * (1.5 + 0.9 * h)) / h
            out[start + i] += v
        click = band_noise(rng, int(0.004 * RATE), 2000, 8000)
        for i, x in enumerate(click):
            out[start + i] += x * 2.0
    return out


def drums(rng):
    beat = RATE // 2  # 120 beats per minute
    total = 8 * beat
    out = [0.0] * total
    for b in range(8):
        start = b * beat
        if b % 2 == 0:  # kick on 1 and 3
            phase = 0.0
            for i in range(int(0.35 * RATE)):
                t = i / RATE
                phase += 2 * math.pi * (50 + 90 * math.exp(-t * 30)) / RATE
                out[start + i] += math.sin(phase) * math.exp(-t * 9)
        else:  # snare on 2 and 4
            noise = band_noise(rng, int(0.2 * RATE), 1000, 9000)
            for i, x in enumerate(noise):
                t = i / RATE
                tone = math.sin(2 * math.pi * 190 * t) * math.exp(-t * 25)
                out[start + i] += (x * 2.2 + tone * 0.5) * math.exp(-t * 18)
        for half in (0, beat // 2):  # hi-hat on every eighth
            hat = band_noise(rng, int(0.05 * RATE), 7000, 16000)
            for i, x in enumerate(hat):
                out[start + half + i] += x * 1.2 * math.exp(-(i / RATE) * 90)
    return out


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(20261210)
    write_wav(folder / "sibilant.wav", sibilant(rng), -3.0)
    write_wav(folder / "guitar.wav", guitar(rng), -6.0)
    write_wav(folder / "drums.wav", drums(rng), -3.0)


if __name__ == "__main__":
    main()
