#!/usr/bin/env bash
# The longer checks that .ci/run adds to ./test.sh: the engine and storage tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer (build/sanitize), then every fuzz target for a bounded
# time (build/fuzz). Any test failure, crash, sanitizer report, leak or input taking over a second fails.
#   FUZZ_SECONDS   seconds per fuzz target (default 60)
#   FUZZ_SEED      libFuzzer's seed (default 1, so CI repeats; 0 for a fresh one each run)
#   FUZZ_TARGETS   the targets to run, space separated (default: all of them)
#   SKIP_SANITIZE  set to 1 to go straight to fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/setup.sh
vexil_install_packages "${VEXIL_TEST_PACKAGES[@]}"
jobs=$(vexil_jobs)
fuzz_seconds=${FUZZ_SECONDS:-60}
# A fixed seed makes a CI run repeat the inputs of the runs before it; FUZZ_SEED=0 lets libFuzzer choose.
fuzz_seed=${FUZZ_SEED:-1}

asan_options=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8

if [ "${SKIP_SANITIZE:-0}" != 1 ]; then
  tests=()
  for dir in tests/core/*/ tests/ui/storage/; do
    layer=$(basename "$(dirname "$dir")")
    tests+=("test_${layer}_$(basename "$dir")")
  done
  echo "== Sanitizer build: ${tests[*]}"
  cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVEXIL_TESTS=ON -DVEXIL_SANITIZE=ON -DVEXIL_WERROR=ON >/dev/null
  cmake --build build/sanitize -j "$jobs" --target "${tests[@]}"
  for t in "${tests[@]}"; do
    echo "== $t (sanitizers)"
    if ! ASAN_OPTIONS=$asan_options:detect_stack_use_after_return=1 build/sanitize/tests/"$t" --gtest_brief=1; then
      echo "FAILED: $t under the sanitizers" >&2
      exit 1
    fi
  done
fi

# Fuzzing leaves out the use-after-return check: it makes the deep recursion of the parser several times
# slower, and the tests above have it.
export ASAN_OPTIONS=$asan_options

echo "== Fuzz build"
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVEXIL_FUZZ=ON \
  -DVEXIL_WERROR=ON >/dev/null
cmake --build build/fuzz -j "$jobs" --target vexil_fuzz

dictionary() {
  case "$1" in
    providers | rates_cache | page_index) echo "-dict=$root/fuzz/dict/json.dict" ;;
    document | incremental) echo "-dict=$root/fuzz/dict/sheet.dict" ;;
    *) if [ -f "$root/fuzz/dict/$1.dict" ]; then echo "-dict=$root/fuzz/dict/$1.dict"; fi ;;
  esac
}

# One target per source in fuzz/ (a stale binary in the build folder is not one).
targets=${FUZZ_TARGETS:-$(cd fuzz && ls *.cpp | sed 's/\.cpp$//' | tr '\n' ' ')}
failed=()
for t in $targets; do
  run=build/fuzz/run/$t
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/artifacts"
  echo "== fuzz_$t for ${fuzz_seconds}s"
  # New inputs go to the scratch corpus first named; the seeds in the repository stay as they are.
  # The targets fail any single input (one sheet, one body, one file) that takes over a second of
  # processor time (the GIF reader five); libFuzzer's wall-clock -timeout catches endless loops without failing on a busy machine.
  set +e
  build/fuzz/fuzz/fuzz_"$t" "$run/corpus" "fuzz/corpus/$t" $(dictionary "$t") \
    -seed="$fuzz_seed" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2560 -max_len=4096 \
    -artifact_prefix="$root/$run/artifacts/" -print_final_stats=1 >"$run/log" 2>&1
  status=$?
  set -e
  grep -E '^#[0-9]+[[:space:]]+DONE' "$run/log" | tail -1 || true
  if [ $status -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$run/log"; then
    echo "FAILED: fuzz_$t (exit $status); the input is in $run/artifacts, the log in $run/log" >&2
    grep -E 'ERROR|SUMMARY|runtime error|check failed|hang:' "$run/log" | head -20 >&2 || true
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "Robustness checks passed."
