#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (-DZKD_SANITIZE=ON) into build-asan/ and runs them there.
#
#   scripts/sanitize.sh          the core library, the tests that link only it and
#                                the tools' unit tests (what CI runs)
#   scripts/sanitize.sh --all    every target and every test, the windows included
#
# Leaks are reported (LeakSanitizer); fuzz/lsan.supp names the allocations of
# Qt's own start-up that are kept for the life of the process and never freed.
# Any sanitizer report fails the test that produced it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZKD_ASAN_BUILD:-$here/build-asan}"

scope=core
case "${1:-}" in
  "" | --core) ;;
  --all) scope=all ;;
  *) echo "usage: $0 [--core|--all]" >&2; exit 2 ;;
esac

bash "$here/scripts/setup.sh"

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
    case "$name" in tst_ui_* | tst_e2e_*) ;; *) tests+=("$name") ;; esac
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
