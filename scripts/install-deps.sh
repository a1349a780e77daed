#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantorix need.
# Only what is missing is installed; a machine that has everything is left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev libqt6svg6
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libx11-dev
  xvfb xauth xdotool x11-utils imagemagick
  # "Courier" maps to Nimbus Mono PS where the URW fonts are installed, as on most
  # desktops: the narrowest face, so the tests run against it too.
  fonts-dejavu-core fonts-liberation fonts-urw-base35
  # the edit journal's checksum
  zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
