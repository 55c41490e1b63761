#!/usr/bin/env bash
# Installs what is missing, configures and builds into build/ (the program folder is
# build/vantor-radio/). VANTOR_WERROR=ON makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
cmake -S . -B build -G Ninja -DVANTOR_WERROR="${VANTOR_WERROR:-OFF}" >/dev/null
cmake --build build -j "$(nproc)"
