#!/usr/bin/env bash
# Builds the Debian package zkd735-recorder_<version>_<arch>.deb into the
# project folder (or the folder given as $1), from the build in build/ (or in
# ZKD_PACKAGE_BUILD), which it brings up to date first.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here}"
build="${ZKD_PACKAGE_BUILD:-$here/build}"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$build"
mkdir -p "$out"
cd "$build"
rm -f "$build/package"/zkd735-recorder_*.deb
cpack -G DEB -B "$build/package" >cpack.log 2>&1 || { tail -n 30 cpack.log >&2; exit 1; }
deb="$(find "$build/package" -maxdepth 1 -name 'zkd735-recorder_*.deb' -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)"
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
