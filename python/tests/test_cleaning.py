"""Cleaning a take from Python: the same steps as `tovfileio convert`'s
options, each giving a new take; the filter held against scipy, the edits
against the take's own values, the filled mask against the CSV the command
line writes."""
import csv

import numpy as np
import pytest

import tovfileio
from conftest import SAMPLES, run

WALK = SAMPLES / "walk.trc"  # RWRB is missing at frames 18 to 22


def seen_runs(values):
    """(start, stop) of each run of rows without NaN."""
    seen = ~np.isnan(values).any(axis=1)
    edges = np.diff(np.concatenate(([0], seen.astype(np.int8), [0])))
    return zip(np.flatnonzero(edges == 1), np.flatnonzero(edges == -1))


def test_the_filter_is_scipys_filtfilt_of_butter():
    signal = pytest.importorskip("scipy.signal")
    take = tovfileio.read(WALK)
    filtered = take.filtered(6)
    extent = np.nanmax(take.positions) - np.nanmin(take.positions)
    b, a = signal.butter(2, 6 / (take.rate / 2))
    for m in range(len(take.names)):
        for start, stop in seen_runs(take.positions[:, m]):
            expected = signal.filtfilt(b, a, take.positions[start:stop, m], axis=0)
            np.testing.assert_allclose(filtered.positions[start:stop, m], expected, rtol=0,
                                       atol=1e-6 * extent)
    assert np.array_equal(np.isnan(filtered.positions), np.isnan(take.positions))


def test_edits_keep_the_takes_values():
    take = tovfileio.read(WALK)
    edited = take.cropped(5, 30).renamed({"LFHD": "HeadL"}).dropped(["RFIN"]).kept(["HeadL", "RWRB"])
    assert edited.names == ["HeadL", "RWRB"] and edited.first_frame == 5 and edited.frames == 26
    np.testing.assert_array_equal(edited.positions[:, 0], take.marker("LFHD")[4:30])
    np.testing.assert_array_equal(edited.positions[:, 1], take.marker("RWRB")[4:30])
    assert take.names[0] == "LFHD" and take.frames == 40  # the take itself is left as it was
    for step, message in [(lambda t: t.kept(["NOPE"]), "The take has no marker named NOPE"),
                          (lambda t: t.cropped(0, 3), "The take holds frames 1 to 40, not 0 to 3"),
                          (lambda t: t.renamed({"C7": "T10"}), "Two markers would be named T10"),
                          (lambda t: t.filtered(30), r"below half the take.s rate \(30 Hz\), not 30 Hz"),
                          (lambda t: t.fill_gaps("cubic"), "method is one of auto")]:
        with pytest.raises(ValueError, match=message):
            step(take)


def test_a_marker_name_map_renames_the_markers_the_take_holds(tmp_path):
    take = tovfileio.read(WALK)
    mnm = tmp_path / "walk.mnm"
    # A marker the take lacks is passed over; a name given twice takes its first code.
    mnm.write_text("HeadL LFHD\nAbsent NOPE\nHeadR\tRFHD\nOther LFHD\n")
    expected = take.renamed({"LFHD": "HeadL", "RFHD": "HeadR"})
    for path in (mnm, str(mnm)):
        renamed = take.renamed(path)
        assert renamed.names == expected.names and renamed.names[2:] == take.names[2:]
        np.testing.assert_array_equal(renamed.positions, take.positions)
    with pytest.raises(FileNotFoundError) as refused:
        take.renamed(tmp_path / "missing.mnm")
    assert refused.value.filename == str(tmp_path / "missing.mnm")


def test_filled_samples_are_those_the_command_line_marks(tmp_path):
    take = tovfileio.read(WALK)
    filled = take.fill_gaps("spline")
    assert filled.fill_report["filled"] == [("RWRB", 18, 22, "spline")]
    m = filled.names.index("RWRB")
    assert filled.filled.sum() == 5 and filled.filled[17:22, m].all()
    assert not np.isnan(filled.positions).any()
    # The seen samples stay as read.
    seen = ~np.isnan(take.positions)
    np.testing.assert_array_equal(filled.positions[seen], take.positions[seen])
    status, _, err = run("convert", WALK, tmp_path / "walk.csv", "--fill-gaps", "spline")
    assert status == 0, err
    with open(tmp_path / "walk.csv", newline="") as f:
        marked = [(row["name"], int(row["frame"])) for row in csv.DictReader(f) if row["filled"] == "1"]
    assert marked == [("RWRB", frame) for frame in range(18, 23)]
    for row in marked:
        f = row[1] - take.first_frame
        assert filled.filled[f, m]
