#!/usr/bin/env bash
# Builds the benchmark programs of this tree and of a base commit (RelWithDebInfo,
# into build-bench/ or $BUILD_DIR) and prints one Markdown table of figures,
# before and after side by side, with the machine it ran on.
#
#   bash bench/run.sh                      # about 3 minutes after the builds
#   BENCH_SECONDS=20 bash bench/run.sh     # longer runs per arrival period (default 10)
#   BENCH_PERIODS="12 100" bash bench/run.sh  # arrival periods in ms (default 1 12 20 100)
#   BENCH_BASE=<commit> bash bench/run.sh  # the "before" build (default a068f58); none: skip it
#   BENCH_KEEP=1 bash bench/run.sh         # keep the logs and files of the run
#   BENCH_JOBS=2                           # parallel compile jobs (default 2)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
seconds="${BENCH_SECONDS:-10}"
periods="${BENCH_PERIODS:-1 12 20 100}"
base="${BENCH_BASE:-a068f58}"
jobs="${BENCH_JOBS:-2}"
baud=921600
startups=10

# build_tree SOURCE BUILD: configures and builds the benchmark targets.
build_tree() {
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZKD_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$2" -j"$jobs" --target zkd735-sim zkd735-record \
    zkd735-bench-pipeline zkd735-bench-window zkd735-bench-check >/dev/null
}

echo "Building into $build ..." >&2
build_tree "$here" "$build"
bin="$build/bin"

# The base commit is unpacked once into the build folder and built beside this tree.
old=""
if [ "$base" != "none" ]; then
  sha=$(git -C "$here" rev-parse --verify "$base^{commit}")
  basedir="$build/base-${sha:0:12}"
  if [ ! -f "$basedir/src/CMakeLists.txt" ]; then
    rm -rf "$basedir/src"
    mkdir -p "$basedir/src"
    git -C "$here" archive "$sha" | tar -x -C "$basedir/src"
  fi
  echo "Building the base ${sha:0:12} into $basedir/build ..." >&2
  build_tree "$basedir/src" "$basedir/build"
  old="$basedir/build/bin"
fi

work="$(mktemp -d)"
sims=()
xvfb=""
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  if [ -n "${BENCH_KEEP:-}" ]; then echo "Files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# value KEY FILE: the value of a key=value line.
value() { sed -n "s/^$1=//p" "$2" 2>/dev/null | tail -n 1 || true; }
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

# window_folder NAME PORT BIN: a folder with that build's window driver in it
# and an scx.ini naming the port.
window_folder() {
  local folder="$work/$1" port="$2"
  mkdir -p "$folder"
  cp "$3/zkd735-bench-window" "$folder/"
  printf '\r\n%s\r\nEnglish\r\n 10 \r\n 0 \r\n%s\r\n\r\n0\r\nReady\r\n' "$port" "$baud" >"$folder/scx.ini"
  echo "$folder"
}

# The window is measured as a user runs it, on an X server; Xvfb when there is none.
if [ -z "${DISPLAY:-}" ] || [ -n "${BENCH_XVFB:-}" ]; then
  exec 5>"$work/xvfb.display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  exec 5>&-
  for _ in $(seq 100); do [ -s "$work/xvfb.display" ] && break; sleep 0.05; done
  DISPLAY=":$(head -n 1 "$work/xvfb.display")"
  export DISPLAY
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
TIMEFORMAT='%R %U %S'
line_rate=$(calc "%.0f" "$baud / 10")
# CPU is counted by perf over the steady part of each run: from $settle s after
# the start (start-up and the 1.5 s header read done) for $measured s.
settle=2
measured=$(calc "%.1f" "$seconds - $settle - 1")
if ! perf stat -e task-clock -x, -o /dev/null -- true 2>/dev/null; then
  echo "perf cannot count task-clock here (see /proc/sys/kernel/perf_event_paranoid)" >&2; exit 1
