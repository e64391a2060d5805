"""Reading: values against the files' own text, bytes against paths,
refusals with their places, arrays that are the reader's memory."""
import math
import os
import warnings

import numpy as np
import pytest

import tovfileio
from conftest import SAMPLES


def trc_rows(text):
    """The rows of a plain TRC file parsed field by field: (frame numbers,
    an array (frames, markers, 3) with NaN for empty fields)."""
    lines = text.splitlines()
    markers = int(lines[2].split("\t")[3])
    frames, values = [], []
    for line in lines[6:]:
        fields = line.split("\t")
        frames.append(int(fields[0]))
        cells = fields[2:2 + 3 * markers]
        values.append([float(c) if c.strip() else math.nan for c in cells])
    return frames, np.array(values).reshape(len(values), markers, 3)


def htr_base(text):
    """The [BasePosition] lines of an HTR file: {name: seven numbers}."""
    lines = text.splitlines()
    start = lines.index("[BasePosition]") + 1
    base = {}
    for line in lines[start:]:
        if line.startswith("["):
            break
        if not line.startswith("#"):
            fields = line.split("\t")
            base[fields[0]] = [float(f) for f in fields[1:]]
    return base


def test_trc_values_are_the_files_numbers():
    text = (SAMPLES / "walk.trc").read_text()
    frames, expected = trc_rows(text)
    take = tovfileio.read(SAMPLES / "walk.trc")
    assert take.positions.shape == expected.shape
    np.testing.assert_array_equal(take.positions, expected)  # NaN where the file is empty
    assert list(take.frame_numbers) == frames
    assert take.names == [n for n in text.splitlines()[3].split("\t")[2:] if n]
    assert (take.rate, take.units, take.first_frame, take.up) == (60, "mm", 1, "y")
    assert take.gaps() == {"RWRB": [(18, 22)]}


def test_htr_base_pose_and_hierarchy_are_the_files():
    text = (SAMPLES / "walk.htr").read_text()
    skeleton = tovfileio.read(SAMPLES / "walk.htr")
    base = htr_base(text)
    assert skeleton.names == list(base)
    for s, name in enumerate(skeleton.names):
        tx, ty, tz, rx, ry, rz, length = base[name]
        np.testing.assert_allclose(skeleton.base[s], [tx, ty, tz, *np.radians([rx, ry, rz]), length])
    hierarchy = dict(line.split("\t") for line in
                     text.split("[SegmentNames&Hierarchy]\n")[1].split("[")[0].splitlines()
                     if not line.startswith("#"))
    parents = [skeleton.names[p] if p >= 0 else "GLOBAL" for p in skeleton.parents]
    assert parents == [hierarchy[n] for n in skeleton.names]
    # The root stands where its base and frame translations put it.
    world = skeleton.world_positions()
    root = skeleton.segment("Hips")
    np.testing.assert_allclose(world[:, root], skeleton.base[root, :3] + skeleton.motion[:, root, :3])
    assert skeleton.world_positions(base=True).shape == (1, len(skeleton.names), 3)


@pytest.mark.parametrize("name, format", [("walk.trc", "trc"), ("walk.htr", "htr")])
def test_bytes_read_as_the_file(name, format):
    path = SAMPLES / name
    from_file = tovfileio.read(path)
    for data in (path.read_bytes(), bytearray(path.read_bytes()), memoryview(path.read_bytes())):
        from_memory = tovfileio.read(data, format=format)
        for field in ("positions", "base", "motion", "parents"):
            if hasattr(from_file, field):
                np.testing.assert_array_equal(getattr(from_memory, field), getattr(from_file, field))
        assert from_memory.names == from_file.names


def test_arrays_are_the_readers_memory():
    take = tovfileio.read(SAMPLES / "walk.trc")
    assert take.positions.base is not None and not take.positions.flags.owndata
    assert take.positions.flags.c_contiguous
    assert np.shares_memory(take.marker("RWRB"), take.positions)
    with pytest.warns(tovfileio.FindingWarning, match="no marker names and no data rows"):
        empty = tovfileio.read(b"PathFileType\t4\t(X/Y/Z)\tx.trc\n"
                               b"DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
                               b"60\t60\t0\t0\tmm\n", format="trc")
    assert empty.positions.shape[0] == 0 and empty.positions.base is not None


TRC = (SAMPLES / "walk.trc").read_bytes()
HTR = (SAMPLES / "walk.htr").read_bytes()

