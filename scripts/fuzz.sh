#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a while.
# Usage: scripts/fuzz.sh [seconds per target, default 10]
# A failing input is kept in build-fuzz/findings/ and the script fails; rerun one with
#   build-fuzz/fuzz/<target> build-fuzz/findings/<file>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
bash scripts/packages.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_FUZZ=ON -DVANTOR_TESTS=OFF -DVANTOR_BENCH=OFF \
  -DVANTOR_WERROR="${VANTOR_WERROR:-OFF}" >/dev/null
targets=(fuzz_tagscanner fuzz_profile fuzz_playlist fuzz_streamtitle)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
mkdir -p build-fuzz/findings
# ASan keeps freed memory in quarantine to catch late uses; its default of 256 MB alone passes the
# RSS limit below after a few thousand runs. 32 MB still holds the blocks of many recent runs.
export ASAN_OPTIONS="quarantine_size_mb=32:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
failed=()
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  log="build-fuzz/$t.log"
  rc=0
  # No single input may take 64 MB (the tag scanner's bound keeps it far below), nor the process
  # 256 MB: memory that grows across runs fails the run as well.
  build-fuzz/fuzz/"$t" -max_total_time="$seconds" -rss_limit_mb=256 -malloc_limit_mb=64 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" "$corpus" >"$log" 2>&1 || rc=$?
  grep -E "^(#[0-9]+ +DONE|stat::(number_of_executed_units|peak_rss_mb)|==[0-9]+==|SUMMARY|Done)" "$log" || true
  if [ "$rc" -ne 0 ]; then
    echo "$t failed (exit $rc); its log: $log; the input:" build-fuzz/findings/"$t"-* 2>/dev/null
    failed+=("$t")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz findings in: ${failed[*]}"; exit 1; }
