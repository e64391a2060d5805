"""tovfileio.batch.convert over an archive of every kind: on a Dask
LocalCluster that loses a worker mid-run, and on local processes; every
output compared with what `tovfileio convert` writes."""
import json
import os
import signal
import subprocess
import threading
import time
from pathlib import Path

import numpy as np
import pytest

import tovfileio
import tovfileio.batch as batch

CORPUS = Path("../shared/corpus")
PROGRAM = os.environ.get("TOVFILEIO_PROGRAM")


def _archive(folder: Path, copies: int) -> list[str]:
    """Sources of distinct stems: the corpus and the samples again and again
    under numbered names, and a few long generated takes among them."""
    kinds = ("*.htr", "*.trc", "*.c3d", "*.bvh")
    files = sorted(p for kind in kinds for p in list(CORPUS.glob("*/" + kind)) + list(Path("samples").glob(kind)))
    folder.mkdir()
    sources = []
    rng = np.random.default_rng(7)
    for i in range(4):
        positions = rng.normal(0.0, 500.0, (12000, 40, 3))
        long_take = folder / f"long{i}.trc"
        tovfileio.write(long_take, tovfileio.Markers(positions, [f"M{m}" for m in range(40)], rate=120))
        sources.append(str(long_take))
    for i in range(copies):
        original = files[i % len(files)]
        link = folder / f"{i:03d}-{original.name}"
        link.symlink_to(original.resolve())
        sources.append(str(link))
    return sources


def _command_line_batch(sources: list[str], folder: Path) -> list[dict]:
    """What `tovfileio convert --batch` writes of the same sources, and its
    report."""
    report = folder.parent / "cli-report.jsonl"
    subprocess.run([PROGRAM, "convert", "--batch", "--to", "c3d", "--jobs", "2", "-o", str(folder),
                    "--report", str(report), *sources], capture_output=True)
    return [json.loads(line) for line in report.read_text().splitlines()]


def _steady(line: dict) -> dict:
    """A report line without what differs from run to run."""
    return {k: (os.path.basename(v) if k == "output" else v)
            for k, v in line.items() if k != "seconds"}


@pytest.mark.skipif(not CORPUS.is_dir() or PROGRAM is None,
                    reason="needs ../shared/corpus and TOVFILEIO_PROGRAM")
def test_cluster_losing_a_worker_writes_what_the_command_line_writes(tmp_path):
    distributed = pytest.importorskip("distributed")
    sources = _archive(tmp_path / "archive", 240)
    out = tmp_path / "out"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        pids = list(client.run(os.getpid).values())
        killed = []

        def kill_when_under_way():
            # A worker is killed once a sixth of the outputs are there.
            while len(killed) == 0:
                if out.is_dir() and len(os.listdir(out)) >= len(sources) // 6:
                    os.kill(pids[0], signal.SIGKILL)
                    killed.append(pids[0])
                time.sleep(0.01)

        watcher = threading.Thread(target=kill_when_under_way, daemon=True)
        watcher.start()
        report = batch.convert(sources, out, "c3d", client=client, progress=False)
        watcher.join(timeout=1)
    assert killed, "the batch ended before a worker could be killed"

    assert [line["source"] for line in report] == sources
    assert [json.loads(l) for l in (out / batch.REPORT_NAME).read_text().splitlines()] == report
    converted = {line["output"] for line in report if line["status"] == "converted"}
    assert {line["status"] for line in report} <= {"converted", "refused"}
    assert len(converted) > len(sources) // 2
    # Nothing half-written or hidden in the folder, nothing left beside it.
    assert set(os.listdir(out)) == {os.path.basename(o) for o in converted} | {batch.REPORT_NAME}
    assert not [name for name in os.listdir(tmp_path) if name.startswith(".")]
    # Every output as `tovfileio convert` writes it, and the same report.
    cli = _command_line_batch(sources, tmp_path / "cli")
    assert [_steady(l) for l in cli] == [_steady(l) for l in report]
    for output in converted:
        assert Path(output).read_bytes() == (tmp_path / "cli" / os.path.basename(output)).read_bytes()

    # The same batch on local processes: the same files and report.
    local = tmp_path / "local"
    again = batch.convert(sources, local, "c3d", workers=2, progress=False)
    assert [_steady(l) for l in again] == [_steady(l) for l in report]
    for output in converted:
        assert (local / os.path.basename(output)).read_bytes() == Path(output).read_bytes()

    # A second run converts only what has no output yet.
    resumed = batch.convert(sources, local, "c3d", workers=2, progress=False)
    assert [l["status"] for l in resumed] == [
        "skipped" if l["status"] == "converted" else l["status"] for l in report]


def test_sources_of_one_stem_are_refused_before_anything_runs(tmp_path):
    (tmp_path / "a").mkdir()
    (tmp_path / "b").mkdir()
    for folder in ("a", "b"):
        (tmp_path / folder / "walk.trc").write_bytes(Path("samples/walk.trc").read_bytes())
    with pytest.raises(ValueError, match="walk.c3d"):
        batch.convert([tmp_path / "a/walk.trc", tmp_path / "b/walk.trc"], tmp_path / "out", "c3d")
    assert not (tmp_path / "out").exists()
    with pytest.raises(ValueError, match="unknown format"):
        batch.convert([tmp_path / "a/walk.trc"], tmp_path / "out", "xyz")
