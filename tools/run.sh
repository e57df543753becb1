#!/usr/bin/env bash
# Sets up everything, builds, and starts Vard. Without arguments it runs against the
# simulated machine (4QTR); pass other options of the program instead, e.g.
# `tools/run.sh --simulate 362.10`, or `tools/run.sh --real` for the serial ports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh default --target vard vard-sim
if [ $# -eq 0 ]; then
  set -- --simulate
elif [ "$1" = "--real" ]; then
  shift
fi
exec ./build/vard "$@"
