#!/usr/bin/env bash
# Installs what is needed, builds the release program and starts it: the desktop window, or,
# on a machine without a display (no DISPLAY or WAYLAND_DISPLAY), the headless service.
# Arguments go to the program (for example --headless, --screenshots DIR, --version).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/zr40tool "$@"
