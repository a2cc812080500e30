#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building, running and testing the game
# need, and only those that are missing. Extra package names may be given as
# arguments (the screenshot script adds Xvfb and its tools).
set -euo pipefail

packages=(
    cmake make g++ pkgconf
    qt6-base-dev qt6-5compat-dev libxcb1-dev
    libjpeg62-turbo-dev
    libgtest-dev libbenchmark-dev
    fonts-ipafont-gothic
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
