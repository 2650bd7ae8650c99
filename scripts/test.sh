#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
# One code format: unformatted code fails before anything is built.
bash "$here/scripts/lint.sh" --format-only
# Warnings in the project's own code stop the build.
bash "$here/scripts/build.sh" "$here/build" -DZKD_WERROR=ON
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 2>&1 | tee ctest.log
# Static analysis: shellcheck over the scripts, clang-tidy over src/ and tools/.
bash "$here/scripts/lint.sh" "$here/build"
# Robustness: the core library, its tests and the window tests under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, then every
# fuzz target for 20 s from its seed corpus.
bash "$here/scripts/sanitize.sh"
bash "$here/scripts/fuzz.sh" 20
# The suite's verdict once more, as the last line.
grep -E '^[0-9]+% tests passed' "$here/build/ctest.log" | tail -n 1
