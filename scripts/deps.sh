#!/usr/bin/env bash
# Installs the Debian packages Mnemora builds and tests with, when any is
# missing. Sourced by run.sh and test.sh.
set -euo pipefail

MNEMORA_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite
  libgsf-1-dev libzip-dev libxml2-dev libxcb1-dev
  libfreexl-dev python3-xlrd
  fonts-dejavu-core
  desktop-file-utils
)

mnemora_install_deps() {
  local missing=()
  local pkg
  for pkg in "${MNEMORA_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
