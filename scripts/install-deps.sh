#!/usr/bin/env bash
# Installs every Debian package that building, testing, fuzzing and benchmarking need, the
# Windows cross build and Wine included.
# Idempotent: when everything is present it prints nothing and touches nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev libicu-dev libssl-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-wqy-microhei
  xvfb xauth iproute2 procps
  mingw-w64 wine wine64 fonts-wine nsis wixl msitools osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
