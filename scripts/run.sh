#!/usr/bin/env bash
# Installs what is missing for the program, builds it alone in Release and opens the scoreboard.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
scripts/build.sh run
echo "run: opening the scoreboard"
exec build/run/bin/courtvane
