#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Vard need.
# Runs apt-get only when something is missing; uses sudo when not root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-translations-l10n qt6-svg-dev
  dpkg-dev file appstream desktop-file-utils dbus poppler-utils
  libgl-dev libqpid-proton-cpp12-dev
  rabbitmq-server python3-qpid-proton
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
