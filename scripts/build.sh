#!/usr/bin/env bash
# Configures and builds the Release tree in build/release (all targets, or the ones named).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)" ${1:+--target "$@"}
