"""The build backend `pip install .` runs: builds the extension with the
project's CMake build (the file libraries and python/), then packs the
package as a wheel; it also packs the sources as an sdist. Standard library
only, so it builds offline.

The package's name, summary, Python and dependencies are pyproject.toml's
[project] table; its version is CMakeLists.txt's project().

The build goes into a temporary folder, removed when the wheel is made, so
`pip install .` writes nothing into the checkout. Set TOVFILEIO_BUILD_DIR to
build in that folder instead and keep it (a relative one is taken from the
checkout), so that a rebuild compiles only what changed. Set
CMAKE_BUILD_PARALLEL_LEVEL to choose the build's jobs (2 by default).
"""
import base64
import hashlib
import io
import os
import pathlib
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
PACKAGE = "tovfileio"


def _forget_own_bytecode():
    # Frontends import this module from the checkout, and importing it caches
    # its bytecode in python/backend/__pycache__: the one file a build would
    # otherwise leave in the tree.
    cached = globals().get("__cached__")
    if not cached or not os.path.isfile(cached):
        return
    try:
        os.remove(cached)
        os.rmdir(os.path.dirname(cached))
    except OSError:
        pass   # the folder holds other caches: leave it


_forget_own_bytecode()


def _version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(TOVFileIO VERSION ([0-9.]+)", text).group(1)


def _read_project_table(text):
    """pyproject.toml's [project] table where tomllib is missing (Python 3.9
    and 3.10): its lines `key = "text"` and `key = ["text", ...]`, which is
    all the table holds. Anything else in it is refused, not guessed at."""
    string, item = r'"([^"\\]*)"', r'\s*"[^"\\]*"\s*,?'
    table, inside = {}, False
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line == "[project]"
        elif inside and line and not line.startswith("#"):
            single = re.fullmatch(r"([\w-]+)\s*=\s*" + string + r"\s*(#.*)?", line)
            listed = re.fullmatch(r"([\w-]+)\s*=\s*\[((?:" + item + r")*)\s*\]\s*(#.*)?", line)
            if single:
                table[single.group(1)] = single.group(2)
            elif listed:
                table[listed.group(1)] = re.findall(string, listed.group(2))
            else:
                raise ValueError(f"pyproject.toml: [project] line not read: {line}")
    return table


def _project():
    """pyproject.toml's [project] table: tomllib's on Python 3.11 and later,
    the small reader's on 3.9 and 3.10."""
    path = ROOT / "pyproject.toml"
    try:
        import tomllib
    except ModuleNotFoundError:
        return _read_project_table(path.read_text(encoding="utf-8"))
    with path.open("rb") as file:
        return tomllib.load(file)["project"]


def _metadata(version):
    """The core metadata, a wheel's METADATA and an sdist's PKG-INFO."""
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {version}"]
    if "description" in project:
        lines.append(f"Summary: {project['description']}")
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    lines += [f"Requires-Dist: {dependency}" for dependency in project.get("dependencies", [])]
    return "\n".join(lines) + "\n"


def _distribution(version):
    """The name the wheel's and sdist's files start with: name-version."""
    name = re.sub(r"[-_.]+", "_", _project()["name"]).lower()
    return f"{name}-{version}"


def _tag():
    interpreter = f"cp{sys.version_info.major}{sys.version_info.minor}"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{interpreter}-{interpreter}{sys.abiflags}-{platform}"


def _build(build):
    """Builds the package in the folder build; the package's folder."""
    configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                 "-DTOV_BUILD_TESTS=OFF", "-DTOV_BUILD_PYTHON=ON",
                 f"-DPython3_EXECUTABLE={sys.executable}"]
    if shutil.which("ninja") and not (build / "CMakeCache.txt").exists():
        configure += ["-G", "Ninja"]
    subprocess.run(configure, check=True, stdout=sys.stderr)
    env = {**os.environ, "CMAKE_BUILD_PARALLEL_LEVEL": os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")}
    subprocess.run(["cmake", "--build", str(build), "--target", "tovfileio_python"], check=True,
                   stdout=sys.stderr, env=env)
    return build / "python" / PACKAGE


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _source_files():
    """The checkout's files an sdist holds, relative to it: those git tracks
    in a git checkout, else all but builds, git's own and caches."""
    if (ROOT / ".git").exists():
        listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                                stdout=subprocess.PIPE).stdout
        names = [os.fsdecode(name) for name in listed.split(b"\0") if name]
        # Tracked files deleted in the checkout are left out, as are submodules.
        return sorted(name for name in names if (ROOT / name).is_file())
    files = []
    for folder, dirs, names in os.walk(ROOT):
        top = pathlib.Path(folder) == ROOT
        dirs[:] = sorted(d for d in dirs if d not in (".git", "__pycache__", ".pytest_cache")
                         and not (top and (d.startswith("build") or d == "out")))
        relative = pathlib.Path(folder).relative_to(ROOT)
        files += [(relative / name).as_posix() for name in names if not name.endswith(".pyc")]
    return sorted(files)


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    version = _version()
    info = pathlib.Path(metadata_directory) / f"{_distribution(version)}.dist-info"
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(version), encoding="utf-8")
    return info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    kept = os.environ.get("TOVFILEIO_BUILD_DIR")
    build = ROOT / kept if kept else pathlib.Path(tempfile.mkdtemp(prefix="tovfileio-build-"))
    try:
        built = _build(build)
        files = {f"{PACKAGE}/{p.name}": p.read_bytes() for p in sorted(built.iterdir())
                 if p.is_file() and (p.suffix in (".py", ".pyi", ".so") or p.name == "py.typed")}
    finally:
        if not kept:
            shutil.rmtree(build, ignore_errors=True)
    info = f"{_distribution(version)}.dist-info"
    files[f"{info}/METADATA"] = _metadata(version).encode()
    files[f"{info}/WHEEL"] = (f"Wheel-Version: 1.0\nGenerator: {PACKAGE}_backend\n"
                              f"Root-Is-Purelib: false\nTag: {_tag()}\n").encode()
    record = [_record_line(name, data) for name, data in files.items()] + [f"{info}/RECORD,,"]
    files[f"{info}/RECORD"] = ("\n".join(record) + "\n").encode()
    name = f"{_distribution(version)}-{_tag()}.whl"
    with zipfile.ZipFile(pathlib.Path(wheel_directory) / name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in files.items():
            wheel.writestr(path, data)
    return name


def _sdist_entry(entry):
    # The archive says nothing of who packed it.
    entry.uid = entry.gid = 0
    entry.uname = entry.gname = ""
    return entry


def build_sdist(sdist_directory, config_settings=None):
    version = _version()
    top = _distribution(version)
    name = f"{top}.tar.gz"
    path = pathlib.Path(sdist_directory) / name
    try:
        with tarfile.open(path, "w:gz", format=tarfile.PAX_FORMAT) as sdist:
            for file in (f for f in _source_files() if f != "PKG-INFO"):   # an sdist's own
                sdist.add(ROOT / file, arcname=f"{top}/{file}", recursive=False,
                          filter=_sdist_entry)
            info = _metadata(version).encode()
            entry = _sdist_entry(tarfile.TarInfo(f"{top}/PKG-INFO"))
            entry.size, entry.mode = len(info), 0o644
            entry.mtime = (ROOT / "pyproject.toml").stat().st_mtime
            sdist.addfile(entry, io.BytesIO(info))
    except BaseException:
        path.unlink(missing_ok=True)
        raise
    return name
