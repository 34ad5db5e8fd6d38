#!/usr/bin/env bash
# Builds the moxtrel script host and runs the tour of the sample directory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default
# The program's target is moxtrel_host (the library already owns the name moxtrel); the
# binary it builds is called moxtrel.
cmake --build --preset default --target moxtrel_host
build/default/tools/moxtrel/moxtrel examples/scripts/tour.mox
