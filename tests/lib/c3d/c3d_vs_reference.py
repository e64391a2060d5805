"""Holds the analog channels and force platforms that `tovfileio convert`
writes from a C3D file against c3d_reference.py's own reading of the file.

usage: c3d_vs_reference.py TOVFILEIO FILE   compare the --analog and --forces CSVs
       c3d_vs_reference.py --sanity FILE    check the reference alone on FILE
       c3d_vs_reference.py --cop-polynomial TOVFILEIO FILE
           the same on a copy of FILE (Intel, with a type 3 platform) given
           a centre-of-pressure correction polynomial (FPCOPPOLY) of the
           test's own, which must move the centre of pressure, and on a
           C3D copy of that made by TOVFILEIO

Analog samples agree within 1e-6 of each channel's largest magnitude;
forces and moments within 1e-4 of the platform's largest |F| and |M|; the
centre of pressure within 0.5 mm wherever |Fz| > 50 N. Exit status 77
(skipped) when FILE or numpy is missing, 1 naming the file, column and
sample of the first disagreement.
"""
import os
import subprocess
import sys
import tempfile

ANALOG_TOLERANCE = 1e-6
LOAD_TOLERANCE = 1e-4
COP_TOLERANCE_MM = 0.5
LOADED_N = 50.0
BEARING_N = 200.0
FOOT_REACH_MM = 130.0
FORCE_COLUMNS = ["sample", "time", "platform", "fx", "fy", "fz", "mx", "my", "mz", "copx", "copy", "copz"]


class Disagreement(Exception):
    pass


def read_csv(path, np):
    """The header's names and the rows as floats; an empty cell or "nan"
    is NaN."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    names = lines[0].split(",")
    rows = [[float(cell) if cell.strip() not in ("", "nan") else np.nan for cell in line.split(",")]
            for line in lines[1:] if line]
    return names, np.array(rows, dtype=np.float64).reshape(len(rows), len(names))


def convert(program, c3d_path, option, folder):
    out = os.path.join(folder, option.strip("-") + ".csv")
    run = subprocess.run([program, "convert", c3d_path, out, option], capture_output=True, text=True)
    if run.returncode != 0:
        raise Disagreement(f"{os.path.basename(c3d_path)}: convert {option} failed ({run.returncode}): "
                           f"{run.stderr.strip()}")
    return out


def worst(ours, theirs, tolerance, np):
    """The index and size of the largest difference, and whether any
    difference passes its tolerance or a value is missing on one side only."""
    difference = np.abs(ours - theirs)
    difference[np.isnan(ours) & np.isnan(theirs)] = 0.0
    difference[np.isnan(difference)] = np.inf
    k = int(np.argmax(difference))
    return k, float(difference[k]), bool(difference[k] > tolerance)


def check_columns(name, got, expected, label):
    if got != expected:
        raise Disagreement(f"{name}: {label} columns are {got}, expected {expected}")


def check_counts(name, got, expected, label):
    if got != expected:
        raise Disagreement(f"{name}: {label} has {got} rows, expected {expected}")


def check_sample_columns(name, rows, samples, rate, label, np):
    k, size, bad = worst(rows[:, 0], samples, 0.0, np)
    if bad:
        raise Disagreement(f"{name}: {label} sample column at row {k + 1}: {rows[k, 0]} against {samples[k]}")
    k, size, bad = worst(rows[:, 1], (samples - 1) / rate, 1e-9 * max(1.0, samples[-1] / rate), np)
    if bad:
        raise Disagreement(f"{name}: {label} time at sample {int(samples[k])} is off by {size:g}")


def compare_analog(name, c3d, csv_path, np):
    names, rows = read_csv(csv_path, np)
    check_columns(name, names, ["sample", "time"] + c3d["labels"], "--analog")
    analogs = c3d["analogs"]
    check_counts(name, len(rows), len(analogs), "--analog")
    samples = c3d["first_sample"] + np.arange(len(analogs), dtype=np.float64)
    check_sample_columns(name, rows, samples, c3d["rate"], "--analog", np)
    largest = []
    for c, label in enumerate(c3d["labels"]):
        peak = float(np.max(np.abs(analogs[:, c]))) if len(analogs) else 0.0
        k, size, bad = worst(rows[:, 2 + c], analogs[:, c], ANALOG_TOLERANCE * max(peak, 1e-30), np)
        largest.append((size / max(peak, 1e-30), label, int(samples[k])))
        if bad:
            raise Disagreement(f"{name}: --analog column {label} at sample {int(samples[k])}: "
                               f"{rows[k, 2 + c]!r} against {analogs[k, c]!r}")
    if largest:
        print("analog: largest relative difference %.3g (%s, sample %d)" % max(largest))


def compare_forces(name, c3d, csv_path, np):
    import c3d_reference
    names, rows = read_csv(csv_path, np)
    check_columns(name, names, FORCE_COLUMNS, "--forces")
    loads = c3d_reference.forces(c3d)
    count = len(c3d["analogs"])
    check_counts(name, len(rows), count * len(loads), "--forces")
    cop_tolerance = COP_TOLERANCE_MM / c3d_reference.millimetres(c3d["point_unit"])
    for p, load in enumerate(loads):
        mine = rows[p::len(loads)] if loads else rows
        samples = c3d["first_sample"] + np.arange(count, dtype=np.float64)
        check_sample_columns(name, mine, samples, c3d["rate"], f"--forces platform {p + 1}", np)
        if np.any(mine[:, 2] != p + 1):
            raise Disagreement(f"{name}: --forces rows of platform {p + 1} are out of order")
        compare_vectors(name, p, mine[:, 3:6], load["force"], ("fx", "fy", "fz"), samples, np)
        compare_vectors(name, p, mine[:, 6:9], load["moment"], ("mx", "my", "mz"), samples, np)
        loaded = np.abs(load["plate_fz"]) > LOADED_N
        for a, column in enumerate(("copx", "copy", "copz")):
            k, size, bad = worst(mine[loaded, 9 + a], load["cop"][loaded, a], cop_tolerance, np)
            at = int(samples[loaded][k]) if loaded.any() else 0
            print(f"platform {p + 1} {column}: largest difference {size:.3g} (sample {at})")
            if bad:
                raise Disagreement(f"{name}: --forces platform {p + 1} column {column} at sample {at}: "
                                   f"{mine[loaded][k, 9 + a]!r} against {load['cop'][loaded][k, a]!r}")


def compare_vectors(name, p, ours, theirs, columns, samples, np):
    """Each component within a share of the platform's largest magnitude."""
    scale = float(np.nanmax(np.linalg.norm(theirs, axis=1))) if len(theirs) else 0.0
    for a, column in enumerate(columns):
        k, size, bad = worst(ours[:, a], theirs[:, a], LOAD_TOLERANCE * max(scale, 1e-30), np)
        print(f"platform {p + 1} {column}: largest relative difference {size / max(scale, 1e-30):.3g} "
              f"(sample {int(samples[k])})")
        if bad:
            raise Disagreement(f"{name}: --forces platform {p + 1} column {column} at sample {int(samples[k])}: "
                               f"{ours[k, a]!r} against {theirs[k, a]!r}")


