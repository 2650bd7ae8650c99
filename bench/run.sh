#!/usr/bin/env bash
# Builds the benchmark programs (RelWithDebInfo, into build-bench/ or $BUILD_DIR)
# and prints one Markdown table of figures, with the machine it ran on.
#
#   bash bench/run.sh            # about 3 minutes after the build
#   BENCH_SECONDS=10 bash bench/run.sh   # shorter 921,600-baud runs
#   BENCH_KEEP=1 bash bench/run.sh       # keep the logs and files of the run
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
seconds="${BENCH_SECONDS:-30}"
baud=921600
startups=10

echo "Building into $build ..." >&2
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZKD_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zkd735-sim zkd735-record \
  zkd735-bench-pipeline zkd735-bench-window zkd735-bench-check >/dev/null
bin="$build/bin"

work="$(mktemp -d)"
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${BENCH_KEEP:-}" ]; then echo "Files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# value KEY FILE: the value of a key=value line.
value() { sed -n "s/^$1=//p" "$2" | tail -n 1; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# start_sim NAME ARGS...: the simulator on $work/NAME, logging what it sends to
# $work/NAME.sent and its status lines to $work/NAME.log.
start_sim() {
  local name="$1"; shift
  "$bin/zkd735-sim" --link "$work/$name" --log-sent "$work/$name.sent" "$@" >"$work/$name.log" 2>&1 &
  sims+=("$!")
  for _ in $(seq 100); do [ -L "$work/$name" ] && return 0; sleep 0.05; done
  echo "the simulator did not come up" >&2; exit 1
}
# The simulator takes back from its log what the reader left unread when it
# closed the line; its log is final once it says so.
stop_sims() {
  for log in "$@"; do
    for _ in $(seq 60); do grep -q "the other side closed the line" "$work/$log.log" && break; sleep 0.05; done
  done
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${sims[@]}"; do wait "$pid" 2>/dev/null || true; done
  sims=()
}

# A folder with the window driver in it and an scx.ini naming the port.
window_folder() {
  local folder="$work/$1" port="$2"
  mkdir -p "$folder"
  cp "$bin/zkd735-bench-window" "$folder/"
  printf '\r\n%s\r\nEnglish\r\n 10 \r\n 0 \r\n%s\r\n\r\n0\r\nReady\r\n' "$port" "$baud" >"$folder/scx.ini"
  echo "$folder"
}

export QT_QPA_PLATFORM=offscreen
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
TIMEFORMAT='%R %U %S'

# 1. Core pipeline.
echo "Core pipeline ..." >&2
"$bin/zkd735-bench-pipeline" >"$work/pipeline.out"

# The simulator paces a replayed file to the baud rate; its own record
# generator sends one record per 20 ms slice when paced, far below 921,600 baud.
stream_mb=$(calc "%.1f" "$seconds * $baud / 10 / 1000000 * 1.3 + 0.5")
"$bin/zkd735-bench-pipeline" --write "$work/stream.txt" --mb "$stream_mb"

# 2. The window at 921,600 baud.
echo "Window at $baud baud for $seconds s ..." >&2
start_sim ttyWindow --baud "$baud" --replay "$work/stream.txt"
folder=$(window_folder window "$work/ttyWindow")
(cd "$folder" && ./zkd735-bench-window --run-seconds "$seconds" >"$work/window.out" 2>"$work/window.err")
stop_sims ttyWindow
"$bin/zkd735-bench-check" --sent "$work/ttyWindow.sent" --recorded "$folder/Senso.bak" >"$work/window.check" || true

# 3. The headless recorder and cat side by side, each on its own simulator.
echo "Recorder and cat at $baud baud for $seconds s ..." >&2
start_sim ttyRecorder --baud "$baud" --replay "$work/stream.txt"
start_sim ttyCat --baud "$baud" --replay "$work/stream.txt"
mkdir -p "$work/recorder"
(
  cd "$work/recorder"
  { time "$bin/zkd735-record" --port "$work/ttyRecorder" --baud "$baud" --language English \
      --duration "$seconds" --quiet 2>"$work/recorder.err"; } 2>"$work/recorder.time" || true
) &
recorder=$!
(
  exec 3<>"$work/ttyCat"
  printf '\002' >&3
  { time timeout -s INT "$seconds" cat <&3 >"$work/cat.out"; } 2>"$work/cat.time" || true
  printf '\003' >&3
  exec 3>&-
) &
catter=$!
wait "$recorder" "$catter"
stop_sims ttyRecorder ttyCat
"$bin/zkd735-bench-check" --sent "$work/ttyRecorder.sent" --recorded "$work/recorder/Senso.scx" \
  >"$work/recorder.check" || true

# 4. Resident size of the window, unpaced.
echo "Window resident size up to 100 MB ..." >&2
start_sim ttyMemory --baud 0 --interval 0
folder=$(window_folder memory "$work/ttyMemory")
(cd "$folder" && ./zkd735-bench-window --rss-at-mb 1,100 >"$work/memory.out" 2>"$work/memory.err") || true
stop_sims

# 5. Start-up of the window, from process start to the first paint.
echo "Window start-up x$startups ..." >&2
folder=$(window_folder startup "$work/ttyNone")
for _ in $(seq "$startups"); do
  (cd "$folder" && ./zkd735-bench-window --startup-since-ns "$(date +%s%N)" 2>/dev/null) | sed -n 's/^window_startup_ms=//p'
done | sort -n >"$work/startup.out"

# Figures.
p_en=$(value pipeline_English_mb_per_s "$work/pipeline.out")
p_de=$(value pipeline_Deutsch_mb_per_s "$work/pipeline.out")
p_en_cpu=$(value pipeline_English_mb_per_cpu_s "$work/pipeline.out")
p_de_cpu=$(value pipeline_Deutsch_mb_per_cpu_s "$work/pipeline.out")

w_cpu=$(value window_cpu_s "$work/window.out")
w_wall=$(value window_wall_s "$work/window.out")
w_stall=$(value window_max_stall_ms "$work/window.out")
w_stall_cpu=$(value window_max_stall_cpu_ms "$work/window.out")
w_stall_at=$(value window_max_stall_at_s "$work/window.out")
w_busy=$(value window_most_cpu_between_ticks_ms "$work/window.out")
w_sent=$(value sent_bytes "$work/window.check")
w_lost=$(value lost "$work/window.check")
w_extra=$(value extra "$work/window.check")

read -r r_wall r_user r_sys <"$work/recorder.time"
r_cpu=$(calc "%.3f" "$r_user + $r_sys")
r_sent=$(value sent_bytes "$work/recorder.check")
r_lost=$(value lost "$work/recorder.check")
r_extra=$(value extra "$work/recorder.check")

read -r c_wall c_user c_sys <"$work/cat.time"
c_cpu=$(calc "%.3f" "$c_user + $c_sys")
c_bytes=$(stat -c %s "$work/cat.out")

per_mb() { calc "%.4f" "$1 / ($2 / 1000000)"; }
w_per_mb=$(per_mb "$w_cpu" "$w_sent")
r_per_mb=$(per_mb "$r_cpu" "$r_sent")
c_per_mb=$(per_mb "$c_cpu" "$c_bytes")
ratio() { awk "BEGIN { if ($2 > 0) printf \"%.0f\", $1 / $2; else print \"-\" }"; }
w_ratio=$(ratio "$w_per_mb" "$c_per_mb")
r_ratio=$(ratio "$r_per_mb" "$c_per_mb")
w_core=$(calc "%.1f" "100 * $w_cpu / $w_wall")
r_core=$(calc "%.1f" "100 * $r_cpu / $r_wall")
line_rate=$(calc "%.0f" "$baud / 10")
w_rate=$(calc "%.0f" "$w_sent / $w_wall")
r_rate=$(calc "%.0f" "$r_sent / $r_wall")

m_1=$(value window_rss_at_1mb_kib "$work/memory.out")
m_h=$(value window_rss_after_header_kib "$work/memory.out")
m_h_mb=$(value window_mb_at_header "$work/memory.out")
m_100=$(value window_rss_at_100mb_kib "$work/memory.out")
m_secs=$(value window_seconds_to_100mb "$work/memory.out")
if [ -n "$m_1" ] && [ -n "$m_100" ]; then
  m_met=$(awk "BEGIN { print ($m_100 - $m_1) * 1.024 / 1000 < 2 ? \"yes\" : \"no\" }")
  m_text="$(calc "%.1f" "$m_1 / 1024") → $(calc "%.1f" "$m_100 / 1024") MiB, growth $(calc "%.2f" "($m_100 - $m_1) * 1.024 / 1000") MB ($m_secs s to 100 MB)"
  m_steady="$(calc "%.1f" "$m_h / 1024") → $(calc "%.1f" "$m_100 / 1024") MiB, growth $(calc "%.2f" "($m_100 - $m_h) * 1.024 / 1000") MB"
  m_steady_met=$(awk "BEGIN { print ($m_100 - $m_h) * 1.024 / 1000 < 2 ? \"yes\" : \"no\" }")
else
  m_met="no"
  m_steady_met="no"
  m_text="100 MB not reached: gave up at $(value window_gave_up_at_mb "$work/memory.out") MB after $(value window_gave_up_after_s "$work/memory.out") s; simulator: $(tail -n 1 "$work/ttyMemory.log")"
  m_steady="-"
fi

s_median=$(awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else printf "%.1f", (a[NR / 2] + a[NR / 2 + 1]) / 2 }' "$work/startup.out")
s_range="$(head -n 1 "$work/startup.out")–$(tail -n 1 "$work/startup.out")"

met() { awk "BEGIN { print ($1) ? \"yes\" : \"no\" }"; }

echo
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -m | awk '/^Mem:/ { print $2 " MiB" }') RAM, $(uname -sr)"
echo "Load average before the run: $load_before; after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')   Stream: ${seconds} s at $baud baud (8N1: $line_rate bytes/s)"
echo
echo "| Figure | Result | Target | Met |"
echo "|---|---|---|---|"
echo "| Core pipeline, English (process + working file + line split) | $p_en_cpu MB per CPU second ($p_en MB/s wall) | ≥ 20 MB/s | $(met "$p_en_cpu >= 20") |"
echo "| Core pipeline, German (decimal comma) | $p_de_cpu MB per CPU second ($p_de MB/s wall) | ≥ 20 MB/s | $(met "$p_de_cpu >= 20") |"
echo "| Window at $baud baud: bytes lost | $w_lost lost, $w_extra extra of $w_sent ($w_rate bytes/s) | 0 | $(met "$w_lost == 0 && $w_extra == 0") |"
echo "| Window at $baud baud: longest event-loop stall (10 ms timer) | $w_stall ms, at $w_stall_at s, $w_stall_cpu ms of it the window's own CPU | ≤ 100 ms | $(met "$w_stall <= 100") |"
echo "| Window at $baud baud: most own CPU between two timer ticks | $w_busy ms | ≤ 100 ms | $(met "$w_busy <= 100") |"
echo "| Window at $baud baud: CPU | $w_per_mb s/MB, $w_core % of one core, ${w_ratio}× cat | — | — |"
echo "| Recorder at $baud baud: bytes lost | $r_lost lost, $r_extra extra of $r_sent ($r_rate bytes/s) | 0 | $(met "$r_lost == 0 && $r_extra == 0") |"
echo "| Recorder at $baud baud: CPU | $r_per_mb s/MB, $r_core % of one core, ${r_ratio}× cat | < 5 % of one core | $(met "$r_core < 5") |"
echo "| cat from the same kind of line (floor) | $c_per_mb s/MB ($c_bytes bytes) | — | — |"
echo "| Window resident size, 1 MB → 100 MB of stream, unpaced | $m_text | growth < 2 MB | $m_met |"
echo "| Window resident size, header read ($m_h_mb MB) → 100 MB: the graph window made, only the stream left | $m_steady | growth < 2 MB | $m_steady_met |"
echo "| Window start-up to first paint, median of $startups | $s_median ms (range $s_range ms) | — | — |"
