#!/usr/bin/env bash
# Runs the installed program under a headless sway, as a new user on a Wayland desktop would:
#  - the window is 676x564 and stays so, and the program lives on, when sway tiles it over the
#    whole workspace (sway's maximise) and when it is made fullscreen;
#  - a second start with an xdg_activation_v1 token from sway brings the window to the front
#    (focused), and hands over without one too;
#  - a StatusNotifier panel that appears later is used: closing then puts the icon there;
#  - a loopback stream plays (MPRIS PlaybackStatus).
# Sway because it is in Debian, runs headless, offers xdg_activation_v1 and acts on it with
# "focus_on_window_activation focus", and its IPC (swaymsg) drives and reports the windows.
# A screenshot goes to build/wayland-check.png.
# Usage: scripts/wayland-check.sh (after scripts/build.sh; BUILD_DIR, VANTOR_CHECK_PORT and
# VANTOR_CHECK_WAIT may be set).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${VANTOR_CHECK_BUS:-}" ]; then
  VANTOR_CHECK_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
check_name=wayland
source scripts/desktop-check-lib.sh
APP_ID=vantor-internet-radio

for tool in sway swaymsg grim jq wayland-scanner cc; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.sh installs it)"
done

# The token tool: a launcher's request for a token, which swaymsg cannot make.
protocol=/usr/share/wayland-protocols/staging/xdg-activation/xdg-activation-v1.xml
[ -f "$protocol" ] || fail "$protocol is missing (package wayland-protocols)"
wayland-scanner client-header "$protocol" "$work/xdg-activation-v1-client-protocol.h"
wayland-scanner private-code "$protocol" "$work/xdg-activation-v1-protocol.c"
cc -o "$work/activation-token" scripts/tools/activation-token.c "$work/xdg-activation-v1-protocol.c" \
  -I"$work" $(pkg-config --cflags --libs wayland-client) || fail "building the token tool"

install_program
start_directory

# Sway refuses to run as root; it then runs as nobody in a folder of its own.
chmod 711 "$work"
mkdir -p "$work/sway"
chmod 700 "$work/sway"
cat >"$work/sway/config" <<'EOF'
output HEADLESS-1 resolution 1280x800
focus_on_window_activation focus
xwayland disable
EOF
as_compositor=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$work/sway"
  as_compositor=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
spawn sway.log env -i PATH="$PATH" HOME="$work/sway" XDG_RUNTIME_DIR="$work/sway" \
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  "${as_compositor[@]}" sway -c "$work/sway/config"
sway_socket() { ls "$work"/sway/wayland-[0-9]* 2>/dev/null | grep -v '\.lock$' | head -n 1; }
wait_for "sway's Wayland socket" 'test -n "$(sway_socket)"'
export WAYLAND_DISPLAY
WAYLAND_DISPLAY=$(sway_socket)
export SWAYSOCK
wait_for "sway's IPC socket" 'ls "$work"/sway/sway-ipc.*.sock'
SWAYSOCK=$(ls "$work"/sway/sway-ipc.*.sock | head -n 1)
wait_for "sway's IPC" 'swaymsg -t get_version'
swaymsg -t get_version | jq -r '"sway " + .human_readable'

program_environment
export QT_QPA_PLATFORM=wayland
unset DISPLAY

tree() { swaymsg -t get_tree; }
# Our window (the first copy's) as a JSON object, or nothing while it is not mapped.
window() { tree | jq -c "[.. | objects | select(.app_id? == \"$APP_ID\" and .pid? == $first_pid)] | first // empty"; }
field() { window | jq -r "$1"; }
mapped() { [ -n "$(window)" ]; }
unmapped() { [ -z "$(window)" ]; }
size() { field '"\(.geometry.width)x\(.geometry.height)"'; }
at_fixed_size() { [ "$(size)" = 676x564 ]; }
focused() { [ "$(field .focused)" = true ]; }
focused_name() { tree | jq -r '[.. | objects | select(.focused? == true)] | first | "\(.app_id // .name)"'; }
require_alive() { alive "$first_pid" || fail "the program ended $1"; }

