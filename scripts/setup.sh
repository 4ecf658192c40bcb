#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and its tests need, when any is missing.
# Safe to run again: it installs nothing when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build git
    qt6-base-dev qt6-multimedia-dev libgl-dev
    fonts-liberation2
    pulseaudio pulseaudio-utils libpulse-dev pkgconf
    xvfb xauth imagemagick sox
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "setup: all needed packages are installed."
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
