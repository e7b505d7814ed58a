#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (or $MERVALE_FUZZ_BUILD_DIR) and
# runs each for the given number of seconds (default 20), as many at once as there are CPUs. Each
# starts from its seed corpus in fuzz/corpus/<target>/ and grows a working corpus in the build
# directory. Fails when any target finds a crash; the input that caused it is kept in
# <build>/artifacts/ and can be replayed with `<build>/fuzz/<target>_fuzz <file>`. Before fuzzing,
# each target runs once over inputs of 10 MB (fuzz/write_long_inputs.sh), which its short
# mutations never reach.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-20}

"$root/scripts/deps.sh"
"$root/scripts/ensure-packages.sh" "Fuzzing" clang libclang-rt-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DMERVALE_FUZZ=ON \
  -DMERVALE_BUILD_UI=OFF -DMERVALE_BUILD_TESTS=OFF -DMERVALE_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"

mkdir -p "$build/artifacts" "$build/logs"
rm -rf "$build/long"
"$root/fuzz/write_long_inputs.sh" "$build/long"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
  local name=$1 status=0
  mkdir -p "$build/corpus/$name"
  "$build/fuzz/${name}_fuzz" -artifact_prefix="$build/artifacts/$name-" "$build/long/$name"/* \
    >"$build/logs/$name.log" 2>&1 || status=$?
  if ((status == 0)); then
    "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name-" \
      "$build/corpus/$name" "$root/fuzz/corpus/$name" >>"$build/logs/$name.log" 2>&1 || status=$?
  fi
  echo "$status" >"$build/logs/$name.status"
}

targets=()
for seeds in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
for name in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= $(nproc))); do wait -n || true; done
  run_target "$name" &
done
wait

failed=0
for name in "${targets[@]}"; do
  if [[ $(cat "$build/logs/$name.status") == 0 ]]; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$name.log")
    inputs=$(find "$build/long/$name" -type f | wc -l)
    echo "$name: $inputs inputs of 10 MB, then ${runs:-?} executions in ${seconds} s, no crash"
  else
    failed=1
    echo "$name: FAILED (log: $build/logs/$name.log)" >&2
    grep -E 'property broken|ERROR|SUMMARY|Test unit written' "$build/logs/$name.log" >&2 || true
  fi
done
# A target that crashed could not remove its scratch directory.
for dir in /dev/shm/mervale-fuzz-*; do
  [[ -d $dir ]] && ! kill -0 "${dir##*-}" 2>/dev/null && rm -rf "$dir"
done
exit "$failed"
