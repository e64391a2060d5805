"""Reading a long TRC file into NumPy against `tovfileio info` on it: time
and memory. A benchmark, not a test; run it on a quiet machine.

    cmake --build build/py --target tov_gen tovfileio tovfileio_python
    build/py/bench/tov_gen trc --markers 80 --rows 20000 /tmp/big.trc
    PYTHONPATH=build/py/python /usr/bin/python3 python/bench/read_vs_info.py /tmp/big.trc

Prints the best of --runs wall times of `tovfileio info FILE` (the whole
process), of tovfileio.read(FILE) in a running interpreter and of a whole
`python3 -c "tovfileio.read(FILE)"` process, and the memory the read took at
its peak (the process's peak resident set over the one before reading)
against the size of the array it gives.
"""
import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Run in a fresh interpreter: the peak resident set before and after the read.
MEASURE_READ = """
import resource, sys, time
import numpy, tovfileio
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
start = time.perf_counter()
take = tovfileio.read(sys.argv[1])
seconds = time.perf_counter() - start
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(seconds, (after - before) * 1024, take.positions.nbytes, take.positions.base is not None)
"""


def run_timed(command):
    """Wall seconds and peak resident bytes of a process."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} failed")
    return seconds, usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--program", default=os.path.join(ROOT, "build/py/tools/cli/tovfileio"))
    args = parser.parse_args()

    info = min(run_timed([args.program, "info", args.file])[0] for _ in range(args.runs))
    info_memory = run_timed([args.program, "info", args.file])[1]
    whole = min(run_timed([sys.executable, "-c", "import sys, tovfileio; tovfileio.read(sys.argv[1])",
                           args.file])[0] for _ in range(args.runs))
    reads = []
    for _ in range(args.runs):
        out = subprocess.run([sys.executable, "-c", MEASURE_READ, args.file], check=True,
                             capture_output=True, text=True).stdout.split()
        reads.append((float(out[0]), int(out[1]), int(out[2]), out[3] == "True"))
    read = min(r[0] for r in reads)
    grown = min(r[1] for r in reads)
    array = reads[0][2]
    mb = 1024 * 1024
    print(f"tovfileio info:               {info * 1000:8.1f} ms  (peak RSS {info_memory / mb:.1f} MB)")
    print(f"tovfileio.read, in process:   {read * 1000:8.1f} ms  = {read / info:.2f} x info")
    print(f"python3 -c tovfileio.read:    {whole * 1000:8.1f} ms  = {whole / info:.2f} x info "
          "(with the interpreter's start and NumPy's import)")
    print(f"array:                        {array / mb:8.1f} MB  (base set: {reads[0][3]})")
    print(f"memory the read took at peak: {grown / mb:8.1f} MB  = {grown / array:.2f} x the array")


if __name__ == "__main__":
    main()
