# Sourced by the test scripts: when no X server is set, starts Xvfb on a free
# display for the rest of the script and exports DISPLAY.
if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and tells us its number.
    xvfb_number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$xvfb_number_file" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_number_file"' EXIT
    for _ in $(seq 100); do
        [ -s "$xvfb_number_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '[:space:]' <"$xvfb_number_file")"
fi