# (what, bytes, format, the refusing line or None for the file as a whole)
REFUSED = [
    ("TRC with commas", TRC.replace(b"\t", b",", 40), "trc", 1),
    ("HTR in XYZ order", HTR.replace(b"EulerRotationOrder ZYX", b"EulerRotationOrder XYZ"), "htr",
     HTR.split(b"EulerRotationOrder")[0].count(b"\n") + 1),
    ("TRC text read as HTR", TRC, "htr", None),
    ("text read as C3D", b"PathFileType\t4\n" * 64, "c3d", None),
    ("BVH without MOTION", b"HIERARCHY\nROOT Hips\n{\n OFFSET 0 0 0\n}\n", "bvh", None),
    ("GWM without $Points", b"$Comments\n$Order\nA\n", "gwm", None),
]


@pytest.mark.parametrize("what, data, format, line", REFUSED, ids=[r[0] for r in REFUSED])
def test_refusals_carry_the_readers_words_and_place(what, data, format, line):
    with pytest.raises(tovfileio.ReadError) as raised:
        tovfileio.read(data, format=format)
    error = raised.value
    assert error.message and str(error).startswith(error.message)
    if line is not None:
        assert error.line == line
        refusals = [f for f in error.findings if f.effect == "refusal"]
        assert refusals and refusals[0].line == line and refusals[0].text in str(error)


def path_that(what, folder):
    """A path read() cannot take, as `what` says."""
    path = folder / "take.trc"
    if what == "name not UTF-8":
        return os.fsdecode(os.fsencode(folder) + b"/take-\xff.trc")
    if what == "directory":
        path.mkdir()
    elif what == "unreadable":
        if os.geteuid() == 0:
            pytest.skip("permissions deny root nothing")
        path.write_bytes(TRC)
        path.chmod(0)
    elif what == "unknown kind":
        path = folder / "take.dat"
        path.write_bytes(b"hello\n")
    return str(path)


# (what, the error read() and convert() raise: open()'s own for a file that
# will not open)
UNREAD = [("missing", FileNotFoundError), ("name not UTF-8", FileNotFoundError),
          ("directory", IsADirectoryError), ("unreadable", PermissionError),
          ("unknown kind", tovfileio.ReadError)]


@pytest.mark.parametrize("call", ["read", "convert"])
@pytest.mark.parametrize("what, error", UNREAD, ids=[u[0] for u in UNREAD])
def test_paths_read_cannot_take(what, error, call, tmp_path):
    path = path_that(what, tmp_path)
    with pytest.raises(error) as raised:
        if call == "read":
            tovfileio.read(path)
        else:
            tovfileio.convert(path, tmp_path / "out.c3d")
    assert type(raised.value) is error and not (tmp_path / "out.c3d").exists()
    if error is tovfileio.ReadError:
        assert raised.value.path == path and str(raised.value).endswith(": " + repr(path))
        return
    with pytest.raises(error) as opened:
        open(path, "rb")
    assert (raised.value.errno, raised.value.strerror, raised.value.filename) == \
        (opened.value.errno, opened.value.strerror, path)


def test_formats_named_wrongly():
    with pytest.raises(ValueError, match="unknown format"):
        tovfileio.read(TRC, format="mov")
    with pytest.raises(TypeError):
        tovfileio.read(TRC)


def test_findings_warn_in_the_libraries_words():
    # Rows beyond the header's frame count: a finding the reader warns of.
    lines = TRC.split(b"\n")
    lines[2] = lines[2].replace(b"60\t60\t40", b"60\t60\t30", 1)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        take = tovfileio.read(b"\n".join(lines), format="trc")
    said = [str(w.message) for w in caught if issubclass(w.category, tovfileio.FindingWarning)]
    assert said == [f.text for f in take.findings if f.is_warning]
    assert all(w.filename == __file__ for w in caught)
    assert take.header_frames == 30 and take.frames == 40


def test_the_type_stub_names_every_finding_code():
    """Type checkers and editors see the codes the module has, no more."""
    stub = os.path.join(os.path.dirname(tovfileio.__file__), "__init__.pyi")
    with open(stub) as file:
        text = file.read()
    block = text.split("class FindingCode", 1)[1].split("\nclass ", 1)[0]
    stubbed = {line.split(":")[0].strip() for line in block.splitlines()
               if line.strip().endswith(": FindingCode")}
    assert stubbed == set(tovfileio.FindingCode.__members__)
