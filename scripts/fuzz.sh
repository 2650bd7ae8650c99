#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer into build-fuzz/
# and runs each one for SECONDS (default 60), starting from its seed corpus
# fuzz/corpus/<target>/. Prints one line per target: executions, coverage
# (cov: edges, ft: features), corpus size, and the inputs that broke a
# property or tripped a sanitizer (crashes). Those inputs are kept in
# build-fuzz/findings/; the exit status is non-zero when there is one.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Replay one finding:  build-fuzz/fuzz_<target> build-fuzz/findings/<target>-crash-...
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZKD_FUZZ_BUILD:-$here/build-fuzz}"
seconds="${1:-60}"
shift || true
all_targets=(word_splitter record_pipeline header_scan sensor_selection scx_ini
             sensor_ini serial_settings save_name shell_open_split)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${all_targets[@]}"); fi
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2 ;; esac

# Qt, CMake and the C++ tool chain as for the normal build; clang and its
# runtime libraries (libFuzzer, the sanitizers) on top.
bash "$here/scripts/setup.sh" clang-14 libclang-rt-14-dev

cmake -S "$here/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

findings="$build/findings"
mkdir -p "$findings"
export LSAN_OPTIONS="suppressions=$here/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# How many inputs of target $1 are kept in the findings folder.
count_findings() {
  find "$findings" -maxdepth 1 -type f -name "$1-*" | wc -l
}

failed=0
for t in "${targets[@]}"; do
  binary="$build/fuzz_$t"
  if [ ! -x "$binary" ]; then
    echo "$t: no such fuzz target" >&2
    failed=1
    continue
  fi
  dict=()
  [ -f "$here/fuzz/dict/$t.dict" ] && dict=(-dict="$here/fuzz/dict/$t.dict")
  work="$build/corpus/$t"
  log="$build/$t.log"
  mkdir -p "$work"
  before="$(count_findings "$t")"
  status=0
  "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$findings/$t-" "${dict[@]}" \
    "$work" "$here/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  after="$(count_findings "$t")"
  crashes=$((after - before))
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  progress="$(grep -E '^#[0-9]+' "$log" | tail -1 || true)"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$progress")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$progress")"
  corp="$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$progress")"
  printf '%-17s %9s execs  cov %4s  ft %5s  corpus %4s  crashes %d\n' \
    "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$crashes"
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    grep -E -m 3 'property does not hold|ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error|ERROR: libFuzzer' "$log" \
      | sed 's/^/    /' || true
    grep -A1 -m 1 'property does not hold' "$log" | tail -1 | cut -c1-400 | sed 's/^/    /' || true
    find "$findings" -maxdepth 1 -type f -name "$t-*" -printf '%T@ %f\n' | sort -n | tail -n 1 | cut -d' ' -f2- \
      | sed "s|^|    input: $findings/|" || true
    echo "    log: $log"
  fi
done
exit "$failed"
