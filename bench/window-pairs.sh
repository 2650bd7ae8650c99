#!/usr/bin/env bash
# Measures the window of several builds side by side, for telling a small
# saving from the noise: each round starts every build's window at once, each
# on a simulator of its own replaying the same stream at 921,600 baud, and
# prints the window's CPU seconds per MB of each (perf task-clock over the
# steady part of the run, as bench/run.sh counts it).
#
#   bash bench/window-pairs.sh PERIOD_MS ROUNDS NAME=BIN_DIR NAME=BIN_DIR...
#
# Each BIN_DIR holds a zkd735-bench-window (a build with -DZKD_BENCH=ON); the
# simulator and the stream writer come from the first. The same BIN_DIR given
# twice shows how far one build differs from itself. BENCH_SECONDS sets the
# length of a run (default 10).
set -euo pipefail

if [ $# -lt 3 ]; then
  sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
period="$1" rounds="$2"
shift 2
seconds="${BENCH_SECONDS:-10}"
settle=2
measured=$((seconds - settle - 1))
baud=921600
first="${1#*=}"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  exec 5>"$work/xvfb.display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=("$!")
  exec 5>&-
  for _ in $(seq 100); do [ -s "$work/xvfb.display" ] && break; sleep 0.05; done
  DISPLAY=":$(head -n 1 "$work/xvfb.display")"
  export DISPLAY
fi
stream_mb=$(awk "BEGIN { printf \"%.1f\", $seconds * $baud / 10 / 1000000 * 1.3 + 0.5 }")
"$first/zkd735-bench-pipeline" --write "$work/stream.txt" --mb "$stream_mb"

for round in $(seq "$rounds"); do
  windows=() names=() sims=()
  for build in "$@"; do
    name="${build%%=*}" bin="${build#*=}"
    dir="$work/$name.$round"
    mkdir -p "$dir"
    "$first/zkd735-sim" --link "$dir/tty" --baud "$baud" --slice "$period" --replay "$work/stream.txt" \
      >"$dir/sim.log" 2>&1 &
    sims+=("$!") pids+=("$!")
    for _ in $(seq 100); do [ -L "$dir/tty" ] && break; sleep 0.05; done
    cp "$bin/zkd735-bench-window" "$dir/"
    printf '\r\n%s\r\nEnglish\r\n 10 \r\n 0 \r\n%s\r\n\r\n0\r\nReady\r\n' "$dir/tty" "$baud" >"$dir/scx.ini"
    (cd "$dir" && QT_QPA_PLATFORM=xcb exec ./zkd735-bench-window --run-seconds "$seconds" >out 2>err) &
    windows+=("$!") names+=("$name")
  done
  sleep "$settle"
  perfs=()
  for i in "${!windows[@]}"; do
    dir="$work/${names[$i]}.$round"
    stat -c %s "$dir/Senso.scx" >"$dir/bytes0" 2>/dev/null || echo 0 >"$dir/bytes0"
    perf stat -e task-clock -x, -o "$dir/perf" -p "${windows[$i]}" -- sleep "$measured" 2>/dev/null &
    perfs+=("$!")
  done
  wait "${perfs[@]}"
  for i in "${!windows[@]}"; do
    dir="$work/${names[$i]}.$round"
    stat -c %s "$dir/Senso.scx" >"$dir/bytes1" 2>/dev/null || echo 0 >"$dir/bytes1"
  done
  wait "${windows[@]}"
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  line="$period ms, round $round:"
  for name in "${names[@]}"; do
    dir="$work/$name.$round"
    ms=$(awk -F, '/task-clock/ { print $1 }' "$dir/perf")
    line+=" $name $(awk "BEGIN { b = $(cat "$dir/bytes1") - $(cat "$dir/bytes0");
      if (\"$ms\" != \"\" && b > 0) printf \"%.3f\", $ms / 1000 / (b / 1e6); else print \"-\" }")"
  done
  echo "$line"
done
