#!/usr/bin/env bash
# A long listen on loopback (soak_bench): memory, threads and open files sampled every 10 s
# while a station plays with a title change a second and a dropped connection every two
# minutes; the slope after the warm-up is printed at the end.
#   bench/soak.sh [MINUTES (30)] [WARMUP_MINUTES (5)] [DROP_EVERY_S (120)]
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d /tmp/vantor-soak.XXXXXX)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 20 sine 440 sine 660
lame --silent -b 128 "$work/tone.wav" "$work/tone.mp3"
cmake --build build -j2 --target soak_bench >/dev/null
export VANTOR_AUDIO_SINK="${VANTOR_AUDIO_SINK:-fakesink sync=true}" GIO_USE_PROXY_RESOLVER=dummy no_proxy=127.0.0.1,localhost
build/bench/soak_bench "$work/tone.mp3" "${1:-30}" "${2:-5}" "${3:-120}"
