#!/usr/bin/env bash
# The unit tests of app/, directory/ and the pure parts of player/ and playback/ built with AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
bash scripts/packages.sh clang libclang-rt-14-dev
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DVANTOR_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j "$(nproc)" --target app_tests directory_core_tests directory_tests player_tests playback_tests
export QT_QPA_PLATFORM=offscreen GIO_USE_PROXY_RESOLVER=dummy no_proxy="127.0.0.1,localhost"
# Qt and fontconfig keep caches for the life of the process; leaks are looked for elsewhere.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
build-asan/app/app_tests --gtest_brief=1
build-asan/directory/directory_core_tests --gtest_brief=1
build-asan/directory/directory_tests --gtest_brief=1
build-asan/player/player_tests --gtest_brief=1 --gtest_filter='PageDecoding*'
build-asan/playback/playback_tests --gtest_brief=1 --gtest_filter='Playlist*:StreamTitle*:StreamResolver*:PlaybackFailure*'
