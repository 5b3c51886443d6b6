#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# FUZZ_SECONDS (default 60) apiece. Fails when any target finds an input that
# crashes it or breaks one of its properties; that input is copied into
# fuzz/corpus/<target>/, where the unit tests replay it from then on.
# Usage: fuzz/run.sh [target ...]   (default: every target)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(number_reading delimited_text sample_file paste_text foreign_text chart_paint)
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++
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
  "$build/fuzz_$target" "$work" "$root/fuzz/corpus/$target" \
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
  for crash in "$artifacts"/*; do
    [ -f "$crash" ] || continue
    kept="$root/fuzz/corpus/$target/$(basename "$crash")"
    cp "$crash" "$kept"
    echo "  input kept as a regression test: ${kept#"$root"/}"
  done
done

if ((${#failed[@]})); then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
