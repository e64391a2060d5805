"""Motion-capture files into NumPy arrays and back, through the TOVFileIO
file libraries."""
import os
from typing import NamedTuple, Union

import numpy as np
import numpy.typing as npt

__version__: str

_Path = Union[str, os.PathLike[str]]
_Bytes = Union[bytes, bytearray, memoryview]

class FindingCode:
    """The kind of a finding, as the readers name it."""
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...
    def __int__(self) -> int: ...
    CANNOT_OPEN: FindingCode
    OUT_OF_MEMORY: FindingCode
    EMPTY: FindingCode
    TEXT_IN_NUMBERS: FindingCode
    FRAME_GAPS: FindingCode
    TRC_LAYOUT_NOT_XYZ: FindingCode
    TRC_PATH_TYPE_UNREAD: FindingCode
    TRC_HEADER_NOT_NUMBER: FindingCode
    TRC_NOT_WHOLE: FindingCode
    TRC_UNIT_UNKNOWN: FindingCode
    TRC_NAME_OFF_COLUMN: FindingCode
    TRC_LAST_NAME_UNREAD: FindingCode
    TRC_NAME_LEFT_OUT: FindingCode
    TRC_NAME_EMPTY: FindingCode
    TRC_LABELS_MISSING: FindingCode
    TRC_LABEL_COUNT: FindingCode
    TRC_SEPARATOR_ROW: FindingCode
    TRC_WIDE_ROWS: FindingCode
    TRC_SHORT_ROWS: FindingCode
    TRC_FRAMES_START_ELSEWHERE: FindingCode
    TRC_TIMES_OFF_RATE: FindingCode
    TRC_MARKERS_UNSEEN: FindingCode
    TRC_ROW_COUNT: FindingCode
    TRC_MARKER_COUNT: FindingCode
    TRC_NOTHING: FindingCode
    TRC_NAN_DROPOUTS: FindingCode
    HTR_HEADER_VALUE: FindingCode
    HTR_GRAVITY_X: FindingCode
    HTR_DUPLICATE_SEGMENT: FindingCode
    HTR_SEGMENT_NOT_FOUND: FindingCode
    HTR_SEGMENT_COUNT: FindingCode
    HTR_NOT_WHOLE: FindingCode
    HTR_UNIT_UNKNOWN: FindingCode
    HTR_ROTATION_UNIT_UNKNOWN: FindingCode
    HTR_KEYWORD_CASE: FindingCode
    HTR_HEADER_MISSING: FindingCode
    HTR_NO_HIERARCHY: FindingCode
    HTR_NO_ROOT: FindingCode
    HTR_SEGMENTS_AGAINST_HEADER: FindingCode
    HTR_FRAMES_AGAINST_HEADER: FindingCode
    HTR_UNKNOWN_SECTION: FindingCode
    HTR_NOTHING: FindingCode
    GWM_REFUSED: FindingCode
    BVH_REFUSED: FindingCode
    BVH_RATE_NOT_WHOLE: FindingCode
    BVH_NAME_BLANKS: FindingCode
    C3D_NOT_C3D: FindingCode
    C3D_DAMAGED: FindingCode
    C3D_FRAMES_MISSING: FindingCode
    C3D_LABELS_RENAMED: FindingCode
    C3D_UNIT_UNKNOWN: FindingCode
    C3D_RATE_NOT_WHOLE: FindingCode
    C3D_ANALOG_SKIPPED: FindingCode
    C3D_PARAMETER_SHORT: FindingCode
    C3D_ANALOG_VALUES: FindingCode

class Finding:
    """One thing a reader found in a file besides its values."""
    @property
    def code(self) -> FindingCode: ...
    @property
    def format(self) -> str:
        """'htr', 'trc', 'gwm', 'bvh' or 'c3d'."""
    @property
    def effect(self) -> str:
        """'refusal', 'shift', 'misread' or 'note'."""
    @property
    def line(self) -> int:
        """From 1; 0 for the file as a whole."""
    @property
    def column(self) -> int:
        """In characters from 1 (a byte offset in a C3D file); 0 for the whole line."""
    @property
    def found(self) -> str:
        """The text at that place, as the file has it."""
    @property
    def count(self) -> int:
        """Places of this kind (this is the first)."""
    @property
    def text(self) -> str:
        """The libraries' sentence for it, as the command line says it."""
    @property
    def is_warning(self) -> bool:
        """Whether a read warns of it: a shift or a misread."""

class FindingWarning(UserWarning):
    """A finding that makes the read depart from what the file means."""
    finding: Finding | None
    def __init__(self, text: str, finding: Finding | None = ...) -> None: ...

class Error(Exception):
    """What the libraries refuse."""

class ReadError(Error):
    """A file the reader refuses; its text ends with the file's name."""
    message: str
    cause: str
    line: int | None
    column: int | None
    findings: list[Finding]
    path: str | None  # None for bytes read in memory

class WriteError(Error, OSError):
    """A file that could not be written whole; an older file stays as it was."""
    message: str
    errno: int | None  # None when the writer refused the take itself
    strerror: str | None
    filename: str

class ConversionError(Error):
    """A conversion refused; nothing was written."""
    message: str
    findings: list[Finding]

