"""Holds the low-pass filter of marker takes against scipy.

  lowpass_vs_scipy.py [--skip-if-missing] PROBE TAKE HZ [HZ...]

Runs lowpass_probe on TAKE at each cut-off and checks, marker by marker and
coordinate by coordinate, that every run of seen samples longer than the
padding equals scipy.signal.filtfilt(*butter(2, hz / (rate / 2)), run) within
1e-6 of the take's extent (its largest coordinate minus its smallest), that
shorter runs are left exactly as read and that dropouts stay dropouts.
Prints the largest difference found, relative to the extent.

Exit status 77 (skipped) when scipy cannot be imported, or with
--skip-if-missing when TAKE is absent.
"""

import os
import subprocess
import sys

SYSTEM_PYTHON = "/usr/bin/python3"
SKIPPED = 77
PADDING = 9
TOLERANCE = 1e-6

try:
    import numpy
    import scipy.signal
except ImportError:
    # The Python on PATH may lack scipy where the system's has it.
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    print("scipy is not available: skipped")
    sys.exit(SKIPPED)


class Take:
    """The probe's output: the rate, the filter, the report and, per marker,
    its name and its rows (None for a dropout, else read xyz and filtered xyz)."""

    def __init__(self, text):
        self.markers = []
        for line in text.splitlines():
            word, _, rest = line.partition(" ")
            if word == "rate":
                self.rate = int(rest)
            elif word == "filter":
                numbers = [float(v) for v in rest.split()]
                self.b, self.a = numbers[:3], numbers[3:]
            elif word == "report":
                self.report = tuple(int(v) for v in rest.split())
            elif word == "marker":
                self.markers.append((rest, []))
            elif word == "-":
                if rest:
                    raise ValueError(f"{self.markers[-1][0]}: a dropout became {rest}")
                self.markers[-1][1].append(None)
            else:
                if line.endswith("dropout"):
                    raise ValueError(f"{self.markers[-1][0]}: a seen sample became a dropout")
                values = [float(v) for v in line.split()]
                self.markers[-1][1].append((values[:3], values[3:]))

    def extent(self):
        seen = [v for _, rows in self.markers for row in rows if row for v in row[0]]
        return max(seen) - min(seen) if seen else 0.0


def runs(rows):
    """(first, length) of each run of seen samples."""
    first = None
    for i, row in enumerate(rows + [None]):
        if row is not None and first is None:
            first = i
        elif row is None and first is not None:
            yield first, i - first
            first = None


def compare(take, hz):
    """Problems found, and the largest difference relative to the extent."""
    problems = []
    b, a = scipy.signal.butter(2, hz / (take.rate / 2))
    if not numpy.allclose(take.b + take.a, list(b) + list(a), rtol=1e-12, atol=1e-15):
        problems.append(f"filter {take.b} {take.a}, scipy {list(b)} {list(a)}")
    extent = take.extent()
    worst = 0.0
    counted = [0, 0, 0]
    for name, rows in take.markers:
        for first, length in runs(rows):
            run = rows[first:first + length]
            if length <= PADDING:
                counted[1] += 1
                counted[2] += length
                if any(read != filtered for read, filtered in run):
                    problems.append(f"{name}: the short run at row {first} changed")
                continue
            counted[0] += 1
            for axis in range(3):
                expected = scipy.signal.filtfilt(b, a, [row[0][axis] for row in run])
                got = numpy.array([row[1][axis] for row in run])
                difference = float(numpy.max(numpy.abs(got - expected)))
                if not difference <= TOLERANCE * extent:
                    problems.append(f"{name}: axis {axis} of the run at row {first} is off by {difference}")
                if extent > 0:
                    worst = max(worst, difference / extent)
    if tuple(counted) != take.report:
        problems.append(f"reported {take.report}, counted {tuple(counted)}")
    return problems, worst


def main(arguments):
    skip_if_missing = arguments[:1] == ["--skip-if-missing"]
    if skip_if_missing:
        arguments = arguments[1:]
    probe, path, cutoffs = arguments[0], arguments[1], [float(hz) for hz in arguments[2:]]
    if skip_if_missing and not os.path.exists(path):
        print(f"{path} is absent: skipped")
        return SKIPPED
    failed = False
    for hz in cutoffs:
        output = subprocess.run([probe, path, str(hz)], check=True, capture_output=True, text=True).stdout
        take = Take(output)
        problems, worst = compare(take, hz)
        print(f"{os.path.basename(path)} at {hz:g} Hz (rate {take.rate}): {take.report[0]} runs filtered, "
              f"{take.report[1]} short; largest difference {worst:.3g} of the extent")
        for problem in problems[:20]:
            print("  " + problem)
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