fi
per_mb() { awk "BEGIN { if ($2 > 0) printf \"%.3f\", $1 / ($2 / 1000000); else print \"-\" }"; }

# 1. Core pipeline, both builds.
echo "Core pipeline ..." >&2
"$bin/zkd735-bench-pipeline" >"$work/pipeline.new"
[ -n "$old" ] && "$old/zkd735-bench-pipeline" >"$work/pipeline.old"

# The simulator paces a replayed file to the baud rate; its own record
# generator sends one record per slice when paced, far below 921,600 baud.
stream_mb=$(calc "%.1f" "$seconds * $baud / 10 / 1000000 * 1.3 + 0.5")
"$bin/zkd735-bench-pipeline" --write "$work/stream.txt" --mb "$stream_mb"

# 2. Per arrival period: the window and the recorder of both builds and cat,
# side by side, each on a simulator of its own that writes every P ms.
builds=(new)
[ -n "$old" ] && builds=(old new)
binof() { if [ "$1" = old ]; then echo "$old"; else echo "$bin"; fi; }

for period in $periods; do
  echo "Arrival every $period ms at $baud baud for $seconds s ..." >&2
  names=()
  for b in "${builds[@]}"; do
    start_sim "w$b$period" --baud "$baud" --slice "$period" --replay "$work/stream.txt"
    start_sim "r$b$period" --baud "$baud" --slice "$period" --replay "$work/stream.txt"
    names+=("w$b$period" "r$b$period")
  done
  start_sim "cat$period" --baud "$baud" --slice "$period" --replay "$work/stream.txt"
  names+=("cat$period")
  readers=()
  pids=()
  outs=()
  for b in "${builds[@]}"; do
    folder=$(window_folder "w$b$period.dir" "$work/w$b$period" "$(binof "$b")")
    (cd "$folder" && QT_QPA_PLATFORM=xcb exec ./zkd735-bench-window --run-seconds "$seconds" \
      >"$work/w$b$period.out" 2>"$work/w$b$period.err") &
    readers+=("$!") pids+=("$!") outs+=("$folder/Senso.scx")
    mkdir -p "$work/r$b$period.dir"
    (cd "$work/r$b$period.dir" && exec "$(binof "$b")/zkd735-record" --port "$work/r$b$period" --baud "$baud" \
      --language English --duration "$seconds" --quiet 2>"$work/r$b$period.err") &
    readers+=("$!") pids+=("$!") outs+=("$work/r$b$period.dir/Senso.scx")
  done
  exec {catfd}<>"$work/cat$period"
  printf '\002' >&"$catfd"
  cat <&"$catfd" >"$work/cat$period.out" &
  catpid=$!
  pids+=("$catpid") outs+=("$work/cat$period.out")
  # CPU and bytes over the steady part of the run: after start-up and the
  # header read, until shortly before the end.
  sleep "$settle"
  tags=()
  for b in "${builds[@]}"; do tags+=("w$b$period" "r$b$period"); done
  tags+=("cat$period")
  perfs=()
  for i in "${!pids[@]}"; do
    stat -c %s "${outs[$i]}" >"$work/${tags[$i]}.bytes0" 2>/dev/null || echo 0 >"$work/${tags[$i]}.bytes0"
    perf stat -e task-clock -x, -o "$work/${tags[$i]}.perf" -p "${pids[$i]}" -- sleep "$measured" 2>/dev/null &
    perfs+=("$!")
  done
  wait "${perfs[@]}"
  for i in "${!pids[@]}"; do
    stat -c %s "${outs[$i]}" >"$work/${tags[$i]}.bytes1" 2>/dev/null || echo 0 >"$work/${tags[$i]}.bytes1"
    awk '/^VmHWM:/ { print $2 }' "/proc/${pids[$i]}/status" >"$work/${tags[$i]}.hwm" 2>/dev/null || true
  done
  wait "${readers[@]}"
  # A background job of a script ignores SIGINT; TERM ends cat the same way.
  kill -TERM "$catpid" 2>/dev/null || true
  wait "$catpid" 2>/dev/null || true
  printf '\003' >&"$catfd"
  exec {catfd}>&-
  stop_sims "${names[@]}"
  for b in "${builds[@]}"; do
    # Saved as run.csv; a base build from before that kept the run as Senso.bak.
    saved="$work/w$b$period.dir/run.csv"
    [ -f "$saved" ] || saved="$work/w$b$period.dir/Senso.bak"
    "$bin/zkd735-bench-check" --sent "$work/w$b$period.sent" --recorded "$saved" \
      >"$work/w$b$period.check" || true
    "$bin/zkd735-bench-check" --sent "$work/r$b$period.sent" --recorded "$work/r$b$period.dir/Senso.scx" \
      >"$work/r$b$period.check" || true
  done
