"""Holds the spline gap fill against scipy.interpolate.CubicSpline.

Runs `gapfill_probe fill spline TAKE`, and for every gap it filled fits
scipy's CubicSpline (not-a-knot, its default) through the nearest seen
samples around the gap, up to ten on each side, over the row index, and
checks that the fill equals the spline within 1e-9 of the take's extent.

usage: gapfill_vs_scipy.py [--skip-if-missing] PROBE TAKE
Exit status 77 (skipped) when scipy cannot be imported, or with
--skip-if-missing when TAKE is not there.
"""
import os
import subprocess
import sys

CONTEXT = 10


def parse(text):
    """Marker by marker: the seen samples {row: xyz} and the filled gaps
    [(first, length, method, {row: xyz})]."""
    markers = []
    for line in text.splitlines():
        fields = line.split()
        if fields[0] == "marker":
            markers.append(({}, []))
        elif fields[0] == "seen":
            markers[-1][0][int(fields[1])] = [float(v) for v in fields[2:5]]
        elif fields[0] == "gap":
            markers[-1][1].append((int(fields[1]), int(fields[2]), fields[3], {}))
        elif fields[0] == "filled":
            markers[-1][1][-1][3][int(fields[1])] = [float(v) for v in fields[2:5]]
    return markers


def knots(seen, first, length):
    before = sorted(row for row in seen if row < first)[-CONTEXT:]
    after = sorted(row for row in seen if row >= first + length)[:CONTEXT]
    return before + after


def main(argv):
    skip_if_missing = "--skip-if-missing" in argv
    argv = [a for a in argv if a != "--skip-if-missing"]
    probe, take = argv
    try:
        import numpy as np
        from scipy.interpolate import CubicSpline
    except ImportError as error:
        print(f"skipped: {error}")
        return 77
    if skip_if_missing and not os.path.exists(take):
        print(f"skipped: {take} is not there")
        return 77

    out = subprocess.run([probe, "fill", "spline", take], check=True, capture_output=True, text=True).stdout
    markers = parse(out)
    points = np.array([xyz for seen, _ in markers for xyz in seen.values()])
    extent = float(np.max(points.max(axis=0) - points.min(axis=0)))
    tolerance = 1e-9 * extent

    failures, gaps, sizes = 0, 0, set()
    for index, (seen, filled) in enumerate(markers):
        for first, length, method, rows in filled:
            gaps += 1
            x = knots(seen, first, length)
            sizes.add(len(x))
            if method != "spline" or sorted(rows) != list(range(first, first + length)):
                print(f"marker {index} gap {first}+{length}: filled by {method}, rows {sorted(rows)}")
                failures += 1
                continue
            spline = CubicSpline(np.array(x, dtype=float), np.array([seen[r] for r in x]))
            want = spline(np.arange(first, first + length, dtype=float))
            got = np.array([rows[r] for r in range(first, first + length)])
            worst = float(np.max(np.abs(want - got)))
            if worst > tolerance:
                print(f"marker {index} gap {first}+{length} ({len(x)} knots): off by {worst:g}")
                failures += 1
    print(f"{gaps} gaps, knots per gap {sorted(sizes)}, extent {extent:g}, {failures} off")
    if gaps == 0 or not {2, 3, 4} <= sizes:
        print("the probe cut too few kinds of gap")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
