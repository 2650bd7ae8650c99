#!/usr/bin/env bash
# CPU per MB of zkd735-record at 921,600 baud, once recording only and once
# also publishing every line to a Mosquitto broker on this machine; prints a
# Markdown table. The simulator delivers a slice every 12 ms, as a USB serial
# adapter does (when it knows --slice; else its own slice, and the table says so).
#
#   bash bench/mqtt.sh                    # about 1.5 minutes after the build
#   BENCH_SECONDS=10 bash bench/mqtt.sh   # shorter runs
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
seconds="${BENCH_SECONDS:-30}"
baud=921600
slice_ms=12

echo "Building into $build ..." >&2
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target zkd735-sim zkd735-record >/dev/null
bin="$build/bin"
broker="$(command -v mosquitto || echo /usr/sbin/mosquitto)"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

slice_args=()
slice_note="12 ms slices"
if "$bin/zkd735-sim" --help | grep -q -- '--slice'; then
  slice_args=(--slice "$slice_ms")
else
  slice_note="the simulator's own slices (it has no --slice)"
fi

# The instrument's text for the whole run and a little more: the header, then
# record lines as the instrument lays them out.
lines=$(( seconds * baud * 12 / (10 * 70 * 10) + 100 ))
awk -v n="$lines" 'BEGIN {
  printf "INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 =  0\r\nPri = 1\r\n"
  for (i = 0; i < n; i++) {
    a = 200 + 150 * sin(i / 500); b = 50 + 40 * cos(i / 700)
    printf "%9.2f %9.3f %9.3f %9.3f %9.2f %9.2f %9.2f\r\n", i * 0.01, a, a + 1, a - 1, b, b + 0.5, b - 0.5
  }
}' >"$work/stream.txt"

port=$(( 20000 + RANDOM % 20000 ))
printf 'listener %s 127.0.0.1\nallow_anonymous true\nuser %s\n' "$port" "$(id -un)" >"$work/mosquitto.conf"
"$broker" -c "$work/mosquitto.conf" >"$work/broker.log" 2>&1 &
pids+=("$!")
sleep 0.5
mosquitto_sub -p "$port" -t 'zkd735/bench/record' >"$work/received.txt" 2>/dev/null &
subscriber=$!
pids+=("$subscriber")

TIMEFORMAT='%U %S'
# record NAME ARGS...: one run; prints "cpu_seconds megabytes".
record() {
  local name="$1"; shift
  "$bin/zkd735-sim" --link "$work/tty$name" --baud "$baud" --replay "$work/stream.txt" "${slice_args[@]}" \
    --quiet >/dev/null 2>&1 &
  local sim=$!
  for _ in $(seq 100); do [ -L "$work/tty$name" ] && break; sleep 0.05; done
  mkdir -p "$work/$name"
  ( cd "$work/$name" && { time "$bin/zkd735-record" --port "$work/tty$name" --baud "$baud" --language English \
      --duration "$seconds" --quiet "$@" 2>"$work/$name.err"; } 2>"$work/$name.time" ) || true
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  awk -v size="$(stat -c %s "$work/$name/Senso.scx")" '{ printf "%.3f %.3f\n", $1 + $2, size / 1e6 }' "$work/$name.time"
}

echo "Recording only, $seconds s ..." >&2
read -r cpu_plain mb_plain < <(record plain)
echo "Recording and publishing, $seconds s ..." >&2
read -r cpu_mqtt mb_mqtt < <(record mqtt --mqtt "mqtt://127.0.0.1:$port" --device bench)
sleep 1
kill "$subscriber" 2>/dev/null || true
# One message a line of output; a message carries the records of a batch
# (one record alone from a recorder that sends one a message).
messages=$(wc -l <"$work/received.txt")
received=$(grep -o '"seq": ' "$work/received.txt" | wc -l || true)
recorded=$(grep -c $'\r$' "$work/mqtt/Senso.scx" || true)

per_mb() { awk -v c="$1" -v m="$2" 'BEGIN { printf "%.4f", c / m }'; }
plain=$(per_mb "$cpu_plain" "$mb_plain")
mqtt=$(per_mb "$cpu_mqtt" "$mb_mqtt")
ratio=$(awk -v a="$mqtt" -v b="$plain" 'BEGIN { printf "%.2f", a / b }')
met=$(awk -v r="$ratio" 'BEGIN { print (r <= 2 ? "yes" : "no") }')

echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1); $baud baud, $slice_note, $seconds s per run"
echo
echo "| Figure | Result | Target | Met |"
echo "|---|---|---|---|"
echo "| Recorder, recording only: CPU | $plain s/MB ($mb_plain MB) | | |"
echo "| Recorder, also publishing: CPU | $mqtt s/MB ($mb_mqtt MB) | | |"
echo "| Publishing / recording only | ${ratio}× | ≤ 2× | $met |"
echo "| Records received by a subscriber | $received of $recorded lines recorded, in $messages messages | all | $([ "$received" -ge "$recorded" ] && echo yes || echo no) |"
