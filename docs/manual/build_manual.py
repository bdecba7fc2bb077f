#!/usr/bin/env python3
"""Builds the TORVIK user manual: docs/manual/manual.md to OUT/index.html with its pictures.

usage: build_manual.py --out OUT --build-dir BUILD --reference TOOL --dot DOT

  BUILD    a build folder holding TORVIK.vst3, presets/, tools/render/torvik-render and
           tools/snapshot/torvik-snapshot
  TOOL     torvik-manual-reference, which writes the control tables from the parameter table

manual.md holds placeholders that are filled here:
  <!-- controls: ID -->   the control table of stage ID (controls.txt, the parameter table)
  <!-- picture: ID -->    the editor cut to stage ID's panel
  <!-- presets -->        every factory preset (tools/presets/presets.txt) with a plot of a
                          spoken phrase before and after it (tools/demo/run-demo.sh)
The signal-flow diagram is drawn from signal-flow.dot with Graphviz.
"""

import argparse
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

import markdown
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PRESETS = os.path.join(ROOT, "tools", "presets", "presets.txt")
RUN_DEMO = os.path.join(ROOT, "tools", "demo", "run-demo.sh")

# The IN switches of the four stages that are out by default, so the pictures show every stage
# in; meters at a typical level for a vocal.
SNAPSHOT_SETTINGS = ["De-Esser Bypass=1", "Gate Bypass=1", "EQ Bypass=1", "Compressor Bypass=1"]
SNAPSHOT_METERS = ["pre=0.55", "main=0.6", "deess=0.15", "gate=0.5", "comp=0.3"]

PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ font-family: "DejaVu Sans", sans-serif; max-width: 60em; margin: 2em auto;
       padding: 0 1em; line-height: 1.5; color: #222; }}
h1, h2, h3 {{ color: #1b1d21; }}
h2 {{ border-bottom: 1px solid #ccc; padding-bottom: 0.2em; margin-top: 2em; }}
img {{ max-width: 100%; }}
table {{ border-collapse: collapse; margin: 1em 0; }}
th, td {{ border: 1px solid #ccc; padding: 0.3em 0.6em; vertical-align: top; text-align: left; }}
th {{ background: #f0f0f0; }}
code, pre {{ background: #f4f4f4; }}
pre {{ padding: 0.6em; overflow-x: auto; }}
.toc {{ background: #f8f8f8; padding: 0.5em 1em; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""


def run(cmd, **kwargs):
    result = subprocess.run(cmd, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        sys.exit("build_manual: %s failed:\n%s%s" % (cmd[0], result.stdout, result.stderr))
    return result.stdout


def read_presets():
    """(name, settings, why) for every line of presets.txt."""
    presets = []
    with open(PRESETS, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            name, settings, why = [part.strip() for part in line.split("|")]
            presets.append((name, settings, why))
    return presets


def slug(name):
    return re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")


def stage_pictures(out, snapshot, crops):
    editor = os.path.join(out, "editor.png")
    cmd = [snapshot, "-o", editor]
    for s in SNAPSHOT_SETTINGS:
        cmd += ["--set", s]
    for m in SNAPSHOT_METERS:
        cmd += ["--meter", m]
    run(cmd)
    image = Image.open(editor)
    for stage, box in crops.items():
        image.crop(box).save(os.path.join(out, "stage-%s.png" % stage), optimize=True)


def preset_plots(out, build_dir):
    """One plot per preset, made by the demo's tooling; answers the Markdown of the section."""
    os.makedirs(os.path.join(out, "presets"), exist_ok=True)
    parts = []
    with tempfile.TemporaryDirectory() as work:
        for name, settings, why in read_presets():
            demo = os.path.join(work, slug(name))
            env = dict(os.environ, BUILD_DIR=build_dir, DEMO_DIR=demo, DEMO_PRESET=name)
            run(["bash", RUN_DEMO], env=env)
            plot = "presets/%s.png" % slug(name)
            shutil.copy(os.path.join(demo, "torvik-demo.png"), os.path.join(out, plot))
            listed = "; ".join(s.strip() for s in settings.split(";"))
            parts.append("### %s\n\n%s.\n\n![%s before and after](%s)\n\nSettings: %s.\n"
                         % (name, why[0].upper() + why[1:], name, plot, listed))
    return "\n".join(parts)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("--reference", required=True)
    ap.add_argument("--dot", default="dot")
    args = ap.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    snapshot = os.path.join(build_dir, "tools", "snapshot", "torvik-snapshot")

    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory() as ref:
        run([args.reference, os.path.join(HERE, "controls.txt"), ref])
        tables = {}
        crops = {}
        with open(os.path.join(ref, "crops.txt"), encoding="utf-8") as f:
            for line in f:
                stage, *box = line.split()
                crops[stage] = tuple(int(v) for v in box)
                with open(os.path.join(ref, "controls-%s.md" % stage), encoding="utf-8") as t:
                    tables[stage] = t.read()

    run([args.dot, "-Tsvg", os.path.join(HERE, "signal-flow.dot"),
         "-o", os.path.join(args.out, "signal-flow.svg")])
    stage_pictures(args.out, snapshot, crops)

    with open(os.path.join(HERE, "manual.md"), encoding="utf-8") as f:
        text = f.read()

    def fill(match):
        kind, stage = match.group(1), match.group(2)
        if stage not in tables:
            sys.exit("build_manual: manual.md names a stage '%s' that controls.txt lacks" % stage)
        if kind == "controls":
            return tables[stage]
        return "![The %s section of the editor](stage-%s.png)" % (stage, stage)

    text = re.sub(r"<!-- (controls|picture): (\w+) -->", fill, text)
    text = text.replace("<!-- presets -->", preset_plots(args.out, build_dir))
    left = re.findall(r"<!-- [^>]*-->", text)
    if left:
        sys.exit("build_manual: placeholders left unfilled: %s" % left)

    body = markdown.markdown(text, extensions=["tables", "toc", "fenced_code", "sane_lists"],
                             output_format="html")
    for src in re.findall(r'<img alt="[^"]*" src="([^"]+)"', body):
        if not os.path.isfile(os.path.join(args.out, src)):
            sys.exit("build_manual: the manual shows %s, which was not made" % src)
    with open(os.path.join(args.out, "index.html"), "w", encoding="utf-8") as f:
        f.write(PAGE.format(title=html.escape("TORVIK user manual"), body=body))


if __name__ == "__main__":
    main()
