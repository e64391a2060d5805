"""The build backend `pip install .` runs: builds the extension with the
project's CMake build (the file libraries and python/), then packs the
package as a wheel. Standard library only, so it builds offline.

Set CMAKE_BUILD_PARALLEL_LEVEL to choose the build's jobs (2 by default).
"""
import base64
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import sysconfig
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
PACKAGE = "tovfileio"


def _version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(TOVFileIO VERSION ([0-9.]+)", text).group(1)


def _tag():
    interpreter = f"cp{sys.version_info.major}{sys.version_info.minor}"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{interpreter}-{interpreter}{sys.abiflags}-{platform}"


def _build():
    """Builds the package into <checkout>/build/pip; its folder."""
    build = ROOT / "build" / "pip"
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


def _metadata(version):
    return (f"Metadata-Version: 2.1\nName: {PACKAGE}\nVersion: {version}\n"
            "Summary: Motion-capture files (HTR, TRC, GWM, C3D, BVH) into NumPy arrays and back\n"
            "Requires-Python: >=3.9\nRequires-Dist: numpy\n")


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def get_requires_for_build_wheel(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    version = _version()
    info = pathlib.Path(metadata_directory) / f"{PACKAGE}-{version}.dist-info"
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(version), encoding="utf-8")
    return info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    built = _build()
    info = f"{PACKAGE}-{version}.dist-info"
    files = {f"{PACKAGE}/{p.name}": p.read_bytes() for p in sorted(built.iterdir())
             if p.is_file() and (p.suffix in (".py", ".pyi", ".so") or p.name == "py.typed")}
    files[f"{info}/METADATA"] = _metadata(version).encode()
    files[f"{info}/WHEEL"] = (f"Wheel-Version: 1.0\nGenerator: {PACKAGE}_backend\n"
                              f"Root-Is-Purelib: false\nTag: {_tag()}\n").encode()
    record = [_record_line(name, data) for name, data in files.items()] + [f"{info}/RECORD,,"]
    files[f"{info}/RECORD"] = ("\n".join(record) + "\n").encode()
    name = f"{PACKAGE}-{version}-{_tag()}.whl"
    with zipfile.ZipFile(pathlib.Path(wheel_directory) / name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in files.items():
            wheel.writestr(path, data)
    return name
