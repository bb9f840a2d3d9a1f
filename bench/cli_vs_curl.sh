#!/usr/bin/env bash
# Whole-process timings of the terminal front-end against one curl request to the same peer,
# all on 127.0.0.1:
#   - `pocketdesk ls` of a one-entry folder and `pocketdesk get` of a 2-byte file, each against
#     one `curl` request to the peer's HTTP port (median wall time of RUNS runs, and the ratio);
#   - `pocketdesk ls` of a 100,000-entry folder: client CPU (user+sys) and peak RSS;
#   - a download the computer stalls: how often each thread of the process wakes per second.
#
# Usage: bench/cli_vs_curl.sh [BUILD_DIR] [RUNS]     (defaults: build, 11)
# Uses hyperfine for the timings when it is installed, else a loop over `date +%s%N`.
set -euo pipefail

build=${1:-build}
runs=${2:-11}
pd_bin=$(realpath "$build/cli/pocketdesk")
peer_bin=$(realpath "$build/peer/pocketdesk-peer")
big_entries=100000
stall_seconds=5

work=$(mktemp -d)
peer_pids=()
cleanup() {
    for pid in "${peer_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# ---- The computer's disk ----
root=$work/disk
mkdir -p "$root/C/One" "$root/D/Big" "$root/E"
printf 'hi' >"$root/C/One/tiny.txt"
head -c 65536 /dev/zero >"$root/E/stall.bin"
(cd "$root/D/Big" && seq -f 'IMG_%06g.jpg' 0 $((big_entries - 1)) | xargs touch)

# Starts a peer on 127.0.0.1 (no discovery responder) and sets $pc to HOST:PORT:HTTPPORT.
start_peer() {
    local ready=$work/ready.$#.$RANDOM
    "$peer_bin" --root "$root" --address 127.0.0.1 --direct-accept --discovery-port 0 "$@" \
        >"$ready" 2>>"$work/peer.log" &
    peer_pids+=($!)
    for _ in $(seq 100); do
        grep -q '"ready"' "$ready" 2>/dev/null && break
        sleep 0.05
    done
    local control http
    control=$(grep -o '"control_port": *[0-9]*' "$ready" | grep -o '[0-9]*$')
    http=$(grep -o '"http_port": *[0-9]*' "$ready" | grep -o '[0-9]*$')
    pc=127.0.0.1:$control:$http
    http_port=$http
}

start_peer
home=$work/home
pd() { "$pd_bin" --home "$1" --pc "$pc" --yes "${@:2}"; }
# Pair once (untimed); every `get` run starts from a copy of this paired home.
pd "$home" ls C:/One >/dev/null
cp -a "$home" "$work/home-paired"

# ---- Timing: median wall time in milliseconds of RUNS runs of a command ----
# SETUP (a shell snippet) runs untimed before each run.
median_ms() {
    local setup=$1
    shift
    if command -v hyperfine >/dev/null; then
        hyperfine -N --warmup 1 --runs "$runs" --prepare "${setup:-true}" \
            --export-json "$work/h.json" -- "$(printf '%q ' "$@")" >/dev/null
        grep -o '"median": *[0-9.e+-]*' "$work/h.json" | head -1 | grep -o '[0-9.e+-]*$' |
            awk '{ printf "%.1f\n", $1 * 1000 }'
        return
    fi
    local times=() i t0 t1
    bash -c "${setup:-true}"
    "$@" >/dev/null 2>&1 # warm-up
    for ((i = 0; i < runs; i++)); do
        bash -c "${setup:-true}"
        t0=$(date +%s%N)
        "$@" >/dev/null 2>&1
        t1=$(date +%s%N)
        times+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f\n", a[int((NR + 1) / 2)] / 1000 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", a / b }'; }

url=http://127.0.0.1:$http_port/
curl_status=$(curl -s -o /dev/null -w '%{http_code}' "$url")
curl_ms=$(median_ms "" curl -s -o /dev/null "$url")
ls_ms=$(median_ms "" "$pd_bin" --home "$home" --pc "$pc" ls C:/One)
get_home=$work/home-get
get_setup="rm -rf '$get_home' && cp -a '$work/home-paired' '$get_home'"
get_ms=$(median_ms "$get_setup" "$pd_bin" --home "$get_home" --pc "$pc" --yes get C:/One/tiny.txt)
if ! find "$get_home" -name tiny.txt -size 2c | grep -q .; then
    echo "warning: the timed get did not leave the 2-byte file" >&2
fi

echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "timer: $(command -v hyperfine >/dev/null && echo hyperfine || echo 'date +%s%N loop'), median of $runs runs"
echo "curl GET $url (answers $curl_status; no signed link): $curl_ms ms"
echo "pocketdesk ls C:/One (one entry):       $ls_ms ms  ($(ratio "$ls_ms" "$curl_ms") curl)"
echo "pocketdesk get C:/One/tiny.txt (2 B):   $get_ms ms  ($(ratio "$get_ms" "$curl_ms") curl)"

# ---- A 100,000-entry listing: client CPU and peak RSS ----
big() {
    /usr/bin/time -f '%U %S %M' -o "$work/time.$1" "$pd_bin" --home "$home" --pc "$pc" "${@:2}" \
        ls D:/Big >"$work/out.$1"
}
cpu=()
rss=()
for ((i = 0; i < 5; i++)); do
    big text
    read -r user sys maxrss <"$work/time.text"
    cpu+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')")
    rss+=("$maxrss")
done
rows=$(wc -l <"$work/out.text")
cpu_med=$(printf '%s\n' "${cpu[@]}" | sort -n | sed -n 3p)
rss_med=$(printf '%s\n' "${rss[@]}" | sort -n | sed -n 3p)
big json --json
read -r juser jsys jrss <"$work/time.json"
# A process that only starts and prints its usage, as the floor of RSS.
/usr/bin/time -f '%M' -o "$work/time.floor" "$pd_bin" --help >/dev/null
floor=$(cat "$work/time.floor")
echo "pocketdesk ls D:/Big ($big_entries entries, $rows lines out), median of 5:"
awk -v c="$cpu_med" -v r="$rss_med" -v f="$floor" -v n="$big_entries" 'BEGIN {
    printf "  text: CPU %.2f s = %.2f us/entry; max RSS %d KiB (floor %d KiB) = %.0f B/entry above the floor\n",
        c, c * 1e6 / n, r, f, (r - f) * 1024 / n }'
