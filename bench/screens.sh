#!/usr/bin/env bash
# Pictures of the board at 632x453, 1920x1080 and 3840x2160 (board-WxH.png), grabbed from the
# widget itself on the offscreen platform, so that two builds' pictures can be compared pixel by
# pixel: compare -metric AE before/board-1920x1080.png after/board-1920x1080.png null:
#
#   bench/screens.sh FOLDER [BENCH_PAINT]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:?usage: $0 FOLDER [BENCH_PAINT]}
grabber=${2:-$root/build/release/bin/bench_paint}
[[ -x $grabber ]] || { echo "screens: no executable '$grabber'" >&2; exit 2; }
mkdir -p "$folder"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)} "$grabber" --grab "$folder"
