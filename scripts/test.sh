#!/usr/bin/env bash
# Installs what is missing for the tests, builds everything in Debug with warnings as errors and
# runs every test headless, as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
scripts/build.sh default
echo "test: running every test"
ctest --preset default
