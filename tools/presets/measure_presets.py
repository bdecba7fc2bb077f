#!/usr/bin/env python3
"""Measures every factory preset on the material it is meant for and prints the figures.

usage: measure_presets.py BUILD_DIR [--material DIR] [--preset NAME] [--set NAME=VALUE ...]

For each preset of presets.txt (or only --preset NAME, with extra --set values on top, for
trying values), the material is rendered through TORVIK three times: with the preset, with the
preset but the compressor out, and with the preset but the de-esser out. From these:

  out peak / RMS      level of the processed file (dBFS), and samples above full scale
  comp GR max / mean  the compressor's own gain reduction: short-term level without it minus
                      level with it, plus its automatic makeup (0.22 x |threshold| dB)
  de-ess GR max/mean  reduction of the band above 8 kHz by the de-esser, the same way

Gain-reduction figures use 20 ms RMS windows every 5 ms where the reference is above
-50 dBFS (-60 dBFS for the high band), as in the demo plot.
"""

import argparse
import os
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "demo"))

from audio_measure import decode, peak_db, rms_db, short_term_rms_db  # noqa: E402

# The material each preset is meant for.
MATERIAL = {
    "Male Vocal": ["speech.wav", "sibilant.wav"],
    "Female Vocal": ["speech-high.wav", "sibilant.wav"],
    "Podcast Voice": ["speech.wav", "sibilant.wav"],
    "Rap Vocal": ["speech-fast.wav", "sibilant.wav"],
    "Acoustic Guitar": ["guitar.wav"],
    "Drum Bus": ["drums.wav"],
}
PHRASE = ("Every voice deserves a little care. She sells sea shells by the sea shore, "
          "and the sound stays smooth, even, and clear.")
HIGH_BAND = ("highpass", "8000")


def read_presets():
    presets = []
    for line in (HERE / "presets.txt").read_text().splitlines():
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        name, settings, why = (part.strip() for part in line.split("|", 2))
        presets.append((name, [s.strip() for s in settings.split(";") if s.strip()], why))
    return presets


def make_material(folder):
    folder.mkdir(parents=True, exist_ok=True)
    subprocess.run([sys.executable, str(HERE.parent / "demo" / "make_test_signals.py"), str(folder)],
                   check=True)
    for name, args in (("speech.wav", ["-s", "150"]), ("speech-high.wav", ["-s", "150", "-p", "75", "-v", "en+f3"]),
                       ("speech-fast.wav", ["-s", "210", "-p", "40"])):
        raw = folder / ("raw-" + name)
        subprocess.run(["espeak-ng", *args, "-w", str(raw), PHRASE], check=True)
        subprocess.run(["sox", str(raw), "-r", "48000", "-b", "24", str(folder / name), "gain", "-6",
                        "rate", "-v", "gain", "-n", "-4"], check=True)


def render(tool, bundle, material, settings, out):
    args = [tool, "--plugin", bundle, "--quiet"]
    for s in settings:
        args += ["--set", s]
    subprocess.run(args + [str(material), str(out)], check=True)


def reduction(reference, processed, floor_db, offset_db=0.0):
    """Max and mean of (reference − processed + offset) over windows where reference > floor."""
    ref, _ = reference
    out, _ = processed
    values = [r - o + offset_db for r, o in zip(ref, out) if r > floor_db]
    if not values:
        return 0.0, 0.0
    return max(values), sum(values) / len(values)


def setting_value(settings, name, default):
    """The last value given for `name` (later settings win, as with torvik-render)."""
    value = default
    for s in settings:
        key, _, text = s.partition("=")
        if key.strip() == name:
            value = float(text)
    return value


def measure(tool, bundle, folder, name, settings, work):
    rows = []
    threshold = setting_value(settings, "Compressor Threshold", 0.0)
    external = setting_value(settings, "38", 0.0)
    makeup = 0.0 if external else 0.22 * abs(threshold)
    for material in MATERIAL.get(name, ["speech.wav"]):
        src = folder / material
        full, no_comp, no_deess = (work / f"{tag}.wav" for tag in ("full", "nocomp", "nodeess"))
        render(tool, bundle, src, settings, full)
        render(tool, bundle, src, settings + ["Compressor Bypass=0"], no_comp)
        render(tool, bundle, src, settings + ["De-Esser Bypass=0"], no_deess)
        samples_in, rate = decode(str(src))
        samples, _ = decode(str(full))
        over = sum(1 for s in samples if abs(s) > 1.0)
        comp = reduction(short_term_rms_db(decode(str(no_comp))[0], rate),
                         short_term_rms_db(samples, rate), -50.0, makeup)
        deess = reduction(short_term_rms_db(decode(str(no_deess), HIGH_BAND)[0], rate),
                          short_term_rms_db(decode(str(full), HIGH_BAND)[0], rate), -60.0)
        rows.append((material, peak_db(samples_in), rms_db(samples_in), peak_db(samples),
                     rms_db(samples), over, comp, deess))
    return rows


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--material", help="folder with (or for) the test material")
    ap.add_argument("--preset", help="measure only this preset")
    ap.add_argument("--set", action="append", default=[], help="extra NAME=VALUE on top")
    args = ap.parse_args()

    build = Path(args.build_dir)
    tool = str(build / "tools" / "render" / "torvik-render")
    bundle = str(build / "TORVIK.vst3")
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        folder = Path(args.material) if args.material else work / "material"
        if not (folder / "speech.wav").exists():
            make_material(folder)
        print(f"{'preset':16} {'material':16} {'in peak':>8} {'in RMS':>7} {'out peak':>8} "
              f"{'out RMS':>7} {'over':>4} {'comp GR max/mean':>17} {'de-ess GR max/mean':>19}")
        for name, settings, _why in read_presets():
            if args.preset and name != args.preset:
                continue
            for (material, ip, ir, op, orms, over, comp, deess) in measure(
                    tool, bundle, folder, name, settings + args.set, work):
                print(f"{name:16} {material:16} {ip:8.2f} {ir:7.2f} {op:8.2f} {orms:7.2f} {over:4d} "
                      f"{comp[0]:8.2f} /{comp[1]:6.2f}  {deess[0]:9.2f} /{deess[1]:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
