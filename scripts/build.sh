#!/usr/bin/env bash
# Configures and builds with a CMake preset: `run` (the program alone, Release) or `default`
# (program, tests and benchmark, Debug with warnings as errors).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
echo "build: configuring (build/$preset)"
cmake --preset "$preset"
# One compile per core: Ninja's own default starts two more, which on a small machine leaves the
# desktop (and a board running beside the build) without a core.
jobs=$(nproc)
echo "build: compiling with $jobs jobs"
cmake --build --preset "$preset" --parallel "$jobs"
