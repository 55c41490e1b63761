#!/usr/bin/env bash
# Playback figures against goodvibes, both told to play the same way: MPRIS Player.OpenUri by
# dbus-send on the program's own session bus (measure-peer.sh's 'mpris' mode, the bus name
# looked up before the clock starts). A loopback stream bursts 64 KiB at connect, then paces a
# 128 kbit/s MP3, or in the AAC rounds the same audio as 128 kbit/s AAC (ADTS).
# Figures: play command to the audio sink PLAYING, CPU, resident memory and threads while
# playing, and each thread's CPU while playing.
# The two programs take turns, ROUNDS MP3 runs each and a third as many AAC runs (at least
# one), the order swapped every round, so a busy machine weighs on both alike; the tables give
# medians. Every run of ours starts from the shipped profile. About 50 s a run.
#   bench/playback.sh [ROUNDS]      (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
aac_rounds=$(( rounds / 3 > 0 ? rounds / 3 : 1 ))
. bench/peer-common.sh
mkdir -p "$out"
# The bundled directory on a free port, so the station list loads as it would for a user.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
build/vantor-directory/vantor-directory --listen "127.0.0.1:$port" --data build/directory-data \
    2>"$out/directory.log" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$folder"' EXIT

# The AAC stream: the MP3 test audio encoded once with GStreamer (gst-libav's AAC encoder).
mp3=/tmp/radio-bench/test-128k.mp3 aac=/tmp/radio-bench/test-128k.aac
"$shared/make-stream.sh" --out /tmp/radio-bench >/dev/null
if [ ! -s "$aac" ]; then
  gst-launch-1.0 -q filesrc location="$mp3" ! mpegaudioparse ! mpg123audiodec ! audioconvert ! audioresample \
      ! audio/x-raw,rate=44100,channels=2 ! avenc_aac bitrate=128000 ! aacparse \
      ! audio/mpeg,mpegversion=4,stream-format=adts ! filesink location="$aac.tmp" >/dev/null
  mv "$aac.tmp" "$aac"
fi

sampler="python3 bench/thread_sampler.py"
timing=(--play mpris --idle-secs 2 --settle-secs 1 --play-secs 15)
for kind in play aac; do
  rm -rf "$out/vantor-radio-$kind" "$out/goodvibes-$kind"
  mkdir -p "$out/vantor-radio-$kind" "$out/goodvibes-$kind"
done

# One measured run of LABEL on KIND's stream; its row goes to LABEL's table, its threads to
# the round's file.
one_run() {
  local label=$1 kind=$2 round=$3 warmup=$4; shift 4
  local dir=$out/$label-$kind stream=$mp3
  [ "$kind" = aac ] && stream=$aac
  [ "$label" = vantor-radio ] && lay_out_folder
  $sampler watch "$label" "$(date +%s.%N)" "$dir/threads-$round.json" --delay 2 --secs 10 &
  local watcher=$!
  $peer --runs 1 --warmup "$warmup" "${timing[@]}" --stream "$stream" --label "$label" \
      --out "$dir/round-$round" "$@" | grep '^  run ' || true
  wait $watcher || true
  local rows=$dir/round-$round/runs.tsv
  [ -s "$dir/runs.tsv" ] || head -1 "$rows" > "$dir/runs.tsv"
  tail -n +2 "$rows" | sed "s/^1\t/$round\t/" >> "$dir/runs.tsv"
}

both() {
  local kind=$1 round=$2 warmup=$3
  local ours=(vantor-radio "$kind" "$round" "$warmup" --env "VANTOR_DIRECTORY_URL=http://127.0.0.1:$port/" -- "$folder/vantor-radio")
  local peer_run=(goodvibes "$kind" "$round" "$warmup")
  if [ $((round % 2)) = 1 ]; then
    one_run "${ours[@]}"; one_run "${peer_run[@]}"
  else
    one_run "${peer_run[@]}"; one_run "${ours[@]}"
  fi
}

for round in $(seq 1 "$rounds"); do
  warmup=0; [ "$round" = 1 ] && warmup=1
  echo "round $round of $rounds (MP3)"
  both play "$round" "$warmup"
done
for round in $(seq 1 "$aac_rounds"); do
  echo "round $round of $aac_rounds (AAC)"
  both aac "$round" 0
done

for kind in play aac; do
  echo
  [ "$kind" = play ] && echo "MP3 stream, $rounds rounds" || echo "AAC stream, $aac_rounds rounds"
  $peer --compare "$out/goodvibes-$kind/runs.tsv" "$out/vantor-radio-$kind/runs.tsv"
done
echo
for label in vantor-radio goodvibes; do
  $sampler merge "$out/$label-play/threads.json" "$label" "$out/$label-play"/threads-*.json
done
echo "Threads while playing the MP3 stream: each thread's CPU over 10 s, from 2 s after the play command"
$sampler report "$out/vantor-radio-play/threads.json" "$out/goodvibes-play/threads.json"
