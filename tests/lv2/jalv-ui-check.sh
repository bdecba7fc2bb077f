#!/usr/bin/env bash
# The bundle's X11 UI in a third-party host: Debian's jalv.gtk3, whose suil
# wrapper embeds it in a GTK window, on a JACK server with the dummy driver
# (no sound card) and an X server of its own. Checks that the editor sits in
# jalv's window, that a click toggles a switch there (the host's idle calls
# drive it), and that a control value jalv sets at start moves its knob.
# Usage: jalv-ui-check.sh BUNDLE_DIR
set -euo pipefail
bundle="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
probe="$here/x11probe.py"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/lv2"
ln -s "$bundle" "$work/lv2/TORVIK.lv2"
export LV2_PATH="$work/lv2"
# A display and a JACK server of this check's own: clicks land nowhere else.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export JACK_DEFAULT_SERVER="torvik-check-$$" JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done

editor=(TORVIK 1186 644) # jalv's window title and the editor's size
# Starts jalv with the given options and waits for the editor to be drawn.
start_jalv() {
    jalv.gtk3 --no-menu "$@" urn:quellmark:torvik >"$work/jalv.log" 2>&1 &
    jalv_pid=$!
    pids+=("$jalv_pid")
    for _ in $(seq 150); do
        "$probe" "${editor[@]}" pixels 0 0 8 8 >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1 # a few idle calls: every control drawn
}
stop_jalv() {
    kill "$jalv_pid"
    wait "$jalv_pid" 2>/dev/null || true
}
pixels() { "$probe" "${editor[@]}" pixels "$@"; }

gate_bypass=(481 205 40 40) # the gate's bypass switch
low_gain=(654 485 60 60)    # the equaliser's low gain knob

echo "jalv.gtk3 $(dpkg-query -W -f='${Version}' jalv) shows the editor:"
start_jalv
grep '^UI:' "$work/jalv.log"
before="$(pixels "${gate_bypass[@]}")"
knob_default="$(pixels "${low_gain[@]}")"
"$probe" "${editor[@]}" click 491 215
sleep 1
after="$(pixels "${gate_bypass[@]}")"
echo "gate bypass switch: $before -> $after"
[ "$before" != "$after" ]
stop_jalv

echo "a control jalv sets (low_gain=15) reaches the editor:"
start_jalv -c low_gain=15
knob_set="$(pixels "${low_gain[@]}")"
echo "low gain knob: $knob_default -> $knob_set"
[ "$knob_default" != "$knob_set" ]
stop_jalv
echo "jalv: editor embedded, clicked and moved by the host"
