#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a while.
# Usage: scripts/fuzz.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
bash scripts/packages.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_FUZZ=ON -DVANTOR_TESTS=OFF -DVANTOR_BENCH=OFF \
  -DVANTOR_WERROR="${VANTOR_WERROR:-OFF}" >/dev/null
targets=(fuzz_tagscanner fuzz_profile fuzz_playlist fuzz_streamtitle)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  # 256 MB is far above what any one input may take; the tag scanner's bound keeps it there.
  build-fuzz/fuzz/"$t" -max_total_time="$seconds" -rss_limit_mb=256 -max_len=65536 \
    -print_final_stats=1 "$corpus" 2>&1 | grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|Done)" || true
  # libFuzzer leaves crash-* files when it found something.
  if compgen -G "crash-*" >/dev/null || compgen -G "oom-*" >/dev/null || compgen -G "leak-*" >/dev/null; then
    echo "$t found a failing input:" crash-* oom-* leak-* 2>/dev/null
    exit 1
  fi
done
