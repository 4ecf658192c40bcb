#!/usr/bin/env bash
# Configures and builds with a CMake preset: `run` (the program alone, Release) or `default`
# (program, tests and benchmark, Debug with warnings as errors).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
echo "build: configuring (build/$preset)"
cmake --preset "$preset"
echo "build: compiling"
cmake --build --preset "$preset"
