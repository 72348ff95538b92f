#!/usr/bin/env bash
# Installs what is needed, builds the release program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/zr40tool "$@"
