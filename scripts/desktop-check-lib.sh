# Shared by wayland-check.sh and x11-check.sh (sourced, not run): the installed program in a
# temporary prefix, a loopback directory server, the program's environment, waiting, and
# cleaning up every process the check started.

BUILD_DIR=${BUILD_DIR:-build}
CHECK_PORT=${VANTOR_CHECK_PORT:-8124}
# Generous: the check must hold on a loaded two-core machine.
WAIT_SECONDS=${VANTOR_CHECK_WAIT:-60}

work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-check.XXXXXX")
pids=()
failed=0

log() { echo "[$check_name] $*"; }
fail() {
  echo "[$check_name] FAILED: $*" >&2
  failed=1
  exit 1
}

cleanup() {
  local status=$?
  # Newest first: the program before the compositor it draws on.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
    for f in "$work"/*.log; do
      [ -f "$f" ] || continue
      echo "--- $(basename "$f") (last lines)" >&2
      tail -n 25 "$f" >&2
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs a command in the background and remembers it for the clean-up.
spawn() {
  local out=$1
  shift
  "$@" >"$work/$out" 2>&1 &
  pids+=($!)
}

# wait_for DESCRIPTION 'COMMAND': evaluates the command (quote it, so that what it reads is read
# afresh each time) until it succeeds or time runs out; the description is evaluated on failure.
wait_for() {
  local what=$1 test=$2
  local deadline=$((SECONDS + WAIT_SECONDS))
  until eval "$test" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "waited ${WAIT_SECONDS}s for: $(eval "echo \"$what\"")"
    sleep 0.5
  done
}

alive() { kill -0 "$1" 2>/dev/null; }

# The program as a package installs it, into a prefix of its own.
install_program() {
  [ -x "$BUILD_DIR/vantor-radio/vantor-radio" ] || fail "no build in $BUILD_DIR (run scripts/build.sh)"
  cmake --install "$BUILD_DIR" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install into $work/prefix"
  program="$work/prefix/bin/vantor-radio"
  [ -x "$program" ] || fail "the install has no bin/vantor-radio"
  grep -q '^StartupWMClass=vantor-internet-radio$' \
    "$work/prefix/share/applications/vantor-internet-radio.desktop" ||
    fail "the installed launcher's StartupWMClass is not vantor-internet-radio"
}

# The installed directory server with the demo catalogue on loopback.
start_directory() {
  local share="$work/prefix/share/vantor-directory"
  mkdir -p "$work/directory"
  ln -s "$share/audio" "$work/directory/audio"
  spawn directory.log "$work/prefix/bin/vantor-directory" --listen "127.0.0.1:$CHECK_PORT" \
    --data "$work/directory" --catalogue "$share/catalogue.json"
  wait_for "the directory server on port $CHECK_PORT" \
    'curl -fs -o /dev/null --max-time 2 "http://127.0.0.1:$CHECK_PORT/"'
  stream_url="http://127.0.0.1:$CHECK_PORT/stream/polder-fm.mp3"
}

# A new user's home and a private runtime folder; the program's output goes to its log.
program_environment() {
  mkdir -p "$work/home" "$work/run"
  chmod 700 "$work/run"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
  export XDG_RUNTIME_DIR="$work/run"
  export VANTOR_DIRECTORY_URL="http://127.0.0.1:$CHECK_PORT/"
  export VANTOR_AUDIO_SINK="fakesink sync=true"
  export GIO_USE_PROXY_RESOLVER=dummy no_proxy="127.0.0.1,localhost"
  export QT_LOGGING_RULES="vantor.app.info=true"
  unset XDG_ACTIVATION_TOKEN DESKTOP_STARTUP_ID
}

mpris_property() {
  dbus-send --session --print-reply=literal --reply-timeout=5000 --dest=org.mpris.MediaPlayer2.vantor \
    /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get \
    string:org.mpris.MediaPlayer2.Player "string:$1" 2>/dev/null | awk '{print $NF}'
}

playing() { [ "$(mpris_property PlaybackStatus)" = "Playing" ]; }

# Opens the loopback stream through the desktop media controls and waits until it plays.
check_playback() {
  wait_for "the player on the session bus (MPRIS)" 'test -n "$(mpris_property PlaybackStatus)"'
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.vantor /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player.OpenUri "string:$stream_url" || fail "MPRIS OpenUri"
  wait_for "PlaybackStatus Playing for $stream_url (it is \$(mpris_property PlaybackStatus))" playing
  log "plays $stream_url (MPRIS PlaybackStatus: Playing)"
}

# A second start: it must hand over and end by itself, with success.
second_start() {
  local name=$1
  shift
  local started=$SECONDS
  env "$@" "$program" >"$work/$name.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  while alive "$pid"; do
    [ $((SECONDS - started)) -lt "$WAIT_SECONDS" ] || fail "the second start ($name) did not end"
    sleep 0.2
  done
  wait "$pid" || fail "the second start ($name) ended with status $?"
}

# Counts the lines of the first copy's log that start with the text (after the category).
log_count() { grep -c -- "$1" "$work/first.log" || true; }
