#!/bin/sh
# What a restart of the computer's program costs a download: `pocketdesk get` of a 64 MiB file
# from pocketdesk-peer on 127.0.0.1, once undisturbed (the baseline) and once with the peer
# stopped when a quarter has arrived and started again 1 s later on the same ports. Prints the
# median wall time of each over RUNS runs, their ratio, and whether every copy was whole.
#
#   bench/reconnect_bench.sh [BUILD_DIR] [RUNS]
set -eu
BUILD="${1:-build}"
RUNS="${2:-3}"
CLI="$BUILD/cli/pocketdesk"
PEER="$BUILD/peer/pocketdesk-peer"
WORK="$(mktemp -d /tmp/pocketdesk-reconnect-XXXXXX)"
trap 'pkill -f "$WORK/disk" 2>/dev/null || true; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/disk/D"
head -c 67108864 /dev/urandom > "$WORK/disk/D/big.bin"
PORT=47611
HTTP=47612
peer() {
    "$PEER" --root "$WORK/disk" --code 135791 --port $PORT --http-port $HTTP \
        --discovery-port 0 --http-rate 33554432 > /dev/null 2>&1 &
    sleep 0.5
}
now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one() {  # $1: restart or plain; prints seconds
    rm -rf "$WORK/phone"
    peer
    start=$(now)
    "$CLI" get D:/big.bin --home "$WORK/phone" --pc 127.0.0.1:$PORT:$HTTP --code 135791 \
        > "$WORK/out" 2> "$WORK/err" &
    get=$!
    if [ "$1" = restart ]; then
        while :; do
            got=$(du -sb "$WORK/phone" 2>/dev/null | cut -f1 || true)
            [ "${got:-0}" -lt 16777216 ] || break
            sleep 0.02
        done
        pkill -f "$WORK/disk"
        sleep 1
        peer
    fi
    wait $get || echo "get failed: $(cat "$WORK/err")" >&2
    end=$(now)
    cmp -s "$WORK/disk/D/big.bin" "$(head -1 "$WORK/out")" || echo "NOT WHOLE" >&2
    pkill -f "$WORK/disk" || true
    sleep 0.3
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }'
}

for kind in plain restart; do
    for _ in $(seq "$RUNS"); do one $kind; done | median > "$WORK/$kind"
done
plain=$(cat "$WORK/plain")
restart=$(cat "$WORK/restart")
echo "get 64 MiB, undisturbed: ${plain} s (median of $RUNS)"
echo "get 64 MiB, peer restarted mid-way: ${restart} s (median of $RUNS)"
awk -v a="$plain" -v b="$restart" 'BEGIN { printf "ratio: %.2fx\n", b / a }'
