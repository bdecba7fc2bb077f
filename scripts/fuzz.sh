#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with address and undefined-behaviour
# sanitizers) and runs each for a while from a small seed corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [corpus folder, default temporary]
# A corpus folder that is given is kept, so long runs can go on where they stopped.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

if [ -n "${2:-}" ]; then
    corpus="$2"
else
    corpus="$(mktemp -d)"
    trap 'rm -rf "$corpus"' EXIT
fi
mkdir -p "$corpus"/{state,png,vstpreset,param_text,instance,clap_instance,lv2_instance}
printf -- '-20 dB' >"$corpus/param_text/seed"
printf 'VST3' >"$corpus/vstpreset/seed"
head -c 512 /dev/zero >"$corpus/instance/seed"
head -c 512 /dev/zero >"$corpus/clap_instance/seed"
head -c 512 /dev/zero >"$corpus/lv2_instance/seed"
/usr/bin/python3 - "$corpus" <<'PY'
import io, struct, sys
from PIL import Image
corpus = sys.argv[1]
# A default state: 40 little-endian doubles and a bypass flag.
values = [-30, 10, 0, 0, 30, -10, 1, 1, 100, 60, 0, 400, 0, 3000, 0, 0, 0, 4, 1, 0, 1] + [0] * 19
values[28] = 1
open(f"{corpus}/state/default", "wb").write(
    b"".join(struct.pack("<d", v) for v in values) + struct.pack("<i", 0))
# Tiny images, one per colour type and depth the decoder expands: a few bytes each.
images = {
    "rgba": Image.new("RGBA", (2, 3), (10, 20, 30, 40)),
    "rgb": Image.new("RGB", (3, 2), (200, 100, 50)),
    "gray": Image.new("L", (4, 1), 128),
    "gray_alpha": Image.new("LA", (1, 4), (60, 200)),
    "palette": Image.new("P", (3, 3), 1),
    "gray16": Image.new("I;16", (2, 2), 40000),
    "bilevel": Image.new("1", (9, 2), 1),
}
for name, image in images.items():
    image.save(f"{corpus}/png/{name}.png")
PY

# Longest input per target: a short state stream, small images, a preset file,
# a typed value, and enough bytes for a long call sequence.
declare -A max_len=([state]=400 [png]=16384 [vstpreset]=4096 [param_text]=64 [instance]=4096
    [clap_instance]=4096 [lv2_instance]=4096)
for target in state png vstpreset param_text instance clap_instance lv2_instance; do
    log="$corpus/$target.log"
    status=0
    build/fuzz/fuzz/fuzz_$target -seed=1 -max_total_time="$seconds" -rss_limit_mb=4096 \
        -max_len="${max_len[$target]}" -artifact_prefix="$corpus/" -print_final_stats=1 \
        "$corpus/$target" >"$log" 2>&1 || status=$?
    echo "fuzz_$target: $(grep -m1 '^stat::number_of_executed_units' "$log" || true)"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz_$target failed"
        exit 1
    fi
done
echo "fuzzers: no crash"
