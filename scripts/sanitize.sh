#!/usr/bin/env bash
# Builds tests with sanitizers and runs them.
#
#   scripts/sanitize.sh          AddressSanitizer and UndefinedBehaviorSanitizer
#                                (-DZKD_SANITIZE=ON, build-asan/): the core library,
#                                every test in tests/ but the end-to-end ones (the
#                                window tests, which build Form1 offscreen, included)
#                                and the tools' unit tests (what CI runs)
#   scripts/sanitize.sh --all    the same sanitizers over every target and every test
#   scripts/sanitize.sh --thread ThreadSanitizer (-DZKD_TSAN=ON, build-tsan/): the MQTT
#                                tests (ctest -R mqtt) and what they need
#
# Leaks are reported (LeakSanitizer); fuzz/lsan.supp names the allocations of
# Qt's own start-up that are kept for the life of the process and never freed.
# scripts/tsan.supp names the races ThreadSanitizer reports inside libraries
# that are not built with it. Any sanitizer report fails the run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

scope=core
case "${1:-}" in
  "" | --core) ;;
  --all) scope=all ;;
  --thread) scope=thread ;;
  *) echo "usage: $0 [--core|--all|--thread]" >&2; exit 2 ;;
esac

bash "$here/scripts/setup.sh"

if [ "$scope" = thread ]; then
  build="${ZKD_TSAN_BUILD:-$here/build-tsan}"
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DZKD_TSAN=ON >/dev/null
  # The tests' names come from the configured build; each is built with what
  # it depends on (the end-to-end test: the simulator, the recorder, the collector).
  mapfile -t tests < <(ctest --test-dir "$build" -N -R mqtt 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *\(tst_[A-Za-z0-9_]*\)$/\1/p')
  if [ ${#tests[@]} -eq 0 ]; then
    echo "sanitize: no MQTT tests in $build" >&2
    exit 1
  fi
  cmake --build "$build" -j"$(nproc)" --target "${tests[@]}"
  reports="$build/tsan-reports"
  rm -rf "$reports"
  mkdir -p "$reports"
  # Every instrumented process, the recorders and collectors the end-to-end
  # test starts included, writes its reports into the folder, one file per process.
  export TSAN_OPTIONS="suppressions=$here/scripts/tsan.supp:second_deadlock_stack=1:log_path=$reports/report"
  export QT_QPA_PLATFORM=offscreen
  status=0
  (cd "$build" && ctest --output-on-failure -j2 -R "^($(IFS='|'; echo "${tests[*]}"))\$") || status=$?
  if compgen -G "$reports/report*" >/dev/null; then
    cat "$reports"/report* >&2
    echo "sanitize: ThreadSanitizer reported the races above (reports in $reports)" >&2
    exit 1
  fi
  exit "$status"
fi

build="${ZKD_ASAN_BUILD:-$here/build-asan}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DZKD_SANITIZE=ON >/dev/null

# The build itself runs instrumented programs (the manual's screenshot); their
# leaks at exit are no concern of the build.
export ASAN_OPTIONS="detect_leaks=0"
if [ "$scope" = all ]; then
  cmake --build "$build" -j"$(nproc)"
  selection=()
else
  tests=()
  for source in "$here"/tests/tst_*.cpp; do
    name="$(basename "$source" .cpp)"
    case "$name" in tst_e2e_*) ;; *) tests+=("$name") ;; esac
  done
  # The tools' own unit tests (not their end-to-end ones).
  for list in "$here"/tools/*/CMakeLists.txt; do
    while read -r name; do
      case "$name" in *_e2e*) ;; *) tests+=("$name") ;; esac
    done < <(sed -n 's/.*add_test(NAME \(tst_[A-Za-z0-9_]*\).*/\1/p' "$list")
  done
  cmake --build "$build" -j"$(nproc)" --target zkd_core "${tests[@]}"
  selection=(-R "^($(IFS='|'; echo "${tests[*]}"))\$")
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:check_initialization_order=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$here/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j2 "${selection[@]}"
