#!/usr/bin/env bash
# Playback figures: time from the play command to the audio sink PLAYING on a loopback stream
# that bursts 64 KiB at connect, CPU and resident memory while a 128 kbit/s MP3 plays, for our
# program and for goodvibes, measured the same way in one run. Prints both tables and the ratios.
# Our program is told to play through its desktop media controls (MPRIS OpenUri), which takes
# the same path as a click on a station.
#   bench/playback.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
. bench/peer-common.sh
# The bundled directory on a free port, so the station list loads as it would for a user.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
build/vantor-directory/vantor-directory --listen "127.0.0.1:$port" --data build/directory-data \
    2>"$folder/directory.log" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$folder"' EXIT

rm -rf "$out/vantor-radio-play" "$out/goodvibes-play"
$peer --runs "$runs" --play mpris --label vantor-radio --out "$out/vantor-radio-play" \
    --env "VANTOR_DIRECTORY_URL=http://127.0.0.1:$port/" -- "$folder/vantor-radio"
$peer --runs "$runs" --label goodvibes --out "$out/goodvibes-play"
$peer --compare "$out/goodvibes-play/runs.tsv" "$out/vantor-radio-play/runs.tsv"