class Platform:
    """A C3D force platform and its loads (samples, 3) in the lab's frame."""
    type: int
    corners: npt.NDArray[np.float64]
    origin: npt.NDArray[np.float64]
    channels: list[int]
    forces: npt.NDArray[np.float64] | None
    moments: npt.NDArray[np.float64] | None
    cop: npt.NDArray[np.float64] | None
    why: str | None  # why the loads were not computed
    baseline: str  # "not asked", "taken", "no range" or "outside samples"
    def __init__(self, type: int, corners: npt.ArrayLike, origin: npt.ArrayLike,
                 channels: list[int], *, forces: npt.NDArray[np.float64] | None = ...,
                 moments: npt.NDArray[np.float64] | None = ...,
                 cop: npt.NDArray[np.float64] | None = ..., why: str | None = ...,
                 baseline: str = ...) -> None: ...

class Markers:
    """Marker trajectories: positions (frames, markers, 3), NaN for a dropout."""
    positions: npt.NDArray[np.float64]
    names: list[str]
    rate: int
    camera_rate: int
    units: str
    first_frame: int
    header_frames: int
    up: str
    format: str | None
    findings: list[Finding]
    filled: npt.NDArray[np.bool_]
    fill_report: dict[str, list[tuple]] | None
    analogs: npt.NDArray[np.float64]  # (samples, channels); (0, 0) but for C3D
    analog_labels: list[str]
    analog_units: list[str]
    analog_rate: float  # 0.0 but for C3D
    analog_samples_per_frame: int
    platforms: list[Platform]
    def __init__(self, positions: npt.ArrayLike, names: list[str], rate: int = ..., *,
                 units: str = ..., first_frame: int = ..., camera_rate: int | None = ...,
                 header_frames: int | None = ..., up: str = ..., format: str | None = ...,
                 findings: list[Finding] = ..., filled: npt.ArrayLike | None = ...,
                 analogs: npt.ArrayLike | None = ..., analog_labels: list[str] = ...,
                 analog_units: list[str] = ..., analog_rate: float = ...,
                 analog_samples_per_frame: int | None = ...,
                 platforms: list[Platform] = ...) -> None: ...
    def fill_gaps(self, method: str = ..., max_gap: float = ...) -> Markers:
        """The take with its gaps filled (auto, linear, spline, rigid, pattern)."""
    def filtered(self, cutoff: float) -> Markers:
        """The take through the zero-lag low-pass Butterworth filter at `cutoff` Hz."""
    def cropped(self, first: int, last: int) -> Markers:
        """The frames numbered `first` to `last`."""
    def renamed(self, names: dict[str, str] | _Path) -> Markers:
        """The markers renamed, old name to new, or by an MNM map's pairs."""
    def kept(self, names: list[str]) -> Markers:
        """Only the markers named."""
    def dropped(self, names: list[str]) -> Markers:
        """The take without the markers named."""
    @property
    def frames(self) -> int: ...
    @property
    def frame_numbers(self) -> npt.NDArray[np.int64]: ...
    @property
    def times(self) -> npt.NDArray[np.float64]: ...
    def marker(self, name: str) -> npt.NDArray[np.float64]:
        """The positions (frames, 3) of the marker of this name: a view."""
    def dropouts(self) -> npt.NDArray[np.int64]:
        """The frames each marker was not seen at."""
    def gaps(self) -> dict[str, list[tuple[int, int]]]:
        """Each marker's runs of dropouts as (first, last) frame numbers."""
    def __len__(self) -> int: ...

class Skeleton:
    """Skeletal motion: hierarchy, base pose (segments, 7), motion (frames, segments, 7)."""
    names: list[str]
    parents: npt.NDArray[np.int64]
    roots: npt.NDArray[np.bool_]
    base: npt.NDArray[np.float64]
    motion: npt.NDArray[np.float64]
    segment_frames: npt.NDArray[np.uint32]
    rate: int
    units: str
    rotation_units: str
    first_frame: int
    header_frames: int
    scale_factor: float
    normalize_scale_factors: bool
    format: str | None
    findings: list[Finding]
    def __init__(self, names: list[str], parents: npt.ArrayLike, base: npt.ArrayLike,
                 motion: npt.ArrayLike, *, roots: npt.ArrayLike | None = ...,
                 segment_frames: npt.ArrayLike | None = ..., rate: int = ..., units: str = ...,
                 rotation_units: str = ..., first_frame: int = ...,
                 header_frames: int | None = ..., scale_factor: float = ...,
                 normalize_scale_factors: bool = ..., format: str | None = ...,
                 findings: list[Finding] = ...) -> None: ...
    @property
    def frames(self) -> int: ...
    def segment(self, name: str) -> int: ...
    def world_positions(self, base: bool = ...) -> npt.NDArray[np.float64]:
        """(frames, segments, 3), or (1, segments, 3) in the base position."""
    def __len__(self) -> int: ...

class Conversion(NamedTuple):
    format: str
    points: int
    frames: int
    notes: list[str]
    findings: list[Finding]

def read(source: _Path | _Bytes, format: str | None = ..., *,
         accept_misread: bool = ..., zero_plates: bool = ...) -> Markers | Skeleton:
    """Reads a take from a path, or from bytes in memory with format=."""
def write(path: _Path, data: Markers | Skeleton, format: str | None = ..., *,
          up: str | None = ...) -> dict[str, list[str]]:
    """Writes data as the file at path, whole or not at all; up= turns Markers to stand along it."""
def convert(src: _Path, dst: _Path, *, to: str | None = ..., units: str | None = ...,
            up: str | None = ..., in_up: str | None = ..., strict: bool = ...,
            frames: str = ..., accept_misread: bool = ...) -> Conversion:
    """Converts src into dst as `tovfileio convert` does."""
