#!/usr/bin/env bash
# Runs the installed program on X11 (Xvfb and openbox), as a new user would:
#  - WM_CLASS is the launcher's name, and the window offers no maximise (_MOTIF_WM_HINTS, and
#    openbox's _NET_WM_ALLOWED_ACTIONS); maximise and fullscreen keys leave it at 676x564;
#  - a second start with a startup id raises and activates it over another window, and the
#    running copy ends that start's launch feedback;
#  - closed without a tray while a station plays, it goes out of sight and plays on; MPRIS Raise
#    and a second start without an id bring it back; closed while stopped, the program ends;
#  - a loopback stream plays (MPRIS PlaybackStatus).
# A screenshot goes to build/x11-check.png.
# Usage: scripts/x11-check.sh (after scripts/build.sh; VANTOR_CHECK_DISPLAY (default 24),
# BUILD_DIR, VANTOR_CHECK_PORT and VANTOR_CHECK_WAIT may be set).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${VANTOR_CHECK_BUS:-}" ]; then
  VANTOR_CHECK_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
check_name=x11
source scripts/desktop-check-lib.sh
APP_ID=vantor-internet-radio
TITLE="Vantor Internet Radio"

for tool in Xvfb openbox xdotool xprop xwininfo xdpyinfo xmessage xev import; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.sh installs it)"
done

install_program
start_directory

export DISPLAY=":${VANTOR_CHECK_DISPLAY:-24}"
spawn xvfb.log Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp
wait_for "Xvfb on $DISPLAY" xdpyinfo
# Openbox with keys for maximise and fullscreen, as a desktop's shortcuts would send them.
sed 's|<keyboard>|<keyboard><keybind key="W-Up"><action name="ToggleMaximize"/></keybind><keybind key="W-f"><action name="ToggleFullscreen"/></keybind>|' \
  /etc/xdg/openbox/rc.xml >"$work/openbox-rc.xml"
spawn openbox.log openbox --config-file "$work/openbox-rc.xml"
wait_for "openbox to manage the screen" 'xprop -root _NET_SUPPORTING_WM_CHECK | grep >/dev/null "window id"'

program_environment
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

spawn first.log "$program"
first_pid=${pids[-1]}
window() { xdotool search --onlyvisible --pid "$first_pid" --name "^$TITLE\$" 2>/dev/null | head -n 1; }
wait_for "the program's window" '[ -n "$(window)" ]'
win=$(window)
viewable() { xwininfo -id "$win" | grep >/dev/null 'Map State: IsViewable'; }
wait_for "the window to be shown" viewable
size() { xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
at_fixed_size() { [ "$(size)" = 676x564 ]; }
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
require_alive() { alive "$first_pid" || fail "the program ended $1"; }

wm_class=$(xprop -id "$win" WM_CLASS)
[ "$wm_class" = "WM_CLASS(STRING) = \"$APP_ID\", \"$APP_ID\"" ] || fail "WM_CLASS is not $APP_ID: $wm_class"
allowed=$(xprop -id "$win" _NET_WM_ALLOWED_ACTIONS)
case "$allowed" in *MAXIMIZE*) fail "the window manager offers maximise: $allowed" ;; esac
case "$allowed" in *_NET_WM_ACTION_CLOSE*) ;; *) fail "no allowed actions read from openbox: $allowed" ;; esac
# _MOTIF_WM_HINTS: flags, functions, decorations; bit 16 is maximise in both.
read -r flags functions decorations _ < <(xprop -id "$win" _MOTIF_WM_HINTS | sed 's/.*= //; s/,/ /g')
if (((flags & 1) && (functions & 16))) || (((flags & 2) && (decorations & 64))); then
  fail "_MOTIF_WM_HINTS still offer maximise: $flags $functions $decorations"
fi
wait_for "the window at 676x564 (it is \$(size))" at_fixed_size
log "window up: $wm_class, allowed: ${allowed#*= }"

check_playback

xdotool windowactivate --sync "$win"
for keys in super+Up super+f; do
  xdotool key "$keys"
  sleep 2
  require_alive "after $keys"
  wait_for "the window at 676x564 after $keys (it is \$(size))" at_fixed_size
  state=$(xprop -id "$win" _NET_WM_STATE)
  case "$state" in *FULLSCREEN* | *MAXIMIZED*) wait_for "the program to hand back $state" \
    '! xprop -id "$win" _NET_WM_STATE | grep >/dev/null "FULLSCREEN\|MAXIMIZED"' ;; esac
  log "$keys: lives on at $(size)"
done

# Another window takes the focus; a second start with a startup id raises ours.
spawn other-window.log xmessage -geometry +200+150 "another window"
wait_for "the other window" 'xdotool search --class xmessage'
other=$(xdotool search --class xmessage | head -n 1)
xdotool windowactivate --sync "$other" || true
wait_for "the other window to be active" '[ "$(xdotool getactivewindow)" = "$other" ]'
# What reaches the root window: the running copy ends the launch feedback of the second start.
spawn root-events.log stdbuf -oL xev -root -event property -event substructure
sleep 1
second_start second-with-id DESKTOP_STARTUP_ID="vantor-check-$$_TIME$(date +%s)"
wait_for "the launch feedback of the second start to be ended (_NET_STARTUP_INFO_BEGIN)" \
  'grep _NET_STARTUP_INFO_BEGIN "$work/root-events.log"'
wait_for "the running copy to take the startup id (log)" '[ "$(log_count "asks for the window with its token")" -ge 1 ]'
wait_for "the window to be active after the second start (active: \$(xdotool getactivewindow))" active
require_alive "after the second start"
log "second start with a startup id: window raised and active"
import -window root "$BUILD_DIR/x11-check.png" || fail "import screenshot"
log "screenshot: $BUILD_DIR/x11-check.png"

# No tray here: closed while a station plays, the window goes out of sight and the program plays
# on; the desktop's media controls and a start without an id bring it back. Openbox closes the
# active window on Alt+F4.
close_window() {
  xdotool windowactivate --sync "$win"
  xdotool key alt+F4
}
close_window
wait_for "the window out of sight on close (no tray, playing)" '! viewable'
require_alive "after close without a tray while playing"
playing || fail "playback stopped on the close"
can_raise=$(dbus-send --session --print-reply=literal --dest=org.mpris.MediaPlayer2.vantor /org/mpris/MediaPlayer2 \
  org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:CanRaise | awk '{print $NF}')
[ "$can_raise" = true ] || fail "MPRIS CanRaise is $can_raise"
dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.vantor /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Raise || fail "MPRIS Raise"
wait_for "the window back after MPRIS Raise" viewable
log "closed while playing: out of sight, back by MPRIS Raise"
close_window
wait_for "the window out of sight on the second close" '! viewable'
second_start second-without-id
wait_for "the window restored after a start without id" viewable
playing || fail "playback stopped along the way"
log "second start without id: window restored, still playing"

# Stopped, a close ends the program.
dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.vantor /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Player.Stop || fail "MPRIS Stop"
wait_for "the player to stop" '! playing'
close_window
wait_for "the program to end on a close while stopped" '! alive "$first_pid"'
log "closed while stopped: the program ended"
log "all checks passed"
