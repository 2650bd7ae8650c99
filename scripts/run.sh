#!/usr/bin/env bash
# Installs what is needed, builds, and starts the recorder. Without an
# instrument configured (no scx.ini beside the program) it starts the
# instrument simulator and attaches the recorder to it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
bin="$here/build/bin"
cd "$bin"
sim_pid=""
link="$bin/ttyZKD735"
port_line=""
[ -f "$bin/scx.ini" ] && port_line="$(sed -n 2p "$bin/scx.ini" | tr -d '\r')"
if [ ! -f "$bin/scx.ini" ] || [ "$port_line" = "$link" ]; then
  "$bin/zkd735-sim" --link "$link" --baud 9600 --interval 500 --quiet &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  if [ ! -f "$bin/scx.ini" ]; then
    printf '%s\r\n' "" "$link" "English" " 10 " " 0 " "9600" "" "0" "Ready" > "$bin/scx.ini"
  fi
  echo "Recorder attached to the instrument simulator at $link (press Start / Stop)."
fi
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
"$bin/ZKD735_DataRecorder"
