#!/usr/bin/env bash
# Builds and runs the whole test suite headless; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
export VANTOR_AUDIO_SINK="${VANTOR_AUDIO_SINK:-fakesink sync=true}"
# Tests speak only to loopback servers: no desktop proxy lookups.
export GIO_USE_PROXY_RESOLVER=dummy no_proxy="127.0.0.1,localhost"
# A private session bus, so tests never touch the user's desktop session.
exec dbus-run-session -- ctest --test-dir build --output-on-failure -j 2 "$@"
