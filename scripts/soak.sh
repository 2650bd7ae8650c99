#!/usr/bin/env bash
# Long runs of the recorder window against the simulator (offscreen):
# a day of records at one a second, sent every 10 ms (about 15 minutes), and a
# minute of random bytes as fast as the line takes them. Prints the figures.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
records="${SOAK_RECORDS:-86400}"
garbage_seconds="${SOAK_GARBAGE_SECONDS:-60}"
"$here/build/bin/zkd735-soak" garbage "$garbage_seconds"
"$here/build/bin/zkd735-soak" records "$records" 10