done

# 3. Resident size of the window, unpaced, this build.
echo "Window resident size up to 100 MB ..." >&2
start_sim ttyMemory --baud 0 --interval 0
folder=$(window_folder memory "$work/ttyMemory" "$bin")
(cd "$folder" && QT_QPA_PLATFORM=offscreen ./zkd735-bench-window --rss-at-mb 1,100 \
  >"$work/memory.out" 2>"$work/memory.err") || true
stop_sims

# 4. Start-up of the window, from process start to the first paint, both builds.
for b in "${builds[@]}"; do
  echo "Window start-up x$startups ($b) ..." >&2
  folder=$(window_folder "startup$b" "$work/ttyNone" "$(binof "$b")")
  for _ in $(seq "$startups"); do
    (cd "$folder" && QT_QPA_PLATFORM=offscreen ./zkd735-bench-window --startup-since-ns "$(date +%s%N)" 2>/dev/null) |
      sed -n 's/^window_startup_ms=//p'
  done | sort -n >"$work/startup.$b"
done

# Figures. pair BEFORE AFTER: "before → after", or only after without a base.
pair() { if [ -n "$old" ]; then echo "$1 → $2"; else echo "$2"; fi; }
median() {
  awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else printf "%.1f", (a[NR / 2] + a[NR / 2 + 1]) / 2 }' "$1"
}

echo
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -m | awk '/^Mem:/ { print $2 " MiB" }') RAM, $(uname -sr)"
echo "Load average before the run: $load_before; after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')   Stream: ${seconds} s per arrival period at $baud baud (8N1: $line_rate bytes/s)"
[ -n "$old" ] && echo "Before: $base ($(git -C "$here" log -1 --format=%h "$base")); after: this tree ($(git -C "$here" describe --always --dirty))"
echo
echo "| Arrival every | Reader | Bytes lost | CPU s/MB | × cat | Longest stall | RSS |"
echo "|---|---|---|---|---|---|---|"
# cpu_mb TAG: CPU seconds per MB of the steady part; rss TAG: peak resident size.
cpu_mb() {
  local ms b0 b1
  ms=$(awk -F, '/task-clock/ { print $1 }' "$work/$1.perf" 2>/dev/null)
  b0=$(cat "$work/$1.bytes0") b1=$(cat "$work/$1.bytes1")
  awk "BEGIN { if (\"$ms\" != \"\" && $b1 > $b0) printf \"%.3f\", $ms / 1000 / (($b1 - $b0) / 1000000); else print \"-\" }"
}
rss() { local k; k=$(cat "$work/$1.hwm" 2>/dev/null); [ -n "$k" ] && calc "%.1f MiB" "$k / 1024" || echo "-"; }
times_cat() { awk "BEGIN { if (\"$1\" != \"-\" && \"$2\" != \"-\" && $2 > 0) printf \"%.1f\", $1 / $2; else print \"-\" }"; }
for period in $periods; do
  c_mb=$(cpu_mb "cat$period")
  echo "| $period ms | \`cat\` (floor) | — | $c_mb | 1 | — | $(rss "cat$period") |"
  declare -A lost mb ratio stall mem
  for b in "${builds[@]}"; do
    for reader in w r; do
      t="$reader$b$period"
      lost[$reader$b]="$(value lost "$work/$t.check")+$(value extra "$work/$t.check")"
      mb[$reader$b]=$(cpu_mb "$t")
      ratio[$reader$b]=$(times_cat "${mb[$reader$b]}" "$c_mb")
      mem[$reader$b]=$(rss "$t")
    done
    stall[w$b]="$(value window_max_stall_ms "$work/w$b$period.out") ms"
    stall_cpu=$(value window_max_stall_cpu_ms "$work/w$b$period.out")
    [ -n "$stall_cpu" ] && stall[w$b]+=" ($stall_cpu ms CPU)"
    stall[r$b]="—"
  done
  for reader in w r; do
    name="the window (Xvfb)"
    [ "$reader" = r ] && name="\`zkd735-record\`"
    o="${reader}old" n="${reader}new"
    echo "| $period ms | $name | $(pair "${lost[$o]:-}" "${lost[$n]}") | $(pair "${mb[$o]:-}" "${mb[$n]}") | $(pair "${ratio[$o]:-}" "${ratio[$n]}") | $(pair "${stall[$o]:-}" "${stall[$n]}") | $(pair "${mem[$o]:-}" "${mem[$n]}") |"
  done
  unset lost mb ratio stall mem
