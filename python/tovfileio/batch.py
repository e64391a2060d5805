"""Converting a whole archive: every source a task of its own, on a local pool
of processes or on a Dask cluster.

    import tovfileio.batch
    report = tovfileio.batch.convert(paths, "out", "c3d")
    with distributed.Client("scheduler:8786") as client:
        report = tovfileio.batch.convert(paths, "/shared/out", "c3d", client=client)

Each source becomes OUT_DIR/STEM.EXT through the same conversion core as
`tovfileio.convert` (and `tovfileio convert`). A task writes its output in a
scratch folder beside OUT_DIR and moves it in only when it is whole, so a
worker killed mid-file leaves nothing in OUT_DIR, and the task runs again on
another worker. A file the reader or the writer refuses is reported, never
retried. The report, one dict per source in the order given, is also
written as OUT_DIR/batch-report.jsonl.
"""
from __future__ import annotations

import concurrent.futures
import json
import os
import shutil
import sys
import time
import uuid
import warnings
from typing import Any, Iterable

from . import _tovfileio as _core
from ._tovfileio import ConversionError, ReadError, WriteError

__all__ = ["convert", "REPORT_NAME"]

REPORT_NAME = "batch-report.jsonl"

# The options a task passes on to tovfileio.convert.
_CONVERT_OPTIONS = ("units", "up", "in_up", "strict", "frames", "accept_misread")


def _finding(finding) -> dict[str, Any]:
    return {"code": finding.code.name, "text": finding.text}


def _outputs(sources: list[str], out_dir: str, to: str) -> list[str]:
    """OUT_DIR/STEM.EXT for each source; two sources of one stem are refused."""
    extension = _core._extension(to)
    taken: dict[str, str] = {}
    outputs = []
    for source in sources:
        stem = os.path.splitext(os.path.basename(source))[0]
        if stem in taken:
            raise ValueError(f"{taken[stem]} and {source} would both be written as "
                             f"{stem}{extension}; rename one or convert them apart")
        taken[stem] = source
        outputs.append(os.path.join(out_dir, stem + extension))
    return outputs


def _converted_before(source: str, output: str) -> bool:
    """Whether `output` is there from an earlier run, not empty and not
    older than its source. Outputs are moved into place only when whole, so
    one that is there is complete."""
    try:
        made = os.stat(output)
        return made.st_size > 0 and made.st_mtime_ns >= os.stat(source).st_mtime_ns
    except OSError:
        return False


def _line(source: str, output: str, status: str, findings=(), seconds: float = 0.0) -> dict[str, Any]:
    """A report line, as `tovfileio convert --batch --report` writes one."""
    written = status in ("converted", "skipped")
    return {"source": source, "output": output, "status": status,
            # What a conversion tells of the read: the warnings and the refusal.
            "findings": [_finding(f) for f in findings if f.is_warning or f.effect == "refusal"],
            "bytes": os.path.getsize(source) if os.path.isfile(source) else None,
            "output_bytes": os.path.getsize(output) if written else None,
            "seconds": round(seconds, 6)}


def _convert_one(source: str, output: str, to: str, options: dict, scratch: str) -> dict:
    """One task: converts `source` under its output's own name in a folder
    of its own under `scratch` (a GWM file names itself inside), then moves
    it into place. Returns the source's report line; only a dying process
    ends it otherwise."""
    from . import convert  # the package's own entry, in the worker's process

    started = time.perf_counter()
    folder = os.path.join(scratch, uuid.uuid4().hex)
    os.makedirs(folder)
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            done = convert(source, os.path.join(folder, os.path.basename(output)), to=to, **options)
        os.replace(os.path.join(folder, os.path.basename(output)), output)
        return _line(source, output, "converted", done.findings, time.perf_counter() - started)
    except (ReadError, ConversionError) as refusal:
        return _line(source, output, "refused", getattr(refusal, "findings", None) or [],
                     time.perf_counter() - started)
    except (WriteError, OSError, ValueError) as failure:
        return _line(source, output, "failed", getattr(failure, "findings", None) or [],
                     time.perf_counter() - started)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


class _Progress:
    """A bar on standard error while it is a terminal; nothing otherwise."""

    def __init__(self, total: int, enabled: bool | None):
        self.total, self.done = total, 0
        self.enabled = sys.stderr.isatty() if enabled is None else enabled

    def step(self) -> None:
        self.done += 1
        if self.enabled and self.total:
            filled = 30 * self.done // self.total
            sys.stderr.write(f"\r[{'#' * filled}{'.' * (30 - filled)}] {self.done}/{self.total}")
            if self.done == self.total:
                sys.stderr.write("\n")
            sys.stderr.flush()


