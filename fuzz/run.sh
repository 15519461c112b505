#!/usr/bin/env bash
# Builds the fuzz targets (clang++, libFuzzer, ASan and UBSan) and runs each
# for the given number of seconds:
#   fuzz/run.sh <seconds> [target ...]     (default: all three targets)
# Build folder: $VOCANA_FUZZ_BUILD, default build-fuzz. The corpus that a run
# grows stays in <build>/corpus/<target>; a finding is written to
# <build>/artifacts/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh <seconds> [target ...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_loader fuzz_frame fuzz_command_line)
# Absolute paths: the command-line target works inside a private folder.
build=$(realpath -m "${VOCANA_FUZZ_BUILD:-build-fuzz}")

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
  -DVOCANA_FUZZ=ON -DVOCANA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  corpus=$build/corpus/$name
  mkdir -p "$corpus" "$build/artifacts"
  seeds=("$build/fuzz/seeds/$name")
  [ -d "fuzz/regressions/$name" ] && seeds+=("$PWD/fuzz/regressions/$name")
  log=$build/$target.log
  echo "== $target: $seconds s"
  # -close_fd_mask=3: the analyser's own output is discarded; libFuzzer and
  # the sanitizers keep reporting on a copy of standard error.
  if ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$target" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || true
  else
    tail -n 60 "$log"
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzz: no findings"
