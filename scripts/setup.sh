#!/usr/bin/env bash
# Installs the Debian packages that are missing: `setup.sh run` for building and running the
# program, `setup.sh test` for its tests as well, `setup.sh bench` also for the benchmark scripts in
# bench/. Safe to run again: it installs nothing when nothing is missing, and it never removes a
# package (apt-get --no-remove).
set -euo pipefail

# What the program needs at run time beyond the libraries it links: the platform plugin that opens
# its windows and the fonts its labels ask for.
run_packages=(qt6-qpa-plugins fonts-liberation2)
# What building it needs, with Qt's HTTP server and WebSockets for the built-in server and the QR
# code library for its remote's address.
build_packages=(build-essential cmake ninja-build pkgconf qt6-base-dev libpulse-dev qt6-httpserver-dev qt6-websockets-dev
    libqrencode-dev)
# What the tests need: the sound server's tools, the desktop's checkers of the desktop entry and
# the metainfo, Qt's private headers, through which the accessibility test listens as a screen
# reader would, and a browser the server's pages are tested in.
test_packages=(pulseaudio-utils desktop-file-utils appstream qt6-base-private-dev chromium)
# The sound server that the sound tests start for themselves. It conflicts with PipeWire's audio
# packages (a GNOME desktop's sound), so it is installed only where that removes nothing;
# elsewhere the sound tests skip and say why.
sound_test_packages=(pulseaudio)
# What the benchmark scripts drive the program with: an X server of their own and a window
# manager, key presses and clicks, the server's key repeat, screenshots and their comparison; the
# screen reader that speaks the board, with the speech server, the accessibility bus and a private
# session bus it runs on.
bench_packages=(xvfb openbox xdotool x11-xserver-utils imagemagick orca speech-dispatcher at-spi2-core dbus-daemon)

mode=${1:-run}
case $mode in
run)
    wanted=("${run_packages[@]}" "${build_packages[@]}")
    optional=()
    ;;
test)
    wanted=("${run_packages[@]}" "${build_packages[@]}" "${test_packages[@]}")
    optional=("${sound_test_packages[@]}")
    ;;
bench)
    wanted=("${run_packages[@]}" "${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}")
    optional=("${sound_test_packages[@]}")
    ;;
*)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac

missing_of() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$package"
        fi
    done
}
# Whether apt would have to remove a package to install these, from a simulated install (which
# needs no root).
would_remove() {
    [[ $(LC_ALL=C apt-get install --simulate --no-remove "$@" 2>&1) == *"remove is disabled"* ]]
}

mapfile -t needed < <(missing_of "${wanted[@]}")
mapfile -t wished < <(missing_of "${optional[@]}")
if ((${#needed[@]} + ${#wished[@]} == 0)); then
    echo "setup: every package for '$mode' is installed."
    exit 0
fi

sudo=()
can_install=yes
if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        can_install=no
    fi
fi

if [[ $can_install == yes ]]; then
    echo "setup: updating the package lists"
    "${sudo[@]}" apt-get update -qq
fi
if ((${#wished[@]} > 0)); then
    if would_remove "${wished[@]}"; then
        echo "setup: leaving out ${wished[*]}: installing it would remove packages of this desktop" \
            "(PipeWire's audio), so the sound tests will skip"
    else
        needed+=("${wished[@]}")
    fi
fi
if ((${#needed[@]} == 0)); then
    exit 0
fi
if [[ $can_install == no ]]; then
    echo "setup: no sudo here; as root, run: apt-get update && apt-get install --no-remove ${needed[*]}"
    # With only the sound server missing every other test can still run.
    [[ ${needed[*]} == "${wished[*]}" ]] && exit 0
    exit 1
fi
echo "setup: installing ${needed[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-remove "${needed[@]}"