awk -v u="$juser" -v s="$jsys" -v r="$jrss" -v f="$floor" -v n="$big_entries" 'BEGIN {
    printf "  --json (one run): CPU %.2f s = %.2f us/entry; max RSS %d KiB = %.0f B/entry above the floor\n",
        u + s, (u + s) * 1e6 / n, r, (r - f) * 1024 / n }'

# ---- A download the computer stalls: wake-ups per second of each thread ----
# A second peer paces every body to 1 byte/s in chunks of at least 1 KiB: after the first
# chunk nothing comes for minutes.
start_peer --http-rate 1
stall_home=$work/home-stall
cp -a "$work/home-paired" "$stall_home"
"$pd_bin" --home "$stall_home" --pc "$pc" --yes get E:/stall.bin >/dev/null 2>&1 &
get_pid=$!
sleep 2 # connected, the first chunk arrived
switches() {
    for t in /proc/"$get_pid"/task/*; do
        printf '%s %s %s\n' "${t##*/}" "$(tr ' ' '_' <"$t/comm")" \
            "$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")"
    done | sort
}
switches >"$work/sw.before"
sleep "$stall_seconds"
switches >"$work/sw.after"
kill -INT "$get_pid" 2>/dev/null || true
wait "$get_pid" 2>/dev/null || true
echo "stalled download, wake-ups per second over ${stall_seconds} s (voluntary context switches):"
join "$work/sw.before" "$work/sw.after" | awk -v s="$stall_seconds" '{
    rate = ($5 - $3) / s; total += rate
    printf "  thread %-8s %-16s %6.1f/s\n", $1, $2, rate } END { printf "  whole process           %6.1f/s\n", total }'
