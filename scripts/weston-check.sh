#!/usr/bin/env bash
# A maximize that the desktop sends anyway must not end the fixed-size program under weston,
# whose windows Qt decorates itself (client-side decorations with a maximize button).
#
#   scripts/weston-check.sh [BUILD_DIR]     (default: build)
#
# Runs weston with its X11 backend inside Xvfb (so keys can be sent to it with xdotool), starts
# the built program there (QT_QPA_PLATFORM=wayland) against a directory server of its own on
# loopback, sends weston's maximize shortcut (Super+Shift+M, what the decoration's maximize
# button also asks for) twice, and checks that the program is still alive with no Wayland
# protocol error. Installs weston, qt6-wayland, xvfb and xdotool when missing. Exit 0 = holds.
set -u
build=$(cd "${1:-build}" && pwd) || { echo "FAIL: no build folder"; exit 1; }
work=$(mktemp -d /tmp/weston-maximize.XXXXXX)
pids=()
cleanup() { for p in "${pids[@]:-}"; do [ -n "$p" ] && kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "(logs in $work)"; exit 1; }

need=""; for p in weston qt6-wayland xvfb xdotool x11-utils dbus curl; do dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"; done
[ -z "$need" ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need >/dev/null 2>&1 || fail "cannot install$need"

exe=$(find "$build" -path '*/_CPack_Packages' -prune -o -type f -name vantor-radio -perm -u+x -print | head -n 1)
srv=$(find "$build" -path '*/_CPack_Packages' -prune -o -type f -name vantor-directory -perm -u+x -print | head -n 1)
[ -n "$exe" ] && [ -n "$srv" ] || fail "no vantor-radio / vantor-directory in $build"
pf="$work/program"; cp -a "$(dirname "$exe")/." "$pf/"

disp=":$(( 200 + RANDOM % 50 ))"
Xvfb "$disp" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$disp
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
rt="$work/runtime"; mkdir -p "$rt"; chmod 700 "$rt"; export XDG_RUNTIME_DIR=$rt
weston --backend=x11-backend.so --socket=wl-check --width=1200 --height=900 >"$work/weston.log" 2>&1 & pids+=($!)
for _ in $(seq 100); do [ -S "$rt/wl-check" ] && break; sleep 0.1; done
[ -S "$rt/wl-check" ] || fail "weston did not start (see $work/weston.log)"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$srv" --listen "127.0.0.1:$port" --data "$work/dirdata" >"$work/directory.log" 2>&1 & pids+=($!)
for _ in $(seq 50); do curl -fs -o /dev/null --max-time 1 "http://127.0.0.1:$port/" && break; sleep 0.1; done

dbus-run-session -- env WAYLAND_DISPLAY=wl-check QT_QPA_PLATFORM=wayland XDG_CONFIG_HOME="$work/config" \
  VANTOR_DIRECTORY_URL="http://127.0.0.1:$port/" VANTOR_AUDIO_SINK="fakesink sync=true" \
  "$pf/vantor-radio" >"$work/program.log" 2>&1 & pids+=($!)
pid=""
for _ in $(seq 100); do pid=$(pgrep -f "^$pf/vantor-radio" | head -n 1); [ -n "$pid" ] && break; sleep 0.1; done
[ -n "$pid" ] || fail "the program did not start under weston: $(tail -n 3 "$work/program.log" | tr '\n' ' ')"
sleep 4

alive() { kill -0 "$pid" 2>/dev/null && [ "$(ps -o stat= -p "$pid" | cut -c1)" != Z ] && ! grep -qi 'protocol error' "$work/program.log"; }
why() { echo "$(grep -m1 -iE 'xdg_|protocol error|wayland connection' "$work/program.log") / weston: $(grep -m1 'error in client' "$work/weston.log")"; }

# weston's maximize shortcut, with the program's window focused.
xdotool mousemove 300 300 click 1; sleep 0.5
xdotool key super+shift+m; sleep 2
alive || fail "weston's maximize shortcut ended the program: $(why)"
xdotool key super+shift+m; sleep 1
alive || fail "a second maximize shortcut ended the program: $(why)"

echo "weston: two maximize shortcuts answered; the program lives (pid $pid)"
