#!/usr/bin/env bash
# TORVIK.clap through a third-party host's scanner: Debian's qtractor scans
# plug-ins in a helper process of its own and caches one line per plug-in
# (name, audio ins:outs, MIDI, parameters, flags). The line must name TORVIK
# with its stereo ports, its 40 parameters and the bypass, and the editor
# (GUI flag): qtractor offers no editor for a plug-in whose scan said none.
# Usage: qtractor-scan-check.sh TORVIK.clap
set -euo pipefail
clap="$(realpath "$1")"
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
if [ ! -x "$scanner" ]; then
    echo "qtractor's scanner is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
line="$(QT_QPA_PLATFORM=offscreen timeout 60 "$scanner" <<<"CLAP:$clap" 2>/dev/null | grep '^CLAP|' || true)"
echo "qtractor: $line"
IFS='|' read -r kind name audio midi params flags path index id <<<"$line"
fail=0
check() {
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1 is '$2', expected '$3'" >&2
        fail=1
    fi
}
check "format" "$kind" "CLAP"
check "name" "$name" "TORVIK"
check "audio ins:outs" "$audio" "2:2"
check "MIDI ins:outs" "$midi" "0:0"
check "parameters in:out" "$params" "41:0"
check "path" "$path" "$clap"
case ",$flags," in
*,GUI,*) ;;
*)
    echo "FAIL: flags '$flags' lack GUI" >&2
    fail=1
    ;;
esac
exit "$fail"
