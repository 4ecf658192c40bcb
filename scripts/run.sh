#!/usr/bin/env bash
# Sets up what is missing, builds, and opens the scoreboard.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
echo "run: opening the scoreboard"
exec build/default/bin/courtvane
