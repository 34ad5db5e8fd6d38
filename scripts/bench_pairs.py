#!/usr/bin/env python3
"""Prints the paired benchmarks of bench/pairs: for every `Pair<N>/<what>/Library` and its
`Pair<N>/<what>/Native`, the ratio of each figure both sides report against the goal the
Library side carries, with PASS or FAIL. Usage: bench_pairs.py RESULTS.json [--quick]"""
import json
import sys

text = open(sys.argv[1]).read()
runs = json.loads(text)["benchmarks"] if text.strip() else []
quick = "--quick" in sys.argv[2:]


def base_name(r):
    name = r.get("run_name", r["name"])
    return name.split("/iterations:")[0].split("/repeats:")[0].split("/manual_time")[0]


# A side that ended in an error has no figures: it is reported, never passed over.
errors = {}
for r in runs:
    if r.get("error_occurred"):
        errors.setdefault(base_name(r), r.get("error_message", "failed"))

# The median of each side, or its only run when not repeated.
sides = {}
for r in runs:
    if r.get("error_occurred"):
        continue
    name = base_name(r)
    if r.get("aggregate_name") == "median" or (r.get("run_type") == "iteration"
                                               and name not in sides):
        sides[name] = r


def show_s(s):
    for unit, f in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if s >= f:
            return "%.3g %s" % (s / f, unit)
    return "%.3g ns" % (s * 1e9)


failed = 0


def line(pair, what, a, b, shown, ok, goal):
    global failed
    failed += not ok
    print("P%-3s %-58s %11s %11s %9s  goal %-10s %s" %
          (pair, what, a, b, shown, goal, "PASS" if ok else "FAIL"))


pairs = sorted({n.rsplit("/", 1)[0] for n in list(sides) + list(errors)
                if n.endswith(("/Library", "/Native"))},
               key=lambda n: (int(n.split("/")[0][4:]), n))
if not pairs:
    print("no pairs were measured")
for key in pairs:
    number, what = key.split("/")[0][4:], "/".join(key.split("/")[1:])
    broken = [(side, errors[key + "/" + side]) for side in ("Library", "Native")
              if key + "/" + side in errors]
    for side, message in broken:
        line(number, "%s, %s side: %s" % (what, side, message), "", "", "", False, "to run")
    if broken or key + "/Library" not in sides:
        continue
    lib, native = sides[key + "/Library"], sides.get(key + "/Native")
    goal = lib.get("goal", 0)
    for figure, label in (("client_cpu_s", "client CPU"), ("wall_s", "wall"),
                          ("server_cpu_s", "server CPU")):
        if native is None or figure not in lib or figure not in native or goal <= 0:
            continue
        a, b = lib[figure], native[figure]
        r = a / b if b > 0 else float("inf")
        line(number, "%s, %s" % (what, label), show_s(a), show_s(b), "%.2fx" % r, r <= goal,
             "<= %gx" % goal)
    if "goal_requests" in lib and "requests" in lib:
        v, g = lib["requests"], lib["goal_requests"]
        line(number, "%s, requests" % what, "%.0f" % v,
             "%.0f" % native["requests"] if native and "requests" in native else "", "%.0f" % v,
             v <= g, "<= %.0f" % g)
    if "goal_peak_bytes" in lib and "peak_bytes" in lib:
        v, g = lib["peak_bytes"], lib["goal_peak_bytes"]
        line(number, "%s, peak memory" % what, "%.0f KiB" % (v / 1024), "",
             "%.0f KiB" % (v / 1024), v <= g, "<= %.0f KiB" % (g / 1024))
# A floor (`Pair<N>/<what>/Floor...`) is what the rules alone cost, shown against the pair's
# native side so that a missed goal can be read against it; it never passes or fails.
for name in sorted(sides):
    number, _, rest = name.partition("/")
    what, _, side = rest.rpartition("/")
    native = sides.get("%s/%s/Native" % (number, what))
    a = sides[name].get("client_cpu_s")
    if not side.startswith("Floor") or native is None or a is None:
        continue
    b = native.get("client_cpu_s", 0)
    if b > 0:
        print("P%-3s %-58s %11s %11s %9s  (a floor, not a goal)" %
              (number[4:], "%s, %s, client CPU" % (what, side), show_s(a), show_s(b),
               "%.2fx" % (a / b)))
print("%d pair goal(s) missed" % failed if failed else "every pair goal met")
if errors:
    print("%d benchmark(s) ended in an error" % len(errors))
if quick:
    print("(quick mode: sizes are small and the figures mean nothing)")
sys.exit(1 if errors else 0)