spawn first.log "$program"
first_pid=${pids[-1]}
wait_for "the window on sway (app id $APP_ID)" mapped
require_alive "at start"
wait_for "the window at 676x564 (it is \$(size))" at_fixed_size
[ "$(field .type)" = floating_con ] || fail "a window of one size should float, sway made it $(field .type)"
log "window up: app id $APP_ID, $(size), floating"

check_playback

# Sway has no maximise: tiling gives the window the whole workspace, with a configure that size.
swaymsg "[pid=$first_pid] floating disable" >/dev/null || fail "swaymsg floating disable"
wait_for "sway to tile the window (it is \$(field .type))" '[ "$(field .type)" = con ]'
sleep 2
require_alive "when tiled over the whole workspace"
wait_for "the tiled window at 676x564 (it is \$(size))" at_fixed_size
log "tiled over the workspace: lives on at $(size)"
swaymsg "[pid=$first_pid] floating enable" >/dev/null || fail "swaymsg floating enable"

swaymsg "[pid=$first_pid] fullscreen enable" >/dev/null || fail "swaymsg fullscreen enable"
# The program hands the fullscreen state back; sway then shows it as before.
wait_for "the program to leave fullscreen" '[ "$(field .fullscreen_mode)" = 0 ]'
require_alive "after a fullscreen request"
wait_for "the window at 676x564 after fullscreen (it is \$(size))" at_fixed_size
log "fullscreen request answered: back to $(size), alive"

# Another window takes the focus; a second start with a launcher's token brings ours back.
spawn other-window.log "$BUILD_DIR/vantor-radio/vantor-htmledit"
wait_for "another window to take the focus" '[ "$(focused_name)" != "$APP_ID" ]'
log "focus is on another window: $(focused_name)"
token=$("$work/activation-token" "$APP_ID") || fail "sway gave no activation token"
second_start second-with-token XDG_ACTIVATION_TOKEN="$token"
wait_for "the running copy to take the token (log)" '[ "$(log_count "asks for the window with its token")" -ge 1 ]'
wait_for "the window to be focused after the second start (focus: \$(focused_name))" focused
require_alive "after the second start"
log "second start with token $token: window focused, second copy ended"
# Sway 1.7 draws a focus change that came from an activation only with its next transaction;
# an empty command commits one, so that the picture shows the focus the IPC reports.
swaymsg nop >/dev/null
sleep 1
[ "$(swaymsg -t get_seats | jq -r '.[0].focus')" = "$(field .id)" ] || fail "the seat's focus is not on the window"
grim "$BUILD_DIR/wayland-check.png" || fail "grim screenshot"
log "screenshot: $BUILD_DIR/wayland-check.png"

# A panel appears after the program: the next close puts the icon there instead of minimising.
spawn watcher.log /usr/bin/python3 scripts/tools/fake-status-notifier-watcher.py "$work/tray-items"
wait_for "the StatusNotifier watcher on the bus" 'dbus-send --session --print-reply \
  --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetNameOwner \
  string:org.kde.StatusNotifierWatcher'
swaymsg "[pid=$first_pid] kill" >/dev/null || fail "swaymsg kill (close the window)"
wait_for "the tray icon to register with the panel" 'test -s "$work/tray-items"'
wait_for "the window to go to the tray" unmapped
require_alive "after a close to the tray"
log "closed to the panel that came later: icon $(head -n 1 "$work/tray-items")"

# Without a token the running copy still shows its window.
second_start second-without-token
wait_for "the window back from the tray after a start without token" mapped
wait_for "the window at 676x564 after coming back" at_fixed_size
test "$(log_count 'asks for the window without a token')" -ge 1 || fail "no request without a token in the log"
playing || fail "playback stopped along the way"
log "second start without token: window shown again, still playing"
log "all checks passed"
