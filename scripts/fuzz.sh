#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan and UBSan) and runs each fuzz target for a
# bounded time, starting from its committed corpus. Exits non-zero when a target crashes; the
# crashing input is left in build/fuzz/findings/<target>/ to be added to the corpus once fixed.
#
#   scripts/fuzz.sh          # 60 seconds per target
#   scripts/fuzz.sh 300      # 5 minutes per target
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target \
  moxtrel_fuzz_script moxtrel_fuzz_seed moxtrel_fuzz_path moxtrel_fuzz_dispatch moxtrel_fuzz_config

status=0
for target in script seed path dispatch config; do
  work="build/fuzz/work/$target"      # inputs found this run; the committed corpus stays small
  findings="build/fuzz/findings/$target"
  mkdir -p "$work" "$findings"
  echo "fuzz: $target for ${seconds}s"
  if ! ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
       UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
       "build/fuzz/tests/fuzz/moxtrel_fuzz_$target" "$work" "tests/fuzz/corpus/$target" \
       -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
       -artifact_prefix="$findings/" -print_final_stats=1 >"build/fuzz/$target.log" 2>&1; then
    echo "fuzz: $target FAILED; see build/fuzz/$target.log and $findings/" >&2
    tail -n 40 "build/fuzz/$target.log" >&2
    status=1
  fi
done
exit $status
