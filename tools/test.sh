#!/usr/bin/env bash
# Sets up everything, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh default
ctest --preset default -j2
