#!/usr/bin/env bash
# Instructions per stereo frame under callgrind, exact and repeatable where
# timings on a shared machine are not. For each case it prints the chain's
# count (TORVIK::ProcessBlock), TORVIK's whole share of a host call
# (IEffectVST3::process, module cases) and the host kit's own share around it.
#
# Usage: bench/profile-blocks.sh [build dir, default build/release] [case ...]
#   a case is where:settings:block[:bits], e.g. chain:engaged:512 module:defaults:32:64;
#   without cases it runs the table of the closing figures.
# Keep the callgrind files with PROFILE_KEEP=dir (for callgrind_annotate per stage).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
shift || true
tool="$build/bench/block_profile"
[ -x "$tool" ] || { echo "build the block_profile target in $build first" >&2; exit 2; }
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
    cases=()
    for where in chain module; do
        for settings in defaults engaged; do
            for block in 512 32 8 1; do
                cases+=("$where:$settings:$block")
            done
        done
    done
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Highway's timer runs rdtscp when the library loads; valgrind refuses it on
# machines whose processor does not announce it (virtual machines often hide
# it). The profiled run loads a copy with each rdtscp turned into rdtsc and a
# nop: the same length, and the timer is not what is measured.
hwy="$(ldd "$tool" | awk '/libhwy\.so/ { print $3; exit }')"
if [ -n "$hwy" ]; then
    mkdir -p "$work/lib"
    python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); open(sys.argv[2], "wb").write(d.replace(b"\x0f\x01\xf9", b"\x0f\x31\x90"))' \
        "$hwy" "$work/lib/$(basename "$hwy")"
    export LD_LIBRARY_PATH="$work/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi

# Inclusive instructions of the functions whose names match $2, from file $1.
inclusive() {
    callgrind_annotate --inclusive=yes --threshold=100 "$1" 2>/dev/null |
        awk -v pat="$2" '!found && $0 ~ pat { gsub(",", "", $1); print $1; found = 1 }'
}

printf '%-8s %-9s %6s %5s %12s %12s %12s\n' where settings block bits chain torvik hostkit
for c in "${cases[@]}"; do
    IFS=: read -r where settings block bits <<<"$c"
    bits="${bits:-32}"
    seconds=2
    [ "$block" -lt 8 ] && seconds=0.5
    out="$work/$where-$settings-$block-$bits.out"
    frames=$(valgrind --tool=callgrind --callgrind-out-file="$out" \
        "$tool" "$where" "$settings" "$block" "$bits" "$seconds" 2>/dev/null |
        awk '/^frames/ { print $2 }')
    chain=$(inclusive "$out" 'TORVIK::ProcessBlock\\(')
    torvik=-
    hostkit=-
    if [ "$where" = module ]; then
        torvik=$(inclusive "$out" 'IEffectVST3::process\\(')
        kit=$(inclusive "$out" 'hostkit::Instance::process\\(')
        hostkit=$(awk -v a="$kit" -v b="$torvik" -v f="$frames" 'BEGIN { printf "%.1f", (a - b) / f }')
        torvik=$(awk -v a="$torvik" -v f="$frames" 'BEGIN { printf "%.1f", a / f }')
    fi
    chain=$(awk -v a="$chain" -v f="$frames" 'BEGIN { printf "%.1f", a / f }')
    printf '%-8s %-9s %6s %5s %12s %12s %12s\n' "$where" "$settings" "$block" "$bits" \
        "$chain" "$torvik" "$hostkit"
    if [ -n "${PROFILE_KEEP:-}" ]; then
        mkdir -p "$PROFILE_KEEP"
        cp "$out" "$PROFILE_KEEP/"
    fi
done
