#!/usr/bin/env bash
# Playback figures against goodvibes, both told to play the same way: MPRIS Player.OpenUri by
# dbus-send on the program's own session bus (measure-peer.sh's 'mpris' mode, the bus name
# looked up before the clock starts). A loopback stream bursts 64 KiB at connect, then paces a
# 128 kbit/s MP3. Figures: play command to the audio sink PLAYING, CPU, resident memory and
# threads while playing, and each thread's CPU while playing.
# The two programs take turns, ROUNDS runs each (order swapped every round), so a busy
# machine weighs on both alike; the tables give medians. About 50 s a round.
#   bench/playback.sh [ROUNDS]      (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
. bench/peer-common.sh
# The bundled directory on a free port, so the station list loads as it would for a user.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
build/vantor-directory/vantor-directory --listen "127.0.0.1:$port" --data build/directory-data \
    2>"$folder/directory.log" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$folder"' EXIT

sampler="python3 bench/thread_sampler.py"
timing=(--play mpris --idle-secs 2 --settle-secs 1 --play-secs 15)
rm -rf "$out/vantor-radio-play" "$out/goodvibes-play"
mkdir -p "$out/vantor-radio-play" "$out/goodvibes-play"

# One measured run of LABEL; its row is added to LABEL's table, its threads to the round's file.
one_run() {
  local label=$1 round=$2 warmup=$3; shift 3
  local dir=$out/$label-play
  $sampler watch "$label" "$(date +%s.%N)" "$dir/threads-$round.json" --delay 2 --secs 10 &
  local watcher=$!
  $peer --runs 1 --warmup "$warmup" "${timing[@]}" --label "$label" --out "$dir/round-$round" "$@" |
      grep '^  run ' || true
  wait $watcher || true
  local rows=$dir/round-$round/runs.tsv
  [ -s "$dir/runs.tsv" ] || head -1 "$rows" > "$dir/runs.tsv"
  tail -n +2 "$rows" | sed "s/^1\t/$round\t/" >> "$dir/runs.tsv"
}

for round in $(seq 1 "$rounds"); do
  warmup=0; [ "$round" = 1 ] && warmup=1
  echo "round $round of $rounds"
  ours=(vantor-radio "$round" "$warmup" --env "VANTOR_DIRECTORY_URL=http://127.0.0.1:$port/" -- "$folder/vantor-radio")
  peer_run=(goodvibes "$round" "$warmup")
  if [ $((round % 2)) = 1 ]; then
    one_run "${ours[@]}"; one_run "${peer_run[@]}"
  else
    one_run "${peer_run[@]}"; one_run "${ours[@]}"
  fi
done

echo
$peer --compare "$out/goodvibes-play/runs.tsv" "$out/vantor-radio-play/runs.tsv"
echo
for label in vantor-radio goodvibes; do
  $sampler merge "$out/$label-play/threads.json" "$label" "$out/$label-play"/threads-*.json
done
echo "Threads while playing: each thread's CPU over 10 s, from 2 s after the play command"
$sampler report "$out/vantor-radio-play/threads.json" "$out/goodvibes-play/threads.json"