# --- the reference on its own -------------------------------------------------

def sanity(name, c3d, np):
    """What the reference must show on a real take: stance loads of body
    weight, centres of pressure on the plate and beside the foot markers, a type 4 plate with an
    identity calibration reading as type 2, and a type 1 plate's centre of
    pressure being its own two channels."""
    import c3d_reference
    vax_floats_decode(np)
    loads = c3d_reference.forces(c3d)
    for p, (platform, load) in enumerate(zip(c3d["platforms"], loads), start=1):
        peak = float(np.max(np.abs(load["plate_fz"])))
        if not 300.0 < peak < 2000.0:
            raise Disagreement(f"{name}: platform {p} peak |Fz| {peak:.1f} N is not a person's weight")
        share = share_off_plate(platform, load, np)
        if share > 0.02:
            raise Disagreement(f"{name}: platform {p} has {100 * share:.1f}% of loaded samples' COP off the plate")
        reach = marker_reach(c3d, load, np) * c3d_reference.millimetres(c3d["point_unit"])
        if reach > FOOT_REACH_MM:
            raise Disagreement(f"{name}: platform {p} COP is {reach:.0f} mm from the nearest marker (90th percentile)")
        if platform["type"] in (2, 4):
            same_as_identity_type4(name, p, c3d, platform, load, np)
        if platform["type"] == 1:
            cop_from_channels(name, p, c3d, platform, load, np)


def vax_floats_decode(np):
    """VAX floats worked out by hand: the word holding sign and exponent
    comes first, and the exponent's bias is 128 with the fraction read as
    0.1f."""
    import c3d_reference
    cases = [(b"\x80\x40\x00\x00", 1.0), (b"\x20\xc1\x00\x00", -2.5),
             (b"\x00\x00\x00\x00", 0.0), (b"\x80\x3f\x00\x00", 0.25),
             (b"\x70\x43\x00\x00", 60.0), (b"\x00\x3f\xd5\xaa", 0.12565167248249054)]
    for raw, expected in cases:
        got = float(c3d_reference.vax_floats(raw)[0])
        if got != expected:
            raise Disagreement(f"VAX float {raw.hex()} reads {got!r}, expected {expected!r}")


