"""convert() against `tovfileio convert`: the same bytes written, the same
pairs and takes refused, nothing written when refused."""
import os

import pytest

import tovfileio
from conftest import SAMPLES, run

EPOCH = {"SOURCE_DATE_EPOCH": "1700000000"}

# (source, output name, convert() options, the command line's options)
CONVERSIONS = [
    ("walk.trc", "walk.c3d", {}, []),
    ("walk.trc", "walk.csv", {}, []),
    ("walk.trc", "walk.gwm", {}, []),
    ("walk.trc", "walk-z.trc", {"up": "z", "units": "cm"}, ["--up", "z", "--units", "cm"]),
    ("walk.htr", "walk.bvh", {}, []),
    ("walk.htr", "walk-joints.trc", {"units": "m"}, ["--units", "m"]),
    ("walk.htr", "walk-cm.htr", {"units": "cm"}, ["--units", "cm"]),
    ("walk.htr", "walk.dat", {"to": "csv"}, ["--to", "csv"]),
]


@pytest.mark.parametrize("source, name, options, flags", CONVERSIONS,
                         ids=[f"{c[0]}->{c[1]}" for c in CONVERSIONS])
def test_convert_writes_what_the_command_line_writes(source, name, options, flags, tmp_path,
                                                     monkeypatch):
    monkeypatch.setenv("SOURCE_DATE_EPOCH", EPOCH["SOURCE_DATE_EPOCH"])
    (tmp_path / "py").mkdir()
    (tmp_path / "cli").mkdir()
    done = tovfileio.convert(SAMPLES / source, tmp_path / "py" / name, **options)
    status, _, err = run("convert", *flags, SAMPLES / source, tmp_path / "cli" / name, env=EPOCH)
    assert status == 0, err
    assert (tmp_path / "py" / name).read_bytes() == (tmp_path / "cli" / name).read_bytes()
    assert done.frames > 0 and done.points > 0
    # What was turned, said as the command line says it (its HTR to HTR and
    # TRC to GWM paths say nothing of it).
    if err:
        assert [line.split(": ", 1)[1] for line in err.splitlines()] == done.notes


# (source bytes or sample, output name, options, the command line's
# options, the error convert() raises)
WARNED = (SAMPLES / "walk.trc").read_bytes().replace(b"60\t60\t40", b"60\t60\t30", 1)
REFUSED = [
    ("walk.htr", "walk.c3d", {}, [], tovfileio.ConversionError),
    ("walk.htr", "walk.gwm", {}, [], tovfileio.ConversionError),
    ("no-such.trc", "x.c3d", {}, [], FileNotFoundError),
    (WARNED, "x.c3d", {"strict": True}, ["--strict"], tovfileio.ConversionError),
]


@pytest.mark.parametrize("source, name, options, flags, error", REFUSED,
                         ids=["htr->c3d", "htr->gwm", "missing", "strict"])
def test_convert_refuses_what_the_command_line_refuses(source, name, options, flags, error,
                                                       tmp_path):
    if isinstance(source, bytes):
        (tmp_path / "in.trc").write_bytes(source)
        source = tmp_path / "in.trc"
    else:
        source = SAMPLES / source
    with pytest.raises(error):
        tovfileio.convert(source, tmp_path / name, **options)
    assert not (tmp_path / name).exists()
    status, _, _ = run("convert", *flags, source, tmp_path / name)
    assert status != 0 and not (tmp_path / name).exists()


def test_convert_warns_of_the_readers_findings(tmp_path):
    (tmp_path / "in.trc").write_bytes(WARNED)
    with pytest.warns(tovfileio.FindingWarning) as caught:
        tovfileio.convert(tmp_path / "in.trc", tmp_path / "out.c3d")
    _, _, err = run("convert", tmp_path / "in.trc", tmp_path / "cli.c3d")
    for warning in caught:
        assert f"warning: {warning.message}" in err
    with pytest.raises(ValueError, match="give to="):
        tovfileio.convert(SAMPLES / "walk.trc", tmp_path / "out.dat")
    assert sorted(os.listdir(tmp_path)) == ["cli.c3d", "in.trc", "out.c3d"]


# Every format read against every output name: convert() writes the pair
# exactly when the command line does (a scene's glTF is the command line's
# alone), and writes nothing for a pair it refuses.
FORMATS = ["htr", "bvh", "trc", "c3d", "gwm", "csv", "gltf"]


@pytest.fixture(scope="module")
def takes(tmp_path_factory):
    folder = tmp_path_factory.mktemp("takes")
    made = {"htr": SAMPLES / "walk.htr", "trc": SAMPLES / "walk.trc"}
    for source, kind in (("htr", "bvh"), ("trc", "c3d"), ("trc", "gwm")):
        made[kind] = folder / f"walk.{kind}"
        tovfileio.convert(made[source], made[kind])
    return made


@pytest.mark.parametrize("source", ["htr", "bvh", "trc", "c3d", "gwm"])
def test_every_pair_converts_as_the_command_line_converts_it(source, takes, tmp_path):
    for out in FORMATS:
        py, cli = tmp_path / f"py.{out}", tmp_path / f"cli.{out}"
        try:
            tovfileio.convert(takes[source], py)
            written = True
        except tovfileio.ConversionError:
            written = False
            assert not py.exists(), f"{source} -> {out}"
        status, _, err = run("convert", takes[source], cli)
        assert status in (0, 2), err
        assert written == (status == 0 and out != "gltf"), f"{source} -> {out}: {err}"
