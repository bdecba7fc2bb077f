#!/usr/bin/env bash
# The bundle's X11 UI in a third-party host: Debian's jalv.gtk3, whose suil
# wrapper embeds it in a GTK window, on a JACK server with the dummy driver
# (no sound card) and an X server of its own. Checks that the editor sits in
# jalv's window, that a click toggles a switch there (the host's idle calls
# drive it), that the output meter moves while JACK's metronome plays into the
# plug-in (jalv hands the meter port to the editor), and that a control value
# jalv sets at start moves its knob.
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
pixels() { "$probe" "${editor[@]}" pixels "$@"; }
# The area's digest once it is drawn (more than one colour) and has stopped
# changing; the host's idle calls paint it when they come.
settled() {
    local last="" now
    for _ in $(seq 100); do
        now="$(pixels "$@" 2>/dev/null || true)"
        if [ -n "$now" ] && [ "${now#* }" -gt 1 ] && [ "$now" = "$last" ]; then
            echo "${now% *}"
            return 0
        fi
        last="$now"
        sleep 0.2
    done
    echo "x11probe: the area $* never settled" >&2
    return 1
}
# Starts jalv with the given options; the editor must appear in its window.
start_jalv() {
    jalv.gtk3 --no-menu "$@" urn:quellmark:torvik >"$work/jalv.log" 2>&1 &
    jalv_pid=$!
    pids+=("$jalv_pid")
}
stop_jalv() {
    kill "$jalv_pid"
    wait "$jalv_pid" 2>/dev/null || true
}

gate_bypass=(481 205 40 40) # the gate's bypass switch
low_gain=(654 485 60 60)    # the equaliser's low gain knob
main_meter=(983 95 40 120)  # the output meter

echo "jalv.gtk3 $(dpkg-query -W -f='${Version}' jalv) shows the editor:"
start_jalv
before="$(settled "${gate_bypass[@]}")"
grep '^UI:' "$work/jalv.log"
knob_default="$(settled "${low_gain[@]}")"
"$probe" "${editor[@]}" click 491 215
after="$before"
for _ in $(seq 100); do
    after="$(settled "${gate_bypass[@]}")"
    [ "$after" != "$before" ] && break
    sleep 0.1
done
echo "gate bypass switch: $before -> $after"
[ "$before" != "$after" ]

meter_silent="$(settled "${main_meter[@]}")"
jack_metro -b 600 -f 440 -D 50 >"$work/metro.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_connect metro:600_bpm TORVIK:in_left 2>/dev/null && break; sleep 0.1; done
jack_connect metro:600_bpm TORVIK:in_right
meter_playing="$meter_silent"
for _ in $(seq 100); do
    meter_playing="$(pixels "${main_meter[@]}")"
    meter_playing="${meter_playing% *}"
    [ "$meter_playing" != "$meter_silent" ] && break
    sleep 0.1
done
echo "output meter: $meter_silent -> $meter_playing"
[ "$meter_silent" != "$meter_playing" ]
stop_jalv

echo "a control jalv sets (low_gain=15) reaches the editor:"
start_jalv -c low_gain=15
knob_set="$(settled "${low_gain[@]}")"
echo "low gain knob: $knob_default -> $knob_set"
[ "$knob_default" != "$knob_set" ]
stop_jalv
echo "jalv: editor embedded, clicked, metering and moved by the host"