def marker_reach(c3d, load, np):
    """How far the centre of pressure lies from the nearest seen marker
    while the plate bears weight, at the 90th percentile: a foot stands on
    it, so a turned axis or a wrong sign puts it well away from every
    marker even when it stays on the plate."""
    points, per_frame = c3d["points"], c3d["samples_per_frame"]
    distances = []
    for k in np.nonzero(np.abs(load["plate_fz"]) > BEARING_N)[0]:
        frame = points[k // per_frame]
        seen = frame[:, 3] >= 0
        if seen.any():
            distances.append(np.min(np.linalg.norm(frame[seen, :3] - load["cop"][k], axis=1)))
    return float(np.percentile(distances, 90)) if distances else 0.0


def share_off_plate(platform, load, np):
    import c3d_reference
    axes, centre = c3d_reference.plate_axes(platform["corners"])
    half = np.abs((platform["corners"] - centre) @ axes)[:, :2].max(axis=0)
    loaded = np.abs(load["plate_fz"]) > LOADED_N
    on_plate = (load["cop"][loaded] - centre) @ axes
    off = np.any(np.abs(on_plate[:, :2]) > half + 1e-6, axis=1)
    return float(off.mean()) if loaded.any() else 0.0


def same_as_identity_type4(name, p, c3d, platform, load, np):
    """A type 2 plate read as type 4 through the identity, or a type 4
    plate read as type 2 on channels already through its matrix."""
    import c3d_reference
    twin = dict(platform)
    analogs = c3d["analogs"].copy()
    columns = [c - 1 for c in platform["channels"]]
    if platform["type"] == 2:
        twin.update(type=4, calibration=np.eye(6))
    else:
        analogs[:, columns] = analogs[:, columns] @ platform["calibration"].T
        twin["type"] = 2
    other = c3d_reference.forces(dict(c3d, analogs=analogs, platforms=[twin]))[0]
    for key in ("force", "moment"):
        if not np.allclose(other[key], load[key], rtol=1e-12, atol=1e-9):
            raise Disagreement(f"{name}: platform {p} {key} differs between type 2 and identity type 4")


def cop_from_channels(name, p, c3d, platform, load, np):
    import c3d_reference
    axes, centre = c3d_reference.plate_axes(platform["corners"])
    channels = c3d["analogs"][:, [c - 1 for c in platform["channels"]]]
    on_plate = (load["cop"] - centre) @ axes
    if not np.allclose(on_plate[:, :2], channels[:, 3:5], atol=1e-9) or not np.allclose(on_plate[:, 2], 0, atol=1e-9):
        raise Disagreement(f"{name}: platform {p} type 1 COP is not its own channels")


# Correction terms P1x..P6x, P1y..P6y of the size a plate maker gives
# (mm): a few mm of correction near a plate's edge.
COP_POLYNOMIAL = [2e-15, -2e-10, -3e-7, -5e-11, 5e-6, -4e-2,
                  3e-15, -1e-10, -2e-6, -1e-10, 5e-6, 7e-2]


def with_cop_polynomial(data, np):
    """The C3D file `data` (Intel) with FORCE_PLATFORM:FPCOPPOLY, six by two
    by the platforms, added as the parameter section's last entry; the
    section grows by a block, so the data start moves one block on (the
    header's word 9 and POINT:DATA_START)."""
    import struct
    BLOCK = 512
    start = BLOCK * (data[0] - 1)
    if data[start + 3] != 84:
        raise ValueError("not an Intel file")
    at, last_link_at, group_ids, data_start_at = start + 4, None, {}, None
    while True:
        length = abs(struct.unpack("b", data[at:at + 1])[0])
        group = struct.unpack("b", data[at + 1:at + 2])[0]
        if length == 0 or group == 0:
            break
        name = data[at + 2:at + 2 + length].decode("latin-1").upper()
        link_at = at + 2 + length
        link = struct.unpack("<h", data[link_at:link_at + 2])[0]
        if group < 0:
            group_ids[name] = -group
        elif name == "DATA_START" and group == group_ids.get("POINT"):
            data_start_at = link_at + 2 + 2 + data[link_at + 3]
        last_link_at = link_at
        if link == 0:
            break
        at = link_at + link
    end = last_link_at + 2 + 2 + data[last_link_at + 3]  # past type, rank and dims
    kind, rank = struct.unpack("b", data[last_link_at + 2:last_link_at + 3])[0], data[last_link_at + 3]
    dims = list(data[last_link_at + 4:last_link_at + 4 + rank])
    end += abs(kind) * (int(np.prod(dims)) if rank else 1)
    end += 1 + data[end]  # the description
    import c3d_reference
    params = c3d_reference.read_parameters(data, start, c3d_reference.Numbers(84))
    used = int(np.ravel(params["FORCE_PLATFORM"]["USED"])[0])
    values = struct.pack(f"<{12 * used}f", *(COP_POLYNOMIAL * used))
    name = b"FPCOPPOLY"
    entry = (struct.pack("bb", len(name), group_ids["FORCE_PLATFORM"]) + name +
             struct.pack("<hbB", 0, 4, 3) + bytes([6, 2, used]) + values + b"\0")
    # The data start, not the section's own block count (which some
    # writers overstate), says where the parameters end.
    data_block = struct.unpack("<H", data[16:18])[0]
    split = BLOCK * (data_block - 1)
    out = bytearray(data[:split] + bytes(BLOCK) + data[split:])
    struct.pack_into("<h", out, last_link_at, end - last_link_at)
    out[end:end + len(entry)] = entry
    out[start + 2] = data_block - data[0] + 1
    struct.pack_into("<H", out, 16, data_block + 1)
    struct.pack_into("<h", out, data_start_at, data_block + 1)
    if end + len(entry) > split + BLOCK:
        raise ValueError("no room for FPCOPPOLY")
    return bytes(out)


def compare_with_cop_polynomial(program, path, name, np):
    import c3d_reference
    with open(path, "rb") as f:
        data = with_cop_polynomial(f.read(), np)
    with tempfile.TemporaryDirectory() as folder:
        patched = os.path.join(folder, "with-cop-polynomial.c3d")
        with open(patched, "wb") as f:
            f.write(data)
        c3d = c3d_reference.read_c3d(patched)
        if not any(p["type"] == 3 and p["cop_polynomial"] is not None for p in c3d["platforms"]):
            raise Disagreement(f"{name}: no type 3 platform took the polynomial")
        compare_forces(name, c3d, convert(program, patched, "--forces", folder), np)
        # A C3D copy keeps the polynomial: its forces are the file's.
        copy = os.path.join(folder, "copy.c3d")
        run = subprocess.run([program, "convert", patched, copy], capture_output=True, text=True)
        if run.returncode != 0:
            raise Disagreement(f"{name}: the C3D copy failed: {run.stderr.strip()}")
        compare_forces(name + " (copied)", c3d, convert(program, copy, "--forces", folder), np)
        plain = c3d_reference.read_c3d(path)
        moved = max(np.nanmax(np.abs(a["cop"] - b["cop"])[np.abs(b["plate_fz"]) > LOADED_N], initial=0)
                    for a, b in zip(c3d_reference.forces(c3d), c3d_reference.forces(plain)))
        print(f"the polynomial moves the centre of pressure by up to {moved:.3g}")
        if not moved > 0.5:
            raise Disagreement(f"{name}: the polynomial moves the centre of pressure {moved:.3g} only")


def main(argv):
    try:
        import numpy as np
    except ImportError as error:
        print(f"skipped: {error}")
        return 77
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import c3d_reference
    if argv[0] == "--cop-polynomial":
        _, program, path = argv
        if not os.path.exists(path):
            print(f"skipped: {path} is not there")
            return 77
        try:
            compare_with_cop_polynomial(program, path, os.path.basename(path), np)
        except Disagreement as disagreement:
            print(f"FAIL {disagreement}")
            return 1
        print(f"{os.path.basename(path)} with a centre-of-pressure polynomial: agrees")
        return 0
    program, path = argv
    name = os.path.basename(path)
    if not os.path.exists(path):
        print(f"skipped: {path} is not there")
        return 77
    c3d = c3d_reference.read_c3d(path)
    c3d_reference.summary(c3d, sys.stdout)
    try:
        if program == "--sanity":
            sanity(name, c3d, np)
        else:
            with tempfile.TemporaryDirectory() as folder:
                compare_analog(name, c3d, convert(program, path, "--analog", folder), np)
                if c3d["platforms"]:
                    compare_forces(name, c3d, convert(program, path, "--forces", folder), np)
    except Disagreement as disagreement:
        print(f"FAIL {disagreement}")
        return 1
    print(f"{name}: {'the reference reads it soundly' if program == '--sanity' else 'agrees'}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
