"""Level measurements shared by the demo plot and the preset measurements.

Audio is decoded with sox (WAV, AIFF, FLAC) and mixed to mono. Short-term levels are the RMS of
20 ms windows every 5 ms, in dBFS.
"""

import array
import math
import subprocess
import sys

WINDOW_S = 0.020
HOP_S = 0.005
# Input windows quieter than this say more about noise than about the effect.
QUIET_DB = -50.0


def decode(path, effects=()):
    """Mono float samples and the sample rate of an audio file, through sox (plus `effects`)."""
    rate = int(subprocess.run(["soxi", "-r", path], check=True, capture_output=True, text=True).stdout)
    raw = subprocess.run(["sox", path, "-t", "raw", "-e", "floating-point", "-b", "32", "-L", "-",
                          "remix", "-", *effects], check=True, capture_output=True).stdout
    samples = array.array("f")
    samples.frombytes(raw)
    if sys.byteorder != "little":
        samples.byteswap()
    return samples, rate


def db(power):
    return 10 * math.log10(power) if power > 1e-20 else -200.0


def short_term_rms_db(samples, rate):
    """RMS in dBFS of 20 ms windows every 5 ms, from running sums (one pass)."""
    win = max(1, int(WINDOW_S * rate))
    hop = max(1, int(HOP_S * rate))
    prefix = [0.0]
    acc = 0.0
    for s in samples:
        acc += s * s
        prefix.append(acc)
    out = []
    for start in range(0, max(0, len(samples) - win) + 1, hop):
        out.append(db((prefix[start + win] - prefix[start]) / win))
    return out, hop


def peak_db(samples):
    p = max((abs(s) for s in samples), default=0.0)
    return 20 * math.log10(p) if p > 0 else -200.0


def rms_db(samples):
    if not samples:
        return -200.0
    return db(sum(s * s for s in samples) / len(samples))
