"""A second, independent reading of C3D files' analog channels and force
platforms, in NumPy, to hold the library's numbers against.

It reads the 512-byte header, the parameter section (groups and their
parameters) and the data section frame by frame (points, then the frame's
analog samples), scales the analog channels and works out each force
platform's force, moment and centre of pressure for every analog sample.

usage: c3d_reference.py analog FILE   the channels as the --analog CSV
       c3d_reference.py forces FILE   the platforms as the --forces CSV
       c3d_reference.py summary FILE  channels, rate, platforms, peaks
"""
import sys

import numpy as np

BLOCK = 512
INTEL, DEC, MIPS = 84, 85, 86


# --- numbers as the processor that wrote the file stored them ---------------

class Numbers:
    """Decodes 16-bit integers and 32-bit floats in one processor's format:
    Intel little-endian IEEE, DEC little-endian words with VAX floats, MIPS
    big-endian IEEE."""

    def __init__(self, processor):
        if processor not in (INTEL, DEC, MIPS):
            raise ValueError(f"unknown processor type {processor}")
        self.processor = processor
        self.order = ">" if processor == MIPS else "<"

    def int16(self, raw, count=None):
        return np.frombuffer(raw, dtype=self.order + "i2", count=-1 if count is None else count)

    def uint16(self, raw):
        return np.frombuffer(raw, dtype=self.order + "u2")

    def float32(self, raw):
        if self.processor != DEC:
            return np.frombuffer(raw, dtype=self.order + "f4").astype(np.float64)
        return vax_floats(raw)


def vax_floats(raw):
    """VAX F floats: two little-endian words, the one with sign and exponent
    first, an exponent bias two above IEEE's. Swapping the words gives IEEE
    bits worth four times the value; a zero exponent is zero."""
    words = np.frombuffer(raw, dtype="<u2").reshape(-1, 2)
    bits = (words[:, 0].astype(np.uint32) << 16) | words[:, 1].astype(np.uint32)
    values = bits.view("<f4").astype(np.float64) / 4.0
    values[(bits & 0x7F800000) == 0] = 0.0
    return values


# --- header -----------------------------------------------------------------

def read_header(data, numbers):
    words = numbers.int16(data[:BLOCK])
    unsigned = numbers.uint16(data[:BLOCK])
    return {
        "parameter_block": data[0],
        "points": int(unsigned[1]),
        "analog_per_frame": int(unsigned[2]),
        "first_frame": int(unsigned[3]),
        "last_frame": int(unsigned[4]),
        "scale": float(numbers.float32(data[12:16])[0]),
        "data_block": int(unsigned[8]),
        "samples_per_frame": int(unsigned[9]),
        "frame_rate": float(numbers.float32(data[20:24])[0]),
        "max_gap": int(words[5]),
    }


# --- parameter section ------------------------------------------------------

def read_parameters(data, start, numbers):
    """{GROUP: {NAME: value}}, names upper-case. Characters come back as a
    string or a list of blank-trimmed strings; numbers as an array shaped
    with the file's first dimension fastest (Fortran order)."""
    end = start + BLOCK * max(data[start + 2], 1)
    groups, members = {}, []
    at = start + 4
    while at + 2 <= end:
        name_length = abs(signed_byte(data[at]))
        group_id = signed_byte(data[at + 1])
        if name_length == 0 or group_id == 0:
            break
        name = data[at + 2:at + 2 + name_length].decode("latin-1").upper()
        link_at = at + 2 + name_length
        link = int(numbers.int16(data[link_at:link_at + 2])[0])
        if group_id < 0:
            groups[-group_id] = name
        else:
            members.append((group_id, name, read_value(data, link_at + 2, numbers)))
        if link == 0:
            break
        at = link_at + link
    params = {name: {} for name in groups.values()}
    for group_id, name, value in members:
        params.setdefault(groups.get(group_id, f"GROUP{group_id}"), {})[name] = value
    return params


def signed_byte(value):
    """Name lengths, group ids and parameter types are signed bytes: a
    negative name length marks a locked entry, a negative id a group."""
    return value - 256 if value > 127 else value


def read_value(data, at, numbers):
    kind = signed_byte(data[at])
    rank = data[at + 1]
    dims = list(data[at + 2:at + 2 + rank])
    at += 2 + rank
    size = abs(kind) * int(np.prod(dims)) if rank else abs(kind)
    raw = bytes(data[at:at + size])
    if kind == -1:
        return characters(raw, dims)
    if kind == 1:
        values = np.frombuffer(raw, dtype="u1").astype(np.int64)
    elif kind == 2:
        values = numbers.int16(raw).astype(np.int64)
    elif kind == 4:
        values = numbers.float32(raw)
    else:
        raise ValueError(f"parameter of unknown type {kind}")
    return values.reshape(dims, order="F") if rank else values


