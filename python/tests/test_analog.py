"""A C3D take's analog channels and force platforms read through Python are
the values `tovfileio convert --analog` and `--forces` write."""
import csv
import struct

import numpy as np
import pytest

import tovfileio
from conftest import CORPUS, SAMPLES, corpus_files, run

SYSTEM_B = CORPUS / "c3d" / "ezc3d-system-b.c3d"


@pytest.fixture
def system_b():
    if not SYSTEM_B.is_file():
        pytest.skip("no corpus at ../shared/corpus")
    return SYSTEM_B


def csv_values(path):
    """The header and the values of a CSV file, an empty cell as NaN."""
    with open(path, newline="", encoding="utf-8") as file:
        header, *rows = list(csv.reader(file))
    return header, np.array([[float(cell) if cell else np.nan for cell in row] for row in rows])


def with_platform_type(data, platform, platform_type):
    """The C3D file `data` with FORCE_PLATFORM:TYPE of `platform` (from 1)
    changed: a 16-bit integer array parameter, the only one named TYPE."""
    at = data.index(b"TYPE") + 4 + 2  # past the name and the offset to the next one
    kind, dims = struct.unpack_from("<bB", data, at)
    assert kind == 2 and dims == 1
    value = at + 2 + 1 + 2 * (platform - 1)
    return data[:value] + struct.pack("<h", platform_type) + data[value + 2:]


def test_system_b_channels(system_b):
    take = tovfileio.read(system_b)
    assert take.analogs.shape == (3400, 69)
    assert take.analog_rate == 2000 and take.analog_samples_per_frame == 10
    assert take.analog_labels[57:63] == [f"Amti Gen 5 OR6-5-1000 3581_{i}" for i in range(1, 7)]
    assert len(take.analog_units) == 69
    assert [p.channels for p in take.platforms] == [list(range(58, 64)), list(range(64, 70))]
    # The reader's own samples, not a copy of them.
    assert take.analogs.base is not None and not take.analogs.flags.owndata


def test_analogs_are_the_analog_csv(system_b, tmp_path):
    out = tmp_path / "analog.csv"
    assert run("convert", system_b, out, "--analog")[0] == 0
    header, values = csv_values(out)
    take = tovfileio.read(system_b)
    assert header[2:] == take.analog_labels
    np.testing.assert_array_equal(take.analogs, values[:, 2:])


@pytest.mark.filterwarnings("ignore::tovfileio.FindingWarning")
@pytest.mark.parametrize("zero", [False, True], ids=["as-read", "zeroed"])
@pytest.mark.parametrize("path", corpus_files("c3d"))
def test_forces_are_the_forces_csv(path, zero, tmp_path):
    out = tmp_path / "forces.csv"
    assert run("convert", path, out, "--forces", *(["--zero-plates"] if zero else []))[0] == 0
    _, lines = csv_values(out)
    take = tovfileio.read(path, accept_misread=True, zero_plates=zero)
    assert len(lines) == len(take.analogs) * len(take.platforms)
    for p, platform in enumerate(take.platforms, start=1):
        assert platform.why is None
        written = lines[lines[:, 2] == p]
        loads = np.hstack([platform.forces, platform.moments, platform.cop])
        np.testing.assert_allclose(loads, written[:, 3:], rtol=1e-9, atol=0)


def test_platform_not_computed_has_why_and_the_others_loads(system_b):
    data = with_platform_type(system_b.read_bytes(), 2, 9)
    take = tovfileio.read(data, format="c3d")
    whole = tovfileio.read(system_b)
    first, second = take.platforms
    np.testing.assert_array_equal(first.forces, whole.platforms[0].forces)
    assert second.type == 9 and second.why
    assert second.forces is None and second.moments is None and second.cop is None


def test_cleaned_take_keeps_its_frames_samples(system_b):
    take = tovfileio.read(system_b)
    per = take.analog_samples_per_frame
    first = take.first_frame
    cases = [
        (take.cropped(first + 2, first + 5), 2, 4),
        (take.filtered(6), 0, len(take)),
        (take.dropped(take.names[:3]), 0, len(take)),
    ]
    for cleaned, start, frames in cases:
        rows = slice(start * per, (start + frames) * per)
        np.testing.assert_array_equal(cleaned.analogs, take.analogs[rows])
        for kept, platform in zip(cleaned.platforms, take.platforms):
            np.testing.assert_array_equal(kept.cop, platform.cop[rows])
        assert cleaned.analog_labels == take.analog_labels


def test_other_formats_have_no_analog_channels():
    take = tovfileio.read(SAMPLES / "walk.trc")
    assert take.analogs.shape == (0, 0) and take.analogs.base is not None
    assert (take.analog_labels, take.analog_units, take.analog_rate, take.platforms) == \
        ([], [], 0.0, [])
