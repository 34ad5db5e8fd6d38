#!/usr/bin/env bash
# Builds the default preset's goal benchmarks and prints one line per goal: the two figures,
# their ratio (or the measured value), the goal and PASS or FAIL. Figures are CPU time, medians
# of interleaved repetitions. `scripts/bench.sh --quick` runs every goal once at a small size
# (the figures then mean nothing; CI uses it so the programs cannot rot).
set -euo pipefail
cd "$(dirname "$0")/.."
quick=()
repetitions=${MOXTREL_BENCH_REPETITIONS:-7}
if [ "${1:-}" = "--quick" ]; then
  quick=(--quick)
  repetitions=1
fi
cmake --preset default >/dev/null
cmake --build --preset default --target moxtrel_goals_bench moxtrel_pairs_bench -j2 >/dev/null
bin=build/default/bench/moxtrel_goals_bench
pairs=build/default/bench/moxtrel_pairs_bench
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Timed pairs: repeated and interleaved; the figure is the median.
"$bin" "${quick[@]}" --benchmark_filter='^(Goal[1-7]/|Goal10/|Goal9/LoadUsers/)' \
  --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only="$([ "$repetitions" -gt 1 ] && echo true || echo false)" \
  --benchmark_format=json --benchmark_out="$out/timed.json" --benchmark_out_format=json \
  >/dev/null
# Memory figures and the one large load: measured once.
"$bin" "${quick[@]}" --benchmark_filter='^(Goal8/|Goal9/LoadUsersLarge|Goal9/DirectoryHeap)' \
  --benchmark_format=json --benchmark_out="$out/once.json" --benchmark_out_format=json \
  >/dev/null

python3 - "$out/timed.json" "$out/once.json" "${quick[@]}" <<'PY'
import json, sys

runs = []
for path in sys.argv[1:3]:
    runs += json.load(open(path))["benchmarks"]
quick = "--quick" in sys.argv[3:]
scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}

def find(name):
    """The median (or only) run of benchmark `name` (its arguments included)."""
    best = None
    for r in runs:
        run = r.get("run_name", r["name"])
        base = run.split("/iterations:")[0].split("/repeats:")[0]
        if base != name:
            continue
        if r.get("aggregate_name") == "median":
            return r
        if r.get("run_type") == "iteration" and best is None:
            best = r
    if best is None:
        sys.exit("bench.sh: no result for " + name)
    return best

def cpu_ns(name):
    r = find(name)
    return r["cpu_time"] * scale[r["time_unit"]]

def show(ns):
    for unit, f in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= f:
            return "%.3g %s" % (ns / f, unit)
    return "%.3g ns" % ns

failed = 0
def line(goal, what, a, b, value, limit, shown):
    global failed
    ok = value <= limit
    failed += not ok
    print("%-4s %-52s %12s %12s %10s  goal <= %-8s %s" %
          (goal, what, a, b, shown, limit, "PASS" if ok else "FAIL"))

def ratio(goal, what, num, den, limit):
    a, b = cpu_ns(num), cpu_ns(den)
    line(goal, what, show(a), show(b), a / b, limit, "%.2fx" % (a / b))

def counter(goal, what, name, key, limit):
    v = find(name)[key]
    line(goal, what, "%.0f B" % v, "", v, limit, "%.0f B" % v)

small, big, k100, k10, k40 = (100, 1000, 100, 100, 100) if quick else (1000, 1000000, 100000, 10000, 40000)
m1 = 1000 if quick else 1000000
ratio("1", "first Users.Count vs provider walk, %d" % k100,
      "Goal1/UsersCount/%d" % k100, "Goal1/ProviderWalk/%d" % k100, 1.3)
for n in (small, big):
    ratio("2", "Item by key vs flat_hash_map, %d" % n,
          "Goal2/ItemByKey/%d" % n, "Goal2/FlatMapByKey/%d" % n, 1.5)
for n in (small, big):
    ratio("3", "Item by position vs vector, %d" % n,
          "Goal3/ItemByPosition/%d" % n, "Goal3/VectorByPosition/%d" % n, 1.5)
ratio("4", "late vs early get, field (Domain)", "Goal4/LateDomain", "Goal4/EarlyDomain", 3)
ratio("4", "late vs early get, directory (FullName)", "Goal4/LateFullName",
      "Goal4/EarlyFullName", 3)
ratio("5", "script For Each UserName vs dispatch walk, %d" % k100,
      "Goal5/ScriptWalk/%d" % k100, "Goal5/DispatchWalk/%d" % k100, 2)
l20 = 100 if quick else 20000
ratio("6", "array element loop vs scalar loop, %d" % l20,
      "Goal6/ArrayLoop/%d" % l20, "Goal6/ScalarLoop/%d" % l20, 2)
ratio("7", "NewJob tick, nothing new vs bare Refresh, %d jobs" % k10,
      "Goal7/WatchedTick/%d" % k10, "Goal7/BareRefresh/%d" % k10, 1.2)
counter("8", "heap bytes per listed member, %d" % k100, "Goal8/UsersHeap/%d" % k100,
        "bytes_per_member", 512)
counter("8", "heap bytes per listed member, %d" % (200 if quick else 1000000),
        "Goal8/UsersHeap/%d" % (200 if quick else 1000000), "bytes_per_member", 512)
small_us = cpu_ns("Goal9/LoadUsers/%d" % k10) / k10 / 1e3
large_us = cpu_ns("Goal9/LoadUsersLarge/%d" % m1) / m1 / 1e3
line("9", "seed load per user, %d" % k10, "%.2f us" % small_us, "", small_us, 3,
     "%.2f us" % small_us)
line("9", "seed load per user, %d" % m1, "%.2f us" % large_us, "", large_us, 3,
     "%.2f us" % large_us)
line("9", "seed load per user, %d vs %d (linear)" % (m1, k10), "%.2f us" % large_us,
     "%.2f us" % small_us, large_us / small_us, 1.5, "%.2fx" % (large_us / small_us))
counter("9", "directory bytes per user, %d" % k10, "Goal9/DirectoryHeap/%d" % k10,
        "bytes_per_user", 1024)
counter("9", "directory bytes per user, %d" % m1, "Goal9/DirectoryHeap/%d" % m1,
        "bytes_per_user", 1024)
ratio("10", "seed object of %d keys vs %d users" % (k40, k40),
      "Goal10/ManyKeys/%d" % k40, "Goal10/ManyUsers/%d" % k40, 2)
print("%d goal(s) missed" % failed if failed else "every goal met")
PY

# The pairs: the library against the platform's own tool, interleaved, medians taken.
"$pairs" "${quick[@]}" --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only="$([ "$repetitions" -gt 1 ] && echo true || echo false)" \
  --benchmark_format=json --benchmark_out="$out/pairs.json" --benchmark_out_format=json \
  >/dev/null
python3 scripts/bench_pairs.py "$out/pairs.json" "${quick[@]}"
