"""Threads: reads, writes and conversions run at once give what they give
one at a time, and a read leaves the interpreter free while it runs."""
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import tovfileio
from conftest import SAMPLES


@pytest.fixture(scope="module")
def long_take(tmp_path_factory):
    """A TRC file long enough to read for a good part of a second."""
    rng = np.random.default_rng(3)
    take = tovfileio.Markers(rng.normal(0, 500, (30000, 30, 3)), [f"M{i}" for i in range(30)])
    path = tmp_path_factory.mktemp("long") / "long.trc"
    tovfileio.write(path, take)
    return path, take.positions


def test_the_interpreter_runs_while_a_file_is_read(long_take):
    path, _ = long_take
    times = {}
    reading = threading.Event()

    def reader():
        reading.set()
        times["start"] = time.perf_counter()
        tovfileio.read(path)
        times["end"] = time.perf_counter()

    thread = threading.Thread(target=reader)
    thread.start()
    reading.wait()
    seen = None
    while thread.is_alive():
        if seen is None and "start" in times:
            seen = time.perf_counter()
    thread.join()
    # With the lock held through the read this thread would first run after it.
    assert seen is not None and seen < times["start"] + (times["end"] - times["start"]) / 2


def test_reads_writes_and_conversions_at_once(long_take, tmp_path):
    path, positions = long_take
    sources = [SAMPLES / "walk.trc", SAMPLES / "walk.htr", path] * 4

    def arrays(take):
        return take.positions if isinstance(take, tovfileio.Markers) else take.motion

    alone = [arrays(tovfileio.read(s)) for s in sources[:3]]
    with ThreadPoolExecutor(4) as pool:
        read = list(pool.map(lambda s: arrays(tovfileio.read(s)), sources))
        written = list(pool.map(
            lambda i: tovfileio.convert(sources[i], tmp_path / f"{i}.csv"), range(len(sources))))
    for i, got in enumerate(read):
        np.testing.assert_array_equal(got, alone[i % 3])
    np.testing.assert_array_equal(read[2], positions)
    for i in range(3, len(sources)):
        assert (tmp_path / f"{i}.csv").read_bytes() == (tmp_path / f"{i % 3}.csv").read_bytes()
    assert all(w.frames > 0 for w in written)
