#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run the workbench.
# Safe to run repeatedly: it only calls apt-get when something is missing.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config make
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-base-dev-tools
  libxml2-dev libpng-dev zlib1g-dev libsimpleini-dev libxy-dev libcminpack-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core fonts-liberation
  clang-format
  desktop-file-utils appstream dpkg-dev file shared-mime-info man-db
  # gnuplot for the map export: its X11 build has the png and the screen terminals
  gnuplot-x11
  # the Python module and its tests
  pybind11-dev python3-dev python3-numpy python3-pytest
)
if [ "${WITH_FUZZ:-0}" = 1 ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
# The peers that scripts/bench-vs-python.sh times the batch tool against.
if [ "${WITH_PEERS:-0}" = 1 ]; then
  PACKAGES+=(python3-numpy python3-xrayutilities)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "error: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
