#!/usr/bin/env bash
# The code's house checks: one format (clang-format, the rules in
# .clang-format) over every C++ file, shellcheck over the shell scripts, and
# clang-tidy (the checks in .clang-tidy) over every source of src/ (the
# windows included) and tools/. Needs a built build folder with
# compile_commands.json (scripts/build.sh writes one). Any finding fails.
#
#   scripts/lint.sh [BUILD_FOLDER]      default: build/
#   scripts/lint.sh --format-only
#
# clang-tidy runs ZKD_LINT_JOBS files at a time (default 2).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
format_only=0
if [ "${1:-}" = --format-only ]; then format_only=1; shift; fi
build="${1:-$here/build}"

mapfile -t sources < <(find src tools tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) | sort)
if ! clang-format --style=file --dry-run -Werror "${sources[@]}"; then
  echo "lint: the files above are not formatted; run: clang-format -i --style=file FILE" >&2
  exit 1
fi
echo "lint: ${#sources[@]} files formatted as .clang-format says"
[ "$format_only" = 1 ] && exit 0

# Every shell script: scripts/, bench/, packaging/ and CI's own.
mapfile -t scripts < <(find scripts bench packaging -name '*.sh' | sort; echo .ci/run)
if ! shellcheck "${scripts[@]}"; then
  echo "lint: shellcheck found the problems above" >&2
  exit 1
fi
echo "lint: shellcheck clean over ${#scripts[@]} scripts"

if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json missing; build first (scripts/build.sh)" >&2
  exit 1
fi
# Every source of src/ and tools/: the core library, the windows, the
# programs and the manual's tools; not tests, benchmarks or fuzz targets.
mapfile -t units < <(find src tools -name '*.cpp' ! -name 'tst_*' | sort)
log="$build/clang-tidy.log"
status=0
printf '%s\n' "${units[@]}" | xargs -P "${ZKD_LINT_JOBS:-2}" -n 4 clang-tidy -p "$build" --quiet >"$log" 2>/dev/null || status=$?
if [ "$status" -ne 0 ] || grep -qE '(warning|error): ' "$log"; then
  grep -E -A3 '(warning|error): ' "$log" >&2 || true
  echo "lint: clang-tidy found the problems above (${#units[@]} files checked)" >&2
  exit 1
fi
echo "lint: clang-tidy clean over ${#units[@]} files"
