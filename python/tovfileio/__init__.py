"""Motion-capture files into NumPy arrays and back, through the TOVFileIO
file libraries.

    import tovfileio
    take = tovfileio.read("walk.trc")         # Markers: positions (frames, markers, 3)
    skeleton = tovfileio.read("walk.htr")     # Skeleton: hierarchy, base pose, motion
    tovfileio.write("walk.c3d", take)
    tovfileio.convert("walk.htr", "walk.bvh")

Every format the libraries read is read (HTR, TRC, GWM, C3D, BVH) and every
format they write is written (HTR, BVH, TRC, C3D, GWM, CSV). What a reader
finds besides the values comes as FindingWarning, in the libraries' own
words, and each object keeps every finding in `findings`; a file a reader
refuses raises ReadError with the reader's message, line and column. The
libraries run without the interpreter's lock, so threads read files at once.
"""
from __future__ import annotations

import os
import warnings
from typing import NamedTuple

import numpy as np

from . import _tovfileio as _core
from ._tovfileio import ConversionError, Error, Finding, FindingCode, ReadError, WriteError

__version__ = _core.__version__

__all__ = [
    "read", "write", "convert", "Markers", "Skeleton", "Platform", "Conversion", "Finding",
    "FindingCode",
    "FindingWarning", "Error", "ReadError", "WriteError", "ConversionError",
]


class FindingWarning(UserWarning):
    """A reader's finding that makes the read depart from what the file means
    (data lost or moved, a value read as another). The message is the
    libraries' sentence; `finding` is the Finding itself."""

    def __init__(self, text: str, finding: Finding | None = None):
        super().__init__(text)
        self.finding = finding


def _warn(findings, stacklevel):
    for finding in findings:
        if finding.is_warning:
            warnings.warn(FindingWarning(finding.text, finding), stacklevel=stacklevel + 1)


class Platform:
    """A force platform of a C3D file, as its FORCE_PLATFORM group describes
    it, and its loads at every analog sample.

    `type` is its TYPE (1 to 4 are computed), `corners` (4, 3) its corners
    in the lab's frame and the point unit, `origin` (3,) the sensor from the
    plate's centre in the plate's frame, `channels` its analog channels,
    numbered from 1. `forces`, `moments` and `cop` are (samples, 3) in the
    lab's frame: the force in the channels' force unit, the moment about
    the centre of the plate's surface in that unit times the point unit, the
    centre of pressure in the point unit, a NaN row where the plate carries
    no vertical load. A platform whose loads cannot be computed has them
    None and says why in `why`. `baseline` says what was done with its ZERO
    range: "not asked", "taken", "no range" (the file gives none) or
    "outside samples" (none taken).
    """

    def __init__(self, type: int, corners, origin, channels, *, forces=None, moments=None,
                 cop=None, why: str | None = None, baseline: str = "not asked"):
        self.type = int(type)
        self.corners = np.asarray(corners, dtype=np.float64)
        self.origin = np.asarray(origin, dtype=np.float64)
        self.channels = list(channels)
        self.forces, self.moments, self.cop = forces, moments, cop
        self.why = why
        self.baseline = baseline

    def _samples(self, start: int, stop: int) -> "Platform":
        """The platform with its loads at samples `start` to `stop` (views)."""
        loads = {name: None if value is None else value[start:stop]
                 for name, value in (("forces", self.forces), ("moments", self.moments),
                                     ("cop", self.cop))}
        return Platform(self.type, self.corners, self.origin, self.channels, why=self.why,
                        baseline=self.baseline, **loads)

    def __repr__(self) -> str:
        held = f"{len(self.forces)} samples" if self.forces is not None else f"not computed: {self.why}"
        return f"<Platform type {self.type}, channels {self.channels}, {held}>"