def characters(raw, dims):
    text = raw.decode("latin-1")
    if len(dims) <= 1:
        return text.rstrip(" \0")
    width = dims[0]
    return [text[i:i + width].rstrip(" \0") for i in range(0, len(text), width)]


def param(params, group, name, default=None):
    return params.get(group, {}).get(name, default)


def numbers_of(params, group, names):
    """A numeric parameter with its continuations (SCALE, SCALE2, ...)
    joined into one flat array."""
    parts = [param(params, group, name) for name in names]
    return np.concatenate([np.ravel(np.asarray(p, dtype=np.float64)) for p in parts if p is not None]
                          or [np.zeros(0)])


def continued(name):
    return [name] + [f"{name}{k}" for k in range(2, 10)]


# --- data section -----------------------------------------------------------

def read_c3d(path):
    with open(path, "rb") as f:
        data = f.read()
    parameter_start = BLOCK * (data[0] - 1)
    numbers = Numbers(data[parameter_start + 3])
    header = read_header(data, numbers)
    params = read_parameters(data, parameter_start, numbers)
    points, stored, samples_per_frame = read_frames(data, header, params, numbers)
    channel_count = stored.shape[1]
    rate = float(np.ravel(param(params, "ANALOG", "RATE", [header["frame_rate"] * samples_per_frame]))[0])
    return {
        "header": header,
        "params": params,
        "processor": numbers.processor,
        "points": points,
        "analogs": scale_analogs(stored, params, channel_count),
        "labels": [label.rstrip() for label in labels_of(params, channel_count)],
        "rate": rate,
        "samples_per_frame": samples_per_frame,
        "first_sample": (header["first_frame"] - 1) * samples_per_frame + 1,
        "platforms": platforms_of(params),
        "point_unit": point_unit(params),
    }


