#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with address and undefined-behaviour
# sanitizers) and runs each for a while from its seed corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
mkdir -p "$corpus"/{state,png,vstpreset,param_text}
cp resources/img/BYPASSMAIN.png resources/img/HIPRE.png "$corpus/png/"
printf -- '-20 dB' >"$corpus/param_text/seed"
# A default state: 40 little-endian doubles and a bypass flag.
/usr/bin/python3 - "$corpus/state/default" <<'PY'
import struct, sys
values = [-30, 10, 0, 0, 30, -10, 1, 1, 100, 60, 0, 400, 0, 3000, 0, 0, 0, 4, 1, 0, 1] + [0] * 19
values[28] = 1
open(sys.argv[1], "wb").write(b"".join(struct.pack("<d", v) for v in values) + struct.pack("<i", 0))
PY
printf 'VST3' >"$corpus/vstpreset/seed"

for target in state png vstpreset param_text; do
    log="$corpus/$target.log"
    status=0
    build/fuzz/fuzz/fuzz_$target -seed=1 -max_total_time="$seconds" -rss_limit_mb=4096 \
        -artifact_prefix="$corpus/" -print_final_stats=1 "$corpus/$target" >"$log" 2>&1 || status=$?
    echo "fuzz_$target: $(grep -m1 '^stat::number_of_executed_units' "$log" || true)"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz_$target failed"
        exit 1
    fi
done
echo "fuzzers: no crash"
