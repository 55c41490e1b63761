#!/usr/bin/env bash
# Start-up figures: time from process start to the mapped main window and resident memory
# 5 s later, for our program and for goodvibes (Debian's GStreamer radio player), measured
# the same way in one run. Prints both tables and the ratios.
#   bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
. bench/peer-common.sh
trap 'rm -rf "$folder"' EXIT

rm -rf "$out/vantor-radio" "$out/goodvibes"
$peer --runs "$runs" --play none --label vantor-radio --out "$out/vantor-radio" \
    --env VANTOR_DIRECTORY_URL=http://127.0.0.1:9/ -- "$folder/vantor-radio"
$peer --runs "$runs" --play none --label goodvibes --out "$out/goodvibes"
$peer --compare "$out/goodvibes/runs.tsv" "$out/vantor-radio/runs.tsv"