def read_frames(data, header, params, numbers):
    """The points (frames x points x [x, y, z, residual word]) in the
    point unit, the analog samples as stored (samples x channels), and the
    analog samples per frame. Floats throughout when POINT:SCALE < 0."""
    point_count = int(np.ravel(param(params, "POINT", "USED", [header["points"]]))[0])
    point_scale = float(np.ravel(param(params, "POINT", "SCALE", [header["scale"]]))[0])
    stored_as_floats = point_scale < 0
    channel_count = int(np.ravel(param(params, "ANALOG", "USED", [0]))[0])
    samples_per_frame = header["samples_per_frame"]
    if samples_per_frame == 0 and channel_count:
        samples_per_frame = header["analog_per_frame"] // channel_count

    point_words = 4 * point_count
    analog_words = channel_count * samples_per_frame
    frame_bytes = (4 if stored_as_floats else 2) * (point_words + analog_words)
    start = BLOCK * (header["data_block"] - 1)
    frame_count = header["last_frame"] - header["first_frame"] + 1
    if frame_bytes:
        frame_count = min(frame_count, (len(data) - start) // frame_bytes)
    block = data[start:start + frame_count * frame_bytes]
    if stored_as_floats:
        values = numbers.float32(block)
    else:
        values = numbers.int16(block).astype(np.float64)
    values = values.reshape(frame_count, point_words + analog_words)

    points = values[:, :point_words].reshape(frame_count, point_count, 4).copy()
    if not stored_as_floats:
        points[:, :, :3] *= point_scale
    stored = values[:, point_words:].reshape(frame_count * samples_per_frame, channel_count)
    if not stored_as_floats and analog_is_unsigned(params):
        stored = np.where(stored < 0, stored + 65536, stored)
    return points, stored, samples_per_frame


def text(params, group, name, default):
    """A character parameter, or the first string of a character array."""
    value = param(params, group, name, default)
    if isinstance(value, list):
        value = value[0] if value else ""
    return value.strip()


def analog_is_unsigned(params):
    return text(params, "ANALOG", "FORMAT", "SIGNED").upper() == "UNSIGNED"


def scale_analogs(stored, params, channel_count):
    """(stored - OFFSET) * SCALE * GEN_SCALE, channel by channel; a channel
    past the end of OFFSET or SCALE takes 0 and 1."""
    offsets = np.zeros(channel_count)
    scales = np.ones(channel_count)
    given_offsets = numbers_of(params, "ANALOG", continued("OFFSET"))[:channel_count]
    given_scales = numbers_of(params, "ANALOG", continued("SCALE"))[:channel_count]
    if analog_is_unsigned(params):
        given_offsets = np.where(given_offsets < 0, given_offsets + 65536, given_offsets)
    offsets[:len(given_offsets)] = given_offsets
    scales[:len(given_scales)] = given_scales
    general = float(np.ravel(param(params, "ANALOG", "GEN_SCALE", [1.0]))[0])
    return (stored - offsets) * scales * general


def labels_of(params, channel_count):
    labels = []
    for name in continued("LABELS"):
        part = param(params, "ANALOG", name)
        if part is not None:
            labels += [part] if isinstance(part, str) else part
    return labels[:channel_count]


def point_unit(params):
    return text(params, "POINT", "UNITS", "mm") or "mm"


def millimetres(unit):
    return {"mm": 1.0, "cm": 10.0, "m": 1000.0}.get(unit.lower(), 1.0)


# --- force platforms ----------------------------------------------------------

def platforms_of(params):
    """Each platform's type, 1-based analog channels, corners (4 x 3, lab
    frame), ORIGIN and, for type 4, its 6 x 6 calibration matrix."""
    group = params.get("FORCE_PLATFORM", {})
    used = int(np.ravel(group.get("USED", [0]))[0])
    if used == 0:
        return []
    types = np.ravel(group["TYPE"]).astype(int)
    channels = np.reshape(np.ravel(group["CHANNEL"], order="F"), (-1, used), order="F")
    corners = np.reshape(np.ravel(group["CORNERS"], order="F"), (3, 4, -1), order="F")
    origins = np.reshape(np.ravel(group["ORIGIN"], order="F"), (3, -1), order="F")
    calibrations = group.get("CAL_MATRIX")
    if calibrations is not None:
        calibrations = np.reshape(np.ravel(calibrations, order="F"), (6, 6, -1), order="F")
    polynomials = group.get("FPCOPPOLY")
    if polynomials is not None:
        polynomials = np.reshape(np.ravel(polynomials, order="F"), (-1, used), order="F")
    platforms = []
    for p in range(used):
        platform = {
            "type": int(types[p]),
            "channels": [int(c) for c in channels[:, p]],
            "corners": corners[:, :, p].T.astype(np.float64),
            "origin": origins[:, p].astype(np.float64),
            "cop_polynomial": (polynomials[:, p].astype(np.float64)
                               if polynomials is not None and int(types[p]) == 3 else None),
        }
        if platform["type"] == 4:
            platform["calibration"] = calibrations[:, :, p].astype(np.float64)
        platforms.append(platform)
    return platforms


def plate_axes(corners):
    """The plate's axes as the columns of a rotation (plate to lab) and its
    centre: x along corner 1 - corner 2, y along corner 1 - corner 4,
    z = x cross y, y made square to both."""
    x = corners[0] - corners[1]
    y = corners[0] - corners[3]
    z = np.cross(x, y)
    y = np.cross(z, x)
    axes = np.column_stack([v / np.linalg.norm(v) for v in (x, y, z)])
    return axes, corners.mean(axis=0)


def sensor_origin(platform):
    """ORIGIN with its z below the surface: a positive z is negated."""
    origin = platform["origin"].copy()
    if origin[2] > 0:
        origin[2] = -origin[2]
    return origin


def forces(c3d):
    """Per platform: force, moment about the plate's centre and centre of
    pressure, all in the lab's frame, one row per analog sample; plate_fz
    is the vertical force in the plate's own frame."""
    results = []
    for platform in c3d["platforms"]:
        channels = c3d["analogs"][:, [c - 1 for c in platform["channels"]]]
        axes, centre = plate_axes(platform["corners"])
        if platform["type"] == 1:
            force, moment, cop = type1_loads(channels)
        else:
            force, moment = plate_loads(platform, channels)
            with np.errstate(divide="ignore", invalid="ignore"):
                cop = np.column_stack([-moment[:, 1] / force[:, 2], moment[:, 0] / force[:, 2],
                                       np.zeros(len(force))])
            polynomial = platform["cop_polynomial"]
            if polynomial is not None and len(polynomial) == 12:
                cop = kistler_corrected(cop, polynomial, millimetres(c3d["point_unit"]))
        with np.errstate(invalid="ignore"):
            cop = cop @ axes.T + centre
        results.append({
            "type": platform["type"],
            "force": force @ axes.T,
            "moment": moment @ axes.T,
            "cop": cop,
            "plate_fz": force[:, 2].copy(),
        })
    return results


def kistler_corrected(cop, p, mm_per_unit):
    """The plate maker's correction of a type 3 centre of pressure (plate
    frame, from its centre): in mm, x less
    (P1x y^4 + P2x y^2 + P3x) x^3 + (P4x y^4 + P5x y^2 + P6x) x, y less the
    same with x and y swapped and P1y..P6y; p holds P1x..P6x, P1y..P6y."""
    x = cop[:, 0] * mm_per_unit
    y = cop[:, 1] * mm_per_unit
    with np.errstate(invalid="ignore", over="ignore"):
        dx = (p[0] * y**4 + p[1] * y**2 + p[2]) * x**3 + (p[3] * y**4 + p[4] * y**2 + p[5]) * x
        dy = (p[6] * x**4 + p[7] * x**2 + p[8]) * y**3 + (p[9] * x**4 + p[10] * x**2 + p[11]) * y
    return np.column_stack([(x - dx) / mm_per_unit, (y - dy) / mm_per_unit, cop[:, 2]])


def type1_loads(channels):
    """Fx, Fy, Fz, centre of pressure x and y, and Tz, in the plate's frame;
    the moment is F cross COP minus Tz."""
    force = channels[:, 0:3]
    cop = np.column_stack([channels[:, 3], channels[:, 4], np.zeros(len(channels))])
    moment = np.cross(force, cop)
    moment[:, 2] -= channels[:, 5]
    return force, moment, cop


def plate_loads(platform, channels):
    """Force and moment about the plate's centre in the plate's frame, for
    the six-channel types 2 and 4 and the eight-channel type 3."""
    origin = sensor_origin(platform)
    if platform["type"] == 3:
        c1, c2, c3, c4, c5, c6, c7, c8 = channels.T
        force = np.column_stack([c1 + c2, c3 + c4, c5 + c6 + c7 + c8])
        moment = np.column_stack([origin[1] * (c5 + c6 - c7 - c8),
                                  origin[0] * (c6 + c7 - c5 - c8),
                                  origin[1] * (c2 - c1) + origin[0] * (c3 - c4)])
        return force, moment + np.cross(force, [0.0, 0.0, origin[2]])
    if platform["type"] == 4:
        channels = channels @ platform["calibration"].T
    elif platform["type"] != 2:
        raise ValueError(f"force platform type {platform['type']} is not read")
    force, moment = channels[:, 0:3], channels[:, 3:6]
    return force, moment + np.cross(force, origin)


# --- output -------------------------------------------------------------------

def number(value):
    return "nan" if not np.isfinite(value) else f"{value:.10g}"


def analog_csv(c3d, out):
    rate = c3d["rate"]
    out.write(",".join(["sample", "time"] + c3d["labels"]) + "\n")
    for k, row in enumerate(c3d["analogs"]):
        sample = c3d["first_sample"] + k
        out.write(",".join([str(sample), number((sample - 1) / rate)] + [number(v) for v in row]) + "\n")


def forces_csv(c3d, out):
    rate = c3d["rate"]
    loads = forces(c3d)
    out.write("sample,time,platform,fx,fy,fz,mx,my,mz,copx,copy,copz\n")
    for k in range(len(c3d["analogs"])):
        sample = c3d["first_sample"] + k
        for p, load in enumerate(loads, start=1):
            values = np.concatenate([load["force"][k], load["moment"][k], load["cop"][k]])
            out.write(",".join([str(sample), number((sample - 1) / rate), str(p)]
                               + [number(v) for v in values]) + "\n")


def summary(c3d, out):
    analogs = c3d["analogs"]
    out.write(f"channels {analogs.shape[1]}, rate {c3d['rate']:g} Hz, samples {analogs.shape[0]} "
              f"(from {c3d['first_sample']}), processor {c3d['processor']}, point unit {c3d['point_unit']}\n")
    for p, load in enumerate(forces(c3d), start=1):
        fz = load["plate_fz"]
        loaded = np.abs(fz) > 50
        line = f"platform {p}: type {load['type']}, peak |Fz| {np.max(np.abs(fz)):.1f}"
        if loaded.any():
            cop = load["cop"][loaded]
            line += (f", {loaded.sum()} samples over 50 N, COP x {cop[:, 0].min():.1f}..{cop[:, 0].max():.1f}"
                     f" y {cop[:, 1].min():.1f}..{cop[:, 1].max():.1f} z {cop[:, 2].min():.1f}..{cop[:, 2].max():.1f}")
        out.write(line + "\n")


def main(argv):
    if len(argv) != 2 or argv[0] not in ("analog", "forces", "summary"):
        sys.stderr.write(__doc__)
        return 2
    c3d = read_c3d(argv[1])
    {"analog": analog_csv, "forces": forces_csv, "summary": summary}[argv[0]](c3d, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
