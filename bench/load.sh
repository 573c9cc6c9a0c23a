#!/usr/bin/env bash
# Loads signview --headless with one-packet connections and compares it
# with the epoll floor server in the same run. Builds nothing: give it a
# build folder that holds signview, load_tool and epoll_floor, e.g.
#
#   cmake --build build --target signview load_tool epoll_floor
#   bench/load.sh build [SECONDS] [CONCURRENCY]
#
# Steps: 1,000 packets to signview (its memory then), SECONDS of sustained
# load on signview, packets up to 100,000 in all (its memory then), and
# SECONDS of the same load on the floor. Checks that nothing was lost: every
# packet load_tool saw served has its dump line in signview's standard
# output, and signview counted exactly the connections made. Prints the
# figures and each target met or missed; the exit code is 1 when one was
# missed.
set -euo pipefail

build=${1:?usage: bench/load.sh BUILD_DIR [SECONDS] [CONCURRENCY]}
seconds=${2:-10}
concurrency=${3:-64}
bin=$(cd "$build/bin" && pwd)
for tool in signview load_tool epoll_floor; do
  [[ -x $bin/$tool ]] || { echo "load.sh: $bin/$tool is missing; build it first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/signview-load-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# signview, headless, on a fresh settings file; its HTTP view tells the
# packet count.
port=$(free_port)
"$bin/signview" --headless --port "$port" --settings "$work/signview.INI" --http 0 \
  >"$work/signview.out" 2>"$work/signview.err" &
signview=$!
pids+=("$signview")
for _ in $(seq 300); do
  grep -q 'the sign on http' "$work/signview.err" 2>/dev/null && break
  sleep 0.1
done
http=$(sed -n 's|.*the sign on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/signview.err")
[[ -n $http ]] || { echo "load.sh: signview did not start:" >&2; cat "$work/signview.err" >&2; exit 1; }

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$signview/status"; }
# signview's own CPU time so far (utime + stime), in clock ticks.
cpu_ticks() { sed 's/.*) //' "/proc/$signview/stat" | awk '{print $12 + $13}'; }
packets_counted() {
  python3 -c 'import json, sys, urllib.request
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
print(json.load(opener.open("http://127.0.0.1:%s/state.json" % sys.argv[1]))["packets"])' "$http"
}
# load TAG COUNT SECONDS PORT: prints load_tool's line, sets sent and rate.
load() {
  local line
  line=$("$bin/load_tool" --port "$4" --tag "$1" --count "$2" --seconds "$3" \
    --concurrency "$concurrency" --drain 10) || true
  echo "  $1: $line"
  sent=$(sed -n 's/.*sent=\([0-9]*\).*/\1/p' <<<"$line")
  failed=$(sed -n 's/.*failed=\([0-9]*\).*/\1/p' <<<"$line")
  rate=$(sed -n 's/.*rate=\([0-9]*\).*/\1/p' <<<"$line")
  total_failed=$((total_failed + failed))
}
# The dump lines of packets with tag in signview's output ("A" is 41H).
dumps_of() {
  local hex
  hex=$(printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr a-f A-F | sed 's/\(..\)/\1H,/g')
  grep -c "^02H,FFH,$hex" "$work/signview.out" || true
}
# Waits until signview's output holds want dump lines of tag.
wait_for_dumps() {
  for _ in $(seq 100); do
    [[ $(dumps_of "$1") -ge $2 ]] && return
    sleep 0.1
  done
}

total_failed=0
echo "signview (port $port), $concurrency clients at once:"
load W 1000 60 "$port"
warm=$sent
wait_for_dumps W "$warm"
rss_1k=$(rss_kb)

cpu_before=$(cpu_ticks)
load S 100000000 "$seconds" "$port"
cpu_used=$(($(cpu_ticks) - cpu_before))
sustained=$sent
signview_rate=$rate
wait_for_dumps S "$sustained"

rest=$((100000 - warm - sustained))
topped=0
if ((rest > 0)); then
  load T "$rest" 120 "$port"
  topped=$sent
  wait_for_dumps T "$topped"
fi
total=$((warm + sustained + topped))
sleep 1  # the last log batch and tick
rss_100k=$(rss_kb)
counted=$(packets_counted)
logged=$(($(dumps_of W) + $(dumps_of S) + $(dumps_of T)))

floor_port=$(free_port)
"$bin/epoll_floor" --port "$floor_port" --seconds $((seconds + 60)) >"$work/floor.out" &
floor=$!
pids+=("$floor")
for _ in $(seq 50); do grep -q listening "$work/floor.out" && break; sleep 0.1; done
echo "epoll floor (port $floor_port):"
load F 100000000 "$seconds" "$floor_port"
floor_rate=$rate
kill "$floor"
wait "$floor" 2>/dev/null || true

kill "$signview"
wait "$signview" 2>/dev/null || true

ratio=$(awk -v a="$signview_rate" -v b="$floor_rate" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
growth_kb=$((rss_100k - rss_1k))
missed=0
# judge CONDITION: sets v to "met" or "MISSED" (and notes a miss).
judge() {
  if (($1)); then v=met; else v=MISSED; missed=1; fi
}
echo
echo "| Figure | Value | Target | |"
echo "|---|---|---|---|"
judge "signview_rate >= 5000"
echo "| signview, sustained ${seconds} s | $signview_rate packets/s | ≥ 5,000 | $v |"
echo "| signview's own CPU during it | $((100 * cpu_used / $(getconf CLK_TCK) / seconds)) % of one core | | |"
echo "| epoll floor, sustained ${seconds} s | $floor_rate packets/s | | |"
judge "signview_rate * 2 >= floor_rate"
echo "| signview ÷ floor | $ratio | ≥ 0.5 | $v |"
judge "logged == total && counted == total && total_failed == 0"
echo "| packets sent / logged / counted / failed | $total / $logged / $counted / $total_failed | all sent logged and counted, none failed | $v |"
echo "| RSS after 1,000 packets | $((rss_1k / 1024)) MB | | |"
echo "| RSS after $total packets | $((rss_100k / 1024)) MB | | |"
judge "growth_kb <= 20480"
echo "| RSS growth | $((growth_kb / 1024)) MB ($growth_kb kB) | ≤ 20 MB | $v |"
exit $missed
