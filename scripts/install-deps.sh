#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the
# Lumidot tools needs. Does nothing when all of them are already there.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libgl-dev
  libsimpleini-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang-14 libclang-rt-14-dev
  fonts-liberation xvfb xauth netcat-openbsd
  python3
  chromium
)
# Extra packages a caller may ask for (for example the browser tests).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
