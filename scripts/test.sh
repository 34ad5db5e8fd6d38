#!/usr/bin/env bash
# Builds Moxtrel and runs its tests: `scripts/test.sh` for the default build,
# `scripts/test.sh asan` for the sanitizer build, `tsan` for the threading tests under
# ThreadSanitizer, or several names for several.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default)
for preset in "${presets[@]}"; do
  echo "== ${preset}: configure, build, test"
  cmake --workflow --preset "$preset"
done