def _run_on_client(client, jobs: list[tuple], progress: _Progress) -> list[dict]:
    import distributed

    futures = client.map(_convert_one, *zip(*jobs), pure=False)
    index = {future.key: i for i, future in enumerate(futures)}
    results: list[dict | None] = [None] * len(jobs)
    for future in distributed.as_completed(futures):
        results[index[future.key]] = future.result()
        progress.step()
    return results  # type: ignore[return-value]


def _run_locally(workers: int | None, jobs: list[tuple], progress: _Progress) -> list[dict]:
    results: list[dict | None] = [None] * len(jobs)
    with concurrent.futures.ProcessPoolExecutor(max_workers=workers) as pool:
        futures = {pool.submit(_convert_one, *job): i for i, job in enumerate(jobs)}
        for future in concurrent.futures.as_completed(futures):
            results[futures[future]] = future.result()
            progress.step()
    return results  # type: ignore[return-value]


def _write_report(out_dir: str, lines: list[dict], scratch: str) -> None:
    """OUT_DIR/batch-report.jsonl, put in place whole."""
    staged = os.path.join(scratch, REPORT_NAME)
    with open(staged, "w", encoding="utf-8") as report:
        for line in lines:
            report.write(json.dumps(line, ensure_ascii=False, separators=(",", ":")) + "\n")
    os.replace(staged, os.path.join(out_dir, REPORT_NAME))


def convert(sources: Iterable[str | os.PathLike], out_dir: str | os.PathLike, to: str,
            client=None, *, workers: int | None = None, resume: bool = True,
            progress: bool | None = None, **options) -> list[dict[str, Any]]:
    """Converts every source into OUT_DIR/STEM.EXT of format `to`, each as a
    task: on `client`'s Dask cluster when one is given, else on a pool of
    `workers` local processes (default: the machine's cores). `options` are
    tovfileio.convert's (units, up, in_up, strict, frames, accept_misread).

    With resume=True (the default) a source whose output is there and newer
    is not converted again and is reported "skipped". Returns the report:
    per source, in the order given, its source, output, status ("converted",
    "refused", "failed" or "skipped"), the reader's findings (code and
    text), bytes, output_bytes (None when nothing was written) and seconds,
    as `tovfileio convert --batch --report` writes them; the same lines are
    written to OUT_DIR/batch-report.jsonl. Raises ValueError before anything
    runs for an unknown option or format, or two sources of one stem.
    """
    unknown = set(options) - set(_CONVERT_OPTIONS)
    if unknown:
        raise TypeError(f"unknown option {sorted(unknown)[0]!r}; give any of {', '.join(_CONVERT_OPTIONS)}")
    sources = [os.fspath(source) for source in sources]
    out_dir = os.path.abspath(os.fspath(out_dir))
    outputs = _outputs(sources, out_dir, to)
    os.makedirs(out_dir, exist_ok=True)
    # Beside OUT_DIR, on the same file system (so a move into it is one
    # rename) and where every worker that sees OUT_DIR sees it too.
    parent, name = os.path.split(out_dir)
    scratch = os.path.join(parent, f".{name}.batch-{uuid.uuid4().hex[:12]}")
    os.makedirs(scratch)
    try:
        report: list[dict | None] = [None] * len(sources)
        jobs, places = [], []
        for i, (source, output) in enumerate(zip(sources, outputs)):
            if resume and _converted_before(source, output):
                report[i] = _line(source, output, "skipped")
            else:
                jobs.append((os.path.abspath(source), output, to, options, scratch))
                places.append(i)
        skipped = len(sources) - len(jobs)
        if skipped and progress is not False:
            print(f"{skipped} of {len(sources)} already converted, skipped", file=sys.stderr)
        bar = _Progress(len(jobs), progress)
        done = (_run_on_client(client, jobs, bar) if client is not None
                else _run_locally(workers, jobs, bar)) if jobs else []
        for i, line in zip(places, done):
            line["source"] = sources[i]
            report[i] = line
        _write_report(out_dir, report, scratch)  # type: ignore[arg-type]
        return report  # type: ignore[return-value]
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