class Markers:
    """Marker trajectories: a position for every marker at every frame.

    `positions` is a float array (frames, markers, 3), NaN where a marker was
    not seen (a dropout); read from a file, its memory is the reader's own
    (`positions.base` holds it), never a copy. `names` has a name for each
    marker, `rate` is frames per second, `units` the length unit ("mm",
    "cm", "m", "in", "ft", "yd"), `first_frame` the number of frame 0, `up`
    the axis the positions stand up along ("y" for TRC, "z" for C3D and
    GWM). `header_frames` is the frame count the file's header gave and
    `findings` what the reader found. `filled` is a bool array (frames,
    markers), True where gap filling made the sample (fill_gaps).

    A take read from a C3D file has its analog channels too: `analogs` is
    a float array (samples, channels) of the scaled values, its memory the
    reader's own, `analog_labels` and `analog_units` a label and unit for
    each channel, `analog_rate` samples a second, `analog_samples_per_frame`
    the samples between one frame and the next; `platforms` has a Platform
    for each force platform. A take of another format has an empty (0, 0)
    `analogs`, no labels, units or platforms, and an `analog_rate` of 0.0.
    The cleaned takes below keep the samples of the frames they keep.

    fill_gaps, filtered, cropped, renamed, kept and dropped give a new take,
    cleaned by the same steps as `tovfileio convert`'s options.
    """

    def __init__(self, positions, names, rate: int = 60, *, units: str = "mm",
                 first_frame: int = 1, camera_rate: int | None = None,
                 header_frames: int | None = None, up: str = "y", format: str | None = None,
                 findings=(), filled=None, analogs=None, analog_labels=(), analog_units=(),
                 analog_rate: float = 0.0, analog_samples_per_frame: int | None = None,
                 platforms=()):
        self.positions = np.asarray(positions, dtype=np.float64)
        self.names = list(names)
        if self.positions.ndim != 3 or self.positions.shape[1:] != (len(self.names), 3):
            raise ValueError("positions must have the shape (frames, markers, 3), a marker "
                             "for each name")
        self.rate = int(rate)
        self.camera_rate = self.rate if camera_rate is None else int(camera_rate)
        self.units = units
        self.first_frame = int(first_frame)
        self.header_frames = len(self.positions) if header_frames is None else int(header_frames)
        self.up = up
        self.format = format
        self.findings = list(findings)
        self.filled = (np.zeros(self.positions.shape[:2], dtype=bool) if filled is None
                       else np.asarray(filled, dtype=bool))
        #: What the last fill_gaps on the way to this take did: filled,
        #: too_long, at_ends and unfillable gaps as (marker, first frame,
        #: last frame[, method]).
        self.fill_report = None
        self.analogs = (np.zeros((0, 0)) if analogs is None
                        else np.asarray(analogs, dtype=np.float64))
        self.analog_labels = list(analog_labels)
        self.analog_units = list(analog_units)
        self.analog_rate = float(analog_rate)
        self.analog_samples_per_frame = (
            int(analog_samples_per_frame) if analog_samples_per_frame is not None
            else len(self.analogs) // self.frames if self.frames else 0)
        self.platforms = [p if isinstance(p, Platform) else Platform(**p) for p in platforms]

    def _analog_of(self, first_frame: int, frames: int) -> dict:
        """The analog fields of the `frames` frames from the one numbered
        `first_frame` on: views of this take's arrays."""
        per_frame = self.analog_samples_per_frame
        start = max(first_frame - self.first_frame, 0) * per_frame
        stop = start + frames * per_frame
        return {"analogs": self.analogs[start:stop], "analog_labels": self.analog_labels,
                "analog_units": self.analog_units, "analog_rate": self.analog_rate,
                "analog_samples_per_frame": per_frame,
                "platforms": [p._samples(start, stop) for p in self.platforms]}

    def _cleaned(self, *steps) -> "Markers":
        done = _core._clean(self.positions, self.filled, self.names, self.rate,
                                 self.first_frame, list(steps))
        take = Markers(done["positions"], done["names"], self.rate, units=self.units,
                       first_frame=done["first_frame"], camera_rate=self.camera_rate,
                       up=self.up, format=self.format, findings=self.findings,
                       filled=done["filled"],
                       **self._analog_of(done["first_frame"], len(done["positions"])))
        take.fill_report = done["fills"][-1] if done["fills"] else self.fill_report
        return take

    def fill_gaps(self, method: str = "auto", max_gap: float = 0.5) -> "Markers":
        """The take with its gaps filled: "auto" (the best the take's own data
        allows, gap by gap), "linear", "spline", "rigid" or "pattern". Gaps
        longer than `max_gap` seconds, and those at the start or end, stay;
        `fill_report` of the new take says what was filled."""
        return self._cleaned(("fill", method, float(max_gap)))

    def filtered(self, cutoff: float) -> "Markers":
        """The take through the zero-lag low-pass Butterworth filter (second
        order, forward and back, scipy's filtfilt(butter(2, ...)) with its
        padding) at `cutoff` Hz, over each run of seen samples; runs of 9
        samples or fewer stay as they are, dropouts stay dropouts."""
        return self._cleaned(("lowpass", float(cutoff)))

    def cropped(self, first: int, last: int) -> "Markers":
        """The frames numbered `first` to `last`, as the take numbers them."""
        return self._cleaned(("range", int(first), int(last)))

    def renamed(self, names) -> "Markers":
        """The markers named as keys of `names` renamed to their values.

        `names` may instead be the path (str or os.PathLike) of an MNM
        marker-name map: each marker the map names by its TRC name is
        renamed to its GWM code; the map's markers the take lacks are passed
        over and the markers it does not name are kept. A map that cannot be
        opened raises the OSError open() raises."""
        if isinstance(names, (str, os.PathLike)):
            names = _held_map_renames(names, self.names)
        return self._cleaned(("rename", list(names.items())))

    def kept(self, names) -> "Markers":
        """Only the markers named."""
        return self._cleaned(("keep", list(names)))

    def dropped(self, names) -> "Markers":
        """The take without the markers named."""
        return self._cleaned(("drop", list(names)))

    @property
    def frames(self) -> int:
        """The frames (rows) held."""
        return self.positions.shape[0]

    @property
    def frame_numbers(self) -> np.ndarray:
        """Each frame's number, from `first_frame` on."""
        return np.arange(self.first_frame, self.first_frame + self.frames)

    @property
    def times(self) -> np.ndarray:
        """Each frame's time in seconds from frame 0 (all 0 without a rate)."""
        return np.arange(self.frames) / self.rate if self.rate > 0 else np.zeros(self.frames)

    def marker(self, name: str) -> np.ndarray:
        """The positions (frames, 3) of the marker of this name: a view, not a copy."""
        return self.positions[:, self.names.index(name), :]

    def dropouts(self) -> np.ndarray:
        """The frames each marker was not seen at, a count per marker."""
        return np.isnan(self.positions).any(axis=2).sum(axis=0)

    def gaps(self) -> dict[str, list[tuple[int, int]]]:
        """Each marker's runs of dropouts as (first frame number, last frame
        number), for the markers that have any."""
        unseen = np.isnan(self.positions).any(axis=2)
        found = {}
        for m, name in enumerate(self.names):
            edges = np.diff(np.concatenate(([0], unseen[:, m].astype(np.int8), [0])))
            starts, ends = np.flatnonzero(edges == 1), np.flatnonzero(edges == -1) - 1
            if len(starts):
                found[name] = [(int(s) + self.first_frame, int(e) + self.first_frame)
                               for s, e in zip(starts, ends)]
        return found

    def __len__(self) -> int:
        return self.frames

    def __repr__(self) -> str:
        source = f" from {self.format.upper()}" if self.format else ""
        return (f"<Markers{source}: {len(self.names)} markers, {self.frames} frames at "
                f"{self.rate}/s, {self.units}, {self.up.upper()}-up>")


class Skeleton:
    """Skeletal motion: a hierarchy of segments, its base pose and each
    segment's motion frame by frame, as the HTR model holds it.

    `names` has each segment's name; `parents[s]` is the index of segment
    s's parent, -1 for none; `roots[s]` whether the file names GLOBAL as its
    parent. `base` is (segments, 7): the base translation (x, y, z), the base
    rotation (ZYX Euler angles, radians) and the bone length. `motion` is
    (frames, segments, 7): each frame's translation (added to the base),
    rotation (ZYX Euler angles, radians, applied before the base rotation)
    and scale factor. `segment_frames[s]` is the frames segment s holds;
    frames past them read as no motion. `units` is the length unit,
    `rotation_units` what a written HTR file gives its angles in.
    """

    def __init__(self, names, parents, base, motion, *, roots=None, segment_frames=None,
                 rate: int = 60, units: str = "mm", rotation_units: str = "degrees",
                 first_frame: int = 1, header_frames: int | None = None,
                 scale_factor: float = 1.0, normalize_scale_factors: bool = False,
                 format: str | None = None, findings=()):
        self.names = list(names)
        self.parents = np.asarray(parents, dtype=np.int64)
        self.base = np.asarray(base, dtype=np.float64)
        self.motion = np.asarray(motion, dtype=np.float64)
        segments = len(self.names)
        if self.base.shape != (segments, 7) or self.motion.ndim != 3 or \
                self.motion.shape[1:] != (segments, 7) or self.parents.shape != (segments,):
            raise ValueError("parents must be (segments,), base (segments, 7) and motion "
                             "(frames, segments, 7), a segment for each name")
        self.roots = (self.parents < 0) if roots is None else np.asarray(roots, dtype=bool)
        self.segment_frames = (np.full(segments, len(self.motion), dtype=np.uint32)
                               if segment_frames is None
                               else np.asarray(segment_frames, dtype=np.uint32))
        self.rate = int(rate)
        self.units = units
        self.rotation_units = rotation_units
        self.first_frame = int(first_frame)
        self.header_frames = len(self.motion) if header_frames is None else int(header_frames)
        self.scale_factor = float(scale_factor)
        self.normalize_scale_factors = bool(normalize_scale_factors)
        self.format = format
        self.findings = list(findings)

    @property
    def frames(self) -> int:
        """The frames held: those of the segment with the most."""
        return self.motion.shape[0]

    def segment(self, name: str) -> int:
        """The index of the first segment of this name."""
        return self.names.index(name)

    def world_positions(self, base: bool = False) -> np.ndarray:
        """Where every segment stands in the world: (frames, segments, 3), or
        (1, segments, 3) in the base position with base=True. Placed by the
        libraries' HTRPose, parents first."""
        return _core._world_positions(self, base)

    def __len__(self) -> int:
        return self.frames

    def __repr__(self) -> str:
        source = f" from {self.format.upper()}" if self.format else ""
        return (f"<Skeleton{source}: {len(self.names)} segments, {self.frames} frames at "
                f"{self.rate}/s, {self.units}>")


class Conversion(NamedTuple):
    """What convert() wrote: the output's format, the markers or joints and
    frames written, what was changed on the way (one sentence each) and the
    reader's findings."""
    format: str
    points: int
    frames: int
    notes: list
    findings: list


def _held_map_renames(path, held) -> dict[str, str]:
    """The renames of the MNM marker-name map at `path` (TRC name to GWM
    code) for the names in `held`; a name the map gives twice takes its
    first code, as the map's own lookup does."""
    held = set(held)
    renames: dict[str, str] = {}
    for code, name in _core._marker_name_map(os.fsencode(path)):
        if name in held:
            renames.setdefault(name, code)
    return renames


def _take(fields) -> Markers | Skeleton:
    holds = fields.pop("holds")
    if holds == "markers":
        return Markers(fields.pop("positions"), fields.pop("names"), **fields)
    return Skeleton(fields.pop("names"), fields.pop("parents"), fields.pop("base"),
                    fields.pop("motion"), **fields)


def read(source, format: str | None = None, *, accept_misread: bool = False,
         zero_plates: bool = False) -> Markers | Skeleton:
    """Reads a take: a path (str or os.PathLike), or bytes in memory (bytes,
    bytearray, memoryview: what a file holds) with `format` naming the format.

    Without `format` a path's format is told as the command line tells it:
    a C3D, BVH or GWM file by its first bytes, otherwise by its name's
    extension, then by its first bytes. Returns Markers for TRC, C3D and
    GWM files and Skeleton for HTR and BVH files. Warns FindingWarning for
    each finding that makes the read depart from the file. A file the
    system will not open raises the OSError open() raises
    (FileNotFoundError, IsADirectoryError, PermissionError, ...); ReadError
    is raised for a file of no format the libraries read, when the reader
    refuses the file, and for a marker take the reader misreads (values under other markers' names, rows in other frames: a
    finding of effect 'shift') unless accept_misread=True. A "NaN" field is a
    dropout (NaN in `positions`).

    A C3D file's analog channels and force platforms come with its markers
    (Markers.analogs, Markers.platforms); zero_plates=True takes each
    platform's ZERO baseline off its channels before its loads are worked
    out, as `tovfileio convert --forces --zero-plates` does.
    """
    if isinstance(source, (bytes, bytearray, memoryview)):
        if format is None:
            raise TypeError("bytes in memory need format= ('htr', 'trc', 'c3d', 'bvh' or 'gwm')")
        fields = _core._read_memory(source, format, accept_misread, zero_plates)
    else:
        fields = _core._read_file(os.fsencode(source), format, accept_misread, zero_plates)
    take = _take(fields)
    _warn(take.findings, 2)
    return take


def write(path, data: Markers | Skeleton, format: str | None = None, *,
          up: str | None = None) -> dict:
    """Writes `data` as the file at `path`, in the format its name gives
    (.trc, .c3d, .gwm, .csv for Markers; .htr, .bvh for a Skeleton) or
    `format`. The file appears whole or not at all; an older file stays as
    it was when writing fails (WriteError, an OSError with the system's
    errno and the filename). Positions are written as they stand, unless
    `up` ("y" or "z") names the axis the written file is to stand along:
    Markers' positions are then turned from their own `up` as convert()
    turns them (Y-up (x, y, z) stands Z-up as (x, -z, y), and back).

    Returns what a BVH file could not hold as given, by segment name:
    {"joints_with_positions": [...], "scale_dropped": [...]}; empty for the
    other formats. With `up`, "notes" says what was turned:
    {"notes": ["positions turned from Y-up to Z-up"]}.
    """
    if isinstance(data, Markers):
        holds = "markers"
    elif isinstance(data, Skeleton):
        holds = "skeleton"
    else:
        raise TypeError("data must be Markers or a Skeleton")
    return _core._write(os.fsencode(path), data, holds, format, up)


def convert(src, dst, *, to: str | None = None, units: str | None = None,
            up: str | None = None, in_up: str | None = None,
            strict: bool = False, frames: str = "held",
            accept_misread: bool = False) -> Conversion:
    """Converts the take at `src` into `dst` as `tovfileio convert SRC DST`
    does, through the same conversion core: skeletons to skeletons or to
    their joints' world positions as markers, markers to markers a row at a
    time. The output's format is its name's, or `to`. `units` converts every
    length; `up` ("y" or "z") is the axis marker outputs stand up along
    (default: the output format's); `in_up` the axis the input stands up
    along when it is not its format's. With strict=True a take the reader
    warns of is refused before anything is written. The frames written are
    those the file holds; frames="header" pads to its header's count, and
    refuses when that is out of proportion. A marker take the reader
    misreads is refused (ReadError) unless accept_misread=True.

    Warns FindingWarning for the reader's findings; raises the OSError
    open() raises when `src` will not open, ReadError when the input is
    refused, ConversionError for a pair that does not convert or a take the
    writer refuses, WriteError when the file could not be written whole.
    """
    done = _core._convert(os.fsencode(src), os.fsencode(dst), to, units, up, in_up, strict,
                          frames, accept_misread)
    _warn(done["findings"], 2)
    return Conversion(**done)
