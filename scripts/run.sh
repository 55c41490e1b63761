#!/usr/bin/env bash
# Builds the program, starts the bundled directory server when nothing answers on its port,
# and runs the program from its folder. Without a display it runs under Xvfb and writes a
# screenshot to build/screenshot.png after a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
program=build/vantor-radio/vantor-radio

server_pid=""
xvfb_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

export VANTOR_DIRECTORY_URL="${VANTOR_DIRECTORY_URL:-http://127.0.0.1:8047/}"
server=build/vantor-directory/vantor-directory
if [ -x "$server" ] && ! curl -fs -o /dev/null --max-time 2 "$VANTOR_DIRECTORY_URL"; then
  hostport=${VANTOR_DIRECTORY_URL#http://}
  hostport=${hostport%%/*}
  # VANTOR_UPSTREAM=auto or URL[,URL...]: real stations from the public directory instead of the
  # demo ones (the portable copy stays on this computer unless asked).
  upstream=()
  [ -n "${VANTOR_UPSTREAM:-}" ] && upstream=(--upstream "$VANTOR_UPSTREAM")
  "$server" --listen "$hostport" --data build/directory-data "${upstream[@]}" 2>>build/directory.log &
  server_pid=$!
  for _ in $(seq 50); do curl -fs -o /dev/null --max-time 1 "$VANTOR_DIRECTORY_URL" && break; sleep 0.1; done
  echo "Directory server started on $hostport (log: build/directory.log)"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  display=":${VANTOR_XVFB_DISPLAY:-91}"
  echo "No display found: running under Xvfb on $display; the screenshot goes to build/screenshot.png"
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  sleep 1
  (sleep "${VANTOR_SCREENSHOT_DELAY:-5}" && import -window root build/screenshot.png \
      && echo "Screenshot written to build/screenshot.png") &
  # No sound card on a headless machine.
  export VANTOR_AUDIO_SINK="${VANTOR_AUDIO_SINK:-fakesink sync=true}"
fi

"$program" "$@"
