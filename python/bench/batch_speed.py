"""Files and bytes a second for one batch of files converted to C3D: on a
Dask LocalCluster of 1 and 2 worker processes, on a local pool of 2
processes without Dask, and by `tovfileio convert --batch --jobs 2`; and the
cluster's own cost a file (a task that converts nothing, timed the same way).

    PYTHONPATH=build/dev/python TOVFILEIO_PROGRAM=build/dev/tools/cli/tovfileio \
        /usr/bin/python3 python/bench/batch_speed.py [COPIES]

The batch is the corpus (../shared/corpus) and the samples again and again
under numbered names, COPIES files in all (default 300).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import distributed

import tovfileio.batch as batch

COPIES = int(sys.argv[1]) if len(sys.argv) > 1 else 300
PROGRAM = os.environ.get("TOVFILEIO_PROGRAM", "build/dev/tools/cli/tovfileio")


def archive(folder: Path) -> list[str]:
    kinds = ("*.htr", "*.trc", "*.c3d", "*.bvh")
    files = sorted(p for k in kinds for p in list(Path("../shared/corpus").glob("*/" + k)) + list(Path("samples").glob(k)))
    folder.mkdir()
    sources = []
    for i in range(COPIES):
        link = folder / f"{i:04d}-{files[i % len(files)].name}"
        link.symlink_to(files[i % len(files)].resolve())
        sources.append(str(link))
    return sources


def nothing(_):
    return None


def row(name: str, seconds: float, files: int, size: int) -> None:
    print(f"{name:34} {seconds:7.2f} s {files / seconds:8.1f} files/s {size / seconds / 2**20:7.1f} MB/s")


def main() -> None:
    scratch = Path(tempfile.mkdtemp())
    try:
        sources = archive(scratch / "in")
        size = sum(os.path.getsize(s) for s in sources)
        print(f"{len(sources)} files, {size / 2**20:.1f} MB")
        for workers in (1, 2):
            with distributed.LocalCluster(n_workers=workers, threads_per_worker=1,
                                          dashboard_address=None) as cluster, \
                    distributed.Client(cluster) as client:
                out = scratch / f"dask{workers}"
                start = time.perf_counter()
                batch.convert(sources, out, "c3d", client=client, progress=False)
                row(f"Dask LocalCluster, {workers} worker(s)", time.perf_counter() - start, len(sources), size)
                start = time.perf_counter()
                client.gather(client.map(nothing, sources, pure=False))
                overhead = (time.perf_counter() - start) / len(sources)
                print(f"{'':34} the cluster's own cost: {overhead * 1000:.2f} ms a task")
        start = time.perf_counter()
        batch.convert(sources, scratch / "pool", "c3d", workers=2, progress=False)
        row("local pool, 2 processes", time.perf_counter() - start, len(sources), size)
        start = time.perf_counter()
        subprocess.run([PROGRAM, "convert", "--batch", "--to", "c3d", "--jobs", "2", "-o",
                        str(scratch / "cli"), *sources], capture_output=True)
        row("tovfileio convert --batch --jobs 2", time.perf_counter() - start, len(sources), size)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
