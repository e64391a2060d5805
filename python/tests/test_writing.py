"""Writing: every written format read back (or parsed, for CSV) to the
values given, positions made here rather than read, and what the writers
refuse."""
import csv
import errno
import os

import numpy as np
import pytest

import tovfileio
from conftest import SAMPLES


def made_markers():
    """Markers of awkward values and dropouts, made without any reader."""
    rng = np.random.default_rng(7)
    positions = rng.normal(0, 800, (50, 4, 3))
    positions[3:9, 1] = np.nan
    positions[0, 3] = np.nan
    positions[10, 2] = [1e-300, -0.0, 123456789.123456789]
    return tovfileio.Markers(positions, ["A", "B,comma", "C", "D"], rate=120, units="m",
                             first_frame=5)


# (format, what must hold back: "exact" bit for bit, "single" as 32-bit
# floats, "fixed6" as printf's "%.6f" gives them; up axis the format reads as)
ROUND_TRIPS = [("trc", "exact", "y"), ("gwm", "fixed6", "z"), ("c3d", "single", "z")]


@pytest.mark.parametrize("format, precision, up", ROUND_TRIPS, ids=[r[0] for r in ROUND_TRIPS])
def test_markers_read_back_as_written(format, precision, up, tmp_path):
    given = made_markers()
    if format == "gwm":  # GWM names are split at blanks and hold no units
        given.names[1] = "B"
        given.units = "mm"
    tovfileio.write(tmp_path / f"take.{format}", given)
    back = tovfileio.read(tmp_path / f"take.{format}")
    expected, got = given.positions, back.positions
    if precision == "single":
        expected, got = expected.astype(np.float32), got.astype(np.float32)
    if precision == "fixed6":
        expected = np.vectorize(lambda v: float(f"{v:.6f}"))(expected)
    np.testing.assert_array_equal(got, expected)
    assert back.names == given.names and back.up == up
    assert (back.rate, back.first_frame) == (given.rate, given.first_frame)
    if format != "gwm":
        assert back.units == given.units


def test_markers_as_csv(tmp_path):
    given = made_markers()
    tovfileio.write(tmp_path / "take.csv", given)
    with open(tmp_path / "take.csv", newline="") as file:
        rows = list(csv.reader(file))
    assert rows[0] == ["frame", "time_s", "name", "x_m", "y_m", "z_m"]
    assert len(rows) == 1 + given.frames * 4
    for i, row in enumerate(rows[1:]):
        f, m = divmod(i, 4)
        assert int(row[0]) == f + 5 and row[2] == given.names[m]
        values = [float(v) if v else np.nan for v in row[3:]]
        np.testing.assert_array_equal(values, given.positions[f, m])


def test_skeletons_read_back_as_written(tmp_path):
    skeleton = tovfileio.read(SAMPLES / "walk.htr")
    tovfileio.write(tmp_path / "walk.htr", skeleton)
    again = tovfileio.read(tmp_path / "walk.htr")
    for field in ("parents", "roots", "segment_frames"):
        np.testing.assert_array_equal(getattr(again, field), getattr(skeleton, field))
    np.testing.assert_allclose(again.base, skeleton.base, atol=1e-6)
    np.testing.assert_allclose(again.motion, skeleton.motion, atol=1e-6)
    # BVH holds each joint's whole rotation: joints stand where they stood.
    notes = tovfileio.write(tmp_path / "walk.bvh", skeleton)
    assert set(notes) == {"joints_with_positions", "scale_dropped"}
    bvh = tovfileio.read(tmp_path / "walk.bvh")
    size = np.ptp(skeleton.world_positions().reshape(-1, 3), axis=0).max()
    np.testing.assert_allclose(bvh.world_positions(), skeleton.world_positions(), atol=1e-5 * size)


def test_a_skeleton_made_in_python(tmp_path):
    # Two segments, the child 100 along Y and turned 90 degrees about Z at frame 1.
    motion = np.zeros((2, 2, 7))
    motion[:, :, 6] = 1
    motion[1, 0, 5] = np.pi / 2
    made = tovfileio.Skeleton(["Root", "Tip"], [-1, 0],
                              [[0, 0, 0, 0, 0, 0, 100], [0, 100, 0, 0, 0, 0, 10]], motion)
    world = made.world_positions()
    np.testing.assert_allclose(world[0, 1], [0, 100, 0], atol=1e-9)
    np.testing.assert_allclose(np.linalg.norm(world[1, 1]), 100)
    assert not np.allclose(world[1, 1], world[0, 1])
    tovfileio.write(tmp_path / "made.htr", made)
    np.testing.assert_allclose(tovfileio.read(tmp_path / "made.htr").world_positions(), world,
                               atol=1e-4)


