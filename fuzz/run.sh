#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the fuzz preset's options) and runs
# each for a bounded time, FUZZ_SECONDS (default 60) apiece. Fails when any
# target finds an input that crashes it or breaks one of its properties. All
# it writes stays in the build folder: new inputs, logs, and the failing
# inputs under crashes/<target>/; copy one into fuzz/corpus/<target>/ and the
# unit tests replay it from then on. Without clang it says so and does nothing.
# Usage: fuzz/run.sh [target ...]   (default: every target)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(number_reading delimited_text sample_file paste_text foreign_text chart_paint)
fi

if ! command -v clang++ >/dev/null; then
  echo "fuzz: no clang++ (scripts/setup installs it); fuzzing skipped"
  exit 0
fi
# A folder configured from fuzz/ alone, as it once was, is made anew.
if [ -f "$build/CMakeCache.txt" ] &&
  grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$root/fuzz" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DFENDREL_BUILD_FUZZ=ON \
    -DFENDREL_BUILD_UI=OFF -DFENDREL_BUILD_TESTS=OFF -DFENDREL_BUILD_BENCH=OFF \
    -DFENDREL_BUILD_PACKAGE=OFF
fi
if ! grep -qx "FENDREL_HAVE_LIBFUZZER:INTERNAL=1" "$build/CMakeCache.txt"; then
  echo "fuzz: clang++ cannot link libFuzzer here (scripts/setup installs it); fuzzing skipped"
  exit 0
fi
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"

failed=()
for target in "${targets[@]}"; do
  # New inputs the fuzzer finds go to a working folder; the seeds stay as they are.
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  rm -rf "$artifacts"
  mkdir -p "$work" "$artifacts"
  log="$build/$target.log"
  status=0
  "$build/fuzz/fuzz_$target" "$work" "$root/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  if ((status == 0)); then
    echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no failure"
    continue
  fi
  failed+=("$target")
  echo "fuzz $target: FAILED after ${runs:-?} inputs (exit $status)"
  grep -E 'property broken|ERROR:|runtime error|SUMMARY' "$log" | head -20 || tail -40 "$log"
  crashes="$build/crashes/$target"
  mkdir -p "$crashes"
  for crash in "$artifacts"/*; do
    [ -f "$crash" ] || continue
    cp "$crash" "$crashes/"
    echo "  failing input: $crashes/$(basename "$crash")"
    echo "  to keep it as a regression test: cp it into fuzz/corpus/$target/"
  done
done

if ((${#failed[@]})); then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
