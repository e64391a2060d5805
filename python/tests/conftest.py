"""What the tests of the Python module share: the sample files, the real
files of the corpus beside the project (skipped when it is absent) and the
built tovfileio, to compare with."""
import json
import math
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = ROOT / "samples"
CORPUS = pathlib.Path(os.environ.get("TOV_CORPUS", ROOT.parent / "shared" / "corpus"))


def corpus_files(*folders):
    """The corpus files in `folders`, as test parameters; none without the corpus."""
    if not CORPUS.is_dir():
        return [pytest.param(None, marks=pytest.mark.skip(reason="no corpus at ../shared/corpus"))]
    files = sorted(p for folder in folders for p in (CORPUS / folder).glob("*") if p.is_file())
    return [pytest.param(p, id=p.name) for p in files]


def program():
    path = os.environ.get("TOVFILEIO_PROGRAM", str(ROOT / "build" / "py" / "tools" / "cli" / "tovfileio"))
    if not os.path.exists(path):
        pytest.skip("the built tovfileio is not there")
    return path


def run(*args, env=None):
    """tovfileio ARGS: (exit status, standard output, standard error)."""
    done = subprocess.run([program(), *map(str, args)], capture_output=True, text=True,
                          env={**os.environ, **(env or {})})
    return done.returncode, done.stdout, done.stderr


def info_json(path):
    """The record `tovfileio info --json` gives the file."""
    status, out, _ = run("info", "--json", path)
    return json.loads(out.splitlines()[0])


def same(a, b):
    """Equal numbers, NaN equal to NaN."""
    return a == b or (math.isnan(a) and math.isnan(b))
