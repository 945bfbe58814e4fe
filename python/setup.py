"""Builds libeccrypt_c from this repository with CMake and places it inside the package.

The package is pure Python over a shared library it carries (loaded with ctypes), so the wheel
is tagged for this platform. ECCRYPT_SOURCE_DIR names another source tree; ECCRYPT_CMAKE_ARGS
adds CMake options; ECCRYPT_BUILD_JOBS sets the parallel build jobs (default 2).
"""
import os
import shlex
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

LIBRARY = "libeccrypt_c.so.1"


class BuildWithLibrary(build_py):
    """build_py that first builds the C interface's shared library with CMake."""

    def run(self):
        super().run()
        here = Path(__file__).resolve().parent
        source = Path(os.environ.get("ECCRYPT_SOURCE_DIR", here.parent))
        build_temp = Path(self.get_finalized_command("build").build_temp).resolve()
        binary = build_temp / "cmake"
        configure = [
            "cmake", "-S", str(source), "-B", str(binary),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DECCRYPT_BUILD_TESTS=OFF", "-DECCRYPT_BUILD_TOOL=OFF",
            "-DECCRYPT_BUILD_EXAMPLES=OFF", "-DECCRYPT_BUILD_C=ON",
        ]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"] if not (binary / "CMakeCache.txt").exists() else []
        configure += shlex.split(os.environ.get("ECCRYPT_CMAKE_ARGS", ""))
        jobs = os.environ.get("ECCRYPT_BUILD_JOBS", "2")
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(binary), "--target", "eccrypt_c", "-j", jobs],
                       check=True)
        built = next(binary.rglob(LIBRARY), None)
        if built is None:
            raise RuntimeError(f"the CMake build made no {LIBRARY} under {binary}")
        target = Path(self.build_lib) / "eccrypt" / LIBRARY
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built.resolve(), target)


class BinaryDistribution(Distribution):
    """The package carries a shared library: its wheel belongs to this platform."""

    def has_ext_modules(self):
        return True


setup(cmdclass={"build_py": BuildWithLibrary}, distclass=BinaryDistribution)