def test_what_writing_refuses(tmp_path):
    markers, skeleton = made_markers(), tovfileio.read(SAMPLES / "walk.htr")
    cases = [
        (tmp_path / "take.htr", markers, "cannot be written as htr"),
        (tmp_path / "take.trc", skeleton, "cannot be written as trc"),
        (tmp_path / "take.dat", markers, "gives no format"),
        (tmp_path / "take.trc",
         tovfileio.Markers(np.zeros((1, 2, 3)), ["A", "A"]), "used twice"),
        (tmp_path / "take.htr",
         tovfileio.Skeleton(["A"], [3], np.zeros((1, 7)), np.zeros((0, 1, 7))), "no segment"),
    ]
    for path, data, words in cases:
        with pytest.raises(ValueError, match=words):
            tovfileio.write(path, data)
        assert not path.exists()
    bad = tovfileio.read(SAMPLES / "walk.htr")
    bad.names[1] = "Two words"
    with pytest.raises(ValueError, match="holds a space"):
        tovfileio.write(tmp_path / "bad.htr", bad)
    for data, up, words in [(skeleton, "z", "turns markers"), (markers, "x", "'y' or 'z'")]:
        with pytest.raises(ValueError, match=words):
            tovfileio.write(tmp_path / "up.trc", data, up=up)
    assert not (tmp_path / "up.trc").exists()


# (where the file was to go, the system's error)
UNWRITTEN = [("missing folder", errno.ENOENT), ("read-only folder", errno.EACCES),
             ("directory in the way", errno.EISDIR)]


@pytest.mark.parametrize("how", ["trc", "c3d", "gwm", "csv", "htr", "bvh", "convert"])
@pytest.mark.parametrize("where, error", UNWRITTEN, ids=[u[0] for u in UNWRITTEN])
def test_failed_writes_are_oserrors_with_the_name(where, error, how, tmp_path):
    folder = tmp_path / "out"
    if where != "missing folder":
        folder.mkdir()
    if where == "read-only folder":
        if os.geteuid() == 0:
            pytest.skip("permissions deny root nothing")
        folder.chmod(0o555)
    path = folder / f"take.{'bvh' if how == 'convert' else how}"
    if where == "directory in the way":
        path.mkdir()
    with pytest.raises(OSError) as raised:
        if how == "convert":
            tovfileio.convert(SAMPLES / "walk.htr", path)
        else:
            tovfileio.write(path, tovfileio.read(SAMPLES / ("walk.htr" if how in ("htr", "bvh")
                                                            else "walk.trc")))
    failed = raised.value
    assert isinstance(failed, tovfileio.WriteError) and isinstance(failed, tovfileio.Error)
    assert (failed.errno, failed.strerror, failed.filename) == \
        (error, os.strerror(error), str(path))
    assert str(failed).startswith(failed.message) and str(failed).endswith(repr(str(path)))
    assert not path.is_file() and sorted(os.listdir(folder) if folder.exists() else []) == \
        (["take." + path.suffix[1:]] if where == "directory in the way" else [])


# (the take's up, the format written, up=)
TURNS = [("y", "c3d", "z"), ("y", "trc", "z"), ("z", "trc", "y"), ("y", "trc", "y")]


@pytest.mark.parametrize("from_up, format, up", TURNS, ids=["-".join(t) for t in TURNS])
def test_up_turns_markers_and_says_so(from_up, format, up, tmp_path):
    given = made_markers()
    given.up = from_up
    notes = tovfileio.write(tmp_path / f"take.{format}", given, up=up)
    x, y, z = np.moveaxis(given.positions, 2, 0)
    expected = {("y", "z"): (x, -z, y), ("z", "y"): (x, z, -y)}.get((from_up, up), (x, y, z))
    expected = np.stack(expected, axis=2)
    back = tovfileio.read(tmp_path / f"take.{format}").positions
    if format == "c3d":
        expected, back = expected.astype(np.float32), back.astype(np.float32)
    np.testing.assert_array_equal(back, expected)
    turned = [f"positions turned from {from_up.upper()}-up to {up.upper()}-up"]
    assert notes == {"notes": turned if from_up != up else []}


def test_up_turns_as_convert_turns(tmp_path):
    tovfileio.convert(SAMPLES / "walk.trc", tmp_path / "converted.c3d")
    tovfileio.write(tmp_path / "written.c3d", tovfileio.read(SAMPLES / "walk.trc"), up="z")
    np.testing.assert_array_equal(tovfileio.read(tmp_path / "written.c3d").positions,
                                  tovfileio.read(tmp_path / "converted.c3d").positions)