done
echo
echo "Bytes lost as lost+extra against what the simulator sent. CPU: perf task-clock over the steady part of the run (from ${settle} s after the start for ${measured} s) per MB written to the reader's file in that time (MB = 10^6 bytes). RSS: peak resident size (VmHWM) at the end of that part. Stall: the longest stretch the window's event loop stayed busy, from the first event it handled after waking to waiting again, whole run, and the CPU time the window spent in it (the rest it waited to be scheduled)."
echo
echo "| Figure | Result |"
echo "|---|---|"
for lang in English Deutsch; do
  n_cpu=$(value "pipeline_${lang}_mb_per_cpu_s" "$work/pipeline.new")
  o_cpu=$(value "pipeline_${lang}_mb_per_cpu_s" "$work/pipeline.old")
  echo "| Core pipeline, $lang, MB per CPU second | $(pair "$o_cpu" "$n_cpu") |"
done
m_1=$(value window_rss_at_1mb_kib "$work/memory.out")
m_h=$(value window_rss_after_header_kib "$work/memory.out")
m_100=$(value window_rss_at_100mb_kib "$work/memory.out")
a_1=$(value window_anon_at_1mb_kib "$work/memory.out")
a_100=$(value window_anon_at_100mb_kib "$work/memory.out")
growth() { calc "%.2f" "($2 - $1) * 1.024 / 1000"; }
if [ -n "$m_1" ] && [ -n "$m_100" ]; then
  # At the unpaced rate the first MB comes before the header read, which
  # creates the graph window once and first touches the chart library's code.
  echo "| Window resident size, unpaced, 1 MB → 100 MB of stream | $(calc "%.1f" "$m_1 / 1024") → $(calc "%.1f" "$m_100 / 1024") MiB, growth $(growth "$m_1" "$m_100") MB, of it anonymous (heap) $(growth "$a_1" "$a_100") MB ($(value window_seconds_to_100mb "$work/memory.out") s to 100 MB); after the header read: growth $(growth "$m_h" "$m_100") MB |"
else
  echo "| Window resident size, unpaced | 100 MB not reached: gave up at $(value window_gave_up_at_mb "$work/memory.out") MB after $(value window_gave_up_after_s "$work/memory.out") s |"
fi
s_old=""
[ -n "$old" ] && s_old="$(median "$work/startup.old") ms"
echo "| Window start-up to first paint, median of $startups (offscreen) | $(pair "$s_old" "$(median "$work/startup.new") ms") |"
