"""The corpus of real files reads through Python as through the command
line: the same refusals, counts, findings and values (`tovfileio info
--json`, and the values `tovfileio convert` writes as CSV or HTR)."""
import csv
import warnings

import numpy as np
import pytest

import tovfileio
from conftest import corpus_files, info_json, run


def read_recording(path, accept_misread=False):
    """The take, or the ReadError, and the warnings said."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            take = tovfileio.read(path, accept_misread=accept_misread)
        except tovfileio.ReadError as error:
            take = error
    return take, [str(w.message) for w in caught if issubclass(w.category, tovfileio.FindingWarning)]


def csv_positions(path, frames, names):
    """The positions `tovfileio convert` wrote as CSV: (frames, markers, 3)."""
    with open(path, newline="", encoding="utf-8") as file:
        rows = list(csv.reader(file))[1:]
    values = np.full((len(rows) // max(len(names), 1), len(names), 3), np.nan)
    for i, row in enumerate(rows):
        f, m = divmod(i, len(names))
        assert row[2] == names[m]
        if row[3]:
            values[f, m] = [float(v) for v in row[3:6]]
    return values[:frames]


def assert_refused_as(take, path, refused):
    """A ReadError whose words, before the file's name, start the command
    line's refusal."""
    assert isinstance(take, tovfileio.ReadError)
    suffix = ": " + repr(str(path))
    assert str(take).endswith(suffix) and take.path == str(path)
    assert refused.startswith(str(take)[:-len(suffix)])


def read_beside_info(path):
    """The take as read (misread or not), the warnings said and `info
    --json`'s record of the file; no take when both refuse it alike."""
    take, said = read_recording(path, accept_misread=True)
    record = info_json(path)
    if "refused" in record:
        assert_refused_as(take, path, record["refused"])
        return None, said, record
    assert not isinstance(take, tovfileio.ReadError), str(take)
    return take, said, record


@pytest.mark.parametrize("path", corpus_files("trc", "c3d"))
def test_marker_files_read_as_the_command_line_reads_them(path, tmp_path):
    take, said, record = read_beside_info(path)
    if take is None:
        return
    assert (take.format, take.units, take.rate, take.camera_rate) == (
        record["format"], record["units"], record["frame_rate"], record["camera_rate"])
    assert (take.header_frames, take.first_frame, take.frames) == (
        record["frames"], record["first_frame"], record["frames_read"])
    assert take.names == [m["name"] for m in record["markers"]]
    assert list(take.dropouts()) == [m["dropouts"] for m in record["markers"]]
    assert said == record["warnings"]
    # A take whose data the reader loses or moves is refused by read() and
    # convert alike, and written as read when accepted.
    misread = any(f.effect == "shift" for f in take.findings)
    if misread:
        refused, _ = read_recording(path)
        assert isinstance(refused, tovfileio.ReadError)
        assert str(refused).startswith("The take is misread")
        status, _, err = run("convert", path, tmp_path / "refused.csv")
        assert status == 1 and "The take is misread" in err
        assert not (tmp_path / "refused.csv").exists()
    # Values: what the conversion core writes as CSV (the take's own axes,
    # shortest digits; a C3D file's single floats as floats).
    accept = ["--accept-misread"] if misread else []
    status, _, err = run("convert", *accept, path, tmp_path / "take.csv")
    assert status == 0, err
    written = csv_positions(tmp_path / "take.csv", take.frames, take.names)
    held = take.positions[:len(written)]
    if take.format == "c3d":
        written, held = written.astype(np.float32), held.astype(np.float32)
    np.testing.assert_array_equal(held, written)


@pytest.mark.parametrize("path", corpus_files("htr", "bvh"))
def test_skeleton_files_read_as_the_command_line_reads_them(path, tmp_path):
    take, said, record = read_beside_info(path)
    if take is None:
        return
    assert (take.format, take.units, take.rotation_units, take.rate) == (
        record["format"], record["units"], record["rotation_units"], record["frame_rate"])
    assert (take.header_frames, take.first_frame, take.frames, take.scale_factor) == (
        record["frames"], record["first_frame"], record["frames_read"], record["scale_factor"])
    segments = record["segments"]
    assert take.names == [s["name"] for s in segments]
    assert [take.names[p] if p >= 0 else None for p in take.parents] == [s["parent"] for s in segments]
    assert list(take.roots) == [s["root"] for s in segments]
    assert list(take.segment_frames) == [s["frames"] for s in segments]
    assert said == record["warnings"]
    # Values: the arrays written back as HTR give the bytes the command
    # line's conversion of the file to HTR gives.
    status, _, err = run("convert", path, tmp_path / "cli.htr")
    if status != 0:
        pytest.skip(f"tovfileio convert refuses it: {err}")
    tovfileio.write(tmp_path / "python.htr", take)
    assert (tmp_path / "python.htr").read_bytes() == (tmp_path / "cli.htr").read_bytes()
