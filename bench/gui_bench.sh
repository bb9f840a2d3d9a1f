#!/usr/bin/env bash
# pocketdesk-gui, offscreen, whole processes:
#   - start-up to the first frame of the server list, against a Material window with one list
#     (the toolkit's own start-up) in the same run: median wall time of RUNS runs and the ratio;
#   - resident memory with a 100,000-entry folder open (and flicked to its end and back),
#     against the same process showing the drives before it opened the folder.
#
# Usage: bench/gui_bench.sh [BUILD_DIR] [RUNS]     (defaults: build, 7)
set -euo pipefail

build=${1:-build}
runs=${2:-7}
bench_bin=$(realpath "$build/bench/gui/gui_bench")
peer_bin=$(realpath "$build/peer/pocketdesk-peer")
entries=100000

work=$(mktemp -d)
peer_pid=""
cleanup() {
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null && wait "$peer_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export GUI_BENCH_HOME=$work/phone

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wall_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

"$bench_bin" startup >/dev/null 2>&1  # first run fills the font and shader caches
base=$(for _ in $(seq "$runs"); do wall_ms "$bench_bin" baseline; done | median)
ours=$(for _ in $(seq "$runs"); do wall_ms "$bench_bin" startup; done | median)
echo "start-up to the server list: ${ours} ms; Material window with a list: ${base} ms;" \
    "ratio $(awk "BEGIN {printf \"%.2f\", $ours / $base}")"

mkdir -p "$work/disk/D/Big" "$work/disk/C"
(cd "$work/disk/D/Big" && seq -f 'IMG_%06g.jpg' 0 $((entries - 1)) | xargs touch)
"$peer_bin" --root "$work/disk" --direct-accept --discovery-port 0 >"$work/ready" 2>/dev/null &
peer_pid=$!
for _ in $(seq 100); do grep -q '"ready"' "$work/ready" 2>/dev/null && break; sleep 0.05; done
control=$(grep -o '"control_port": *[0-9]*' "$work/ready" | grep -o '[0-9]*$')
http=$(grep -o '"http_port": *[0-9]*' "$work/ready" | grep -o '[0-9]*$')
"$bench_bin" listing "127.0.0.1:$control:$http" "$entries"
