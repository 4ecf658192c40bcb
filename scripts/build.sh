#!/usr/bin/env bash
# Configures and builds the program and its tests (debug build, warnings as errors).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "build: configuring (build/default)"
cmake --preset default
echo "build: compiling"
cmake --build --preset default
