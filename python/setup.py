"""Packs the orvex package with its compiled part, orvex._core, which the
project's CMake build makes from the same liborvex.a as every other program
(`make build`, or `cmake --build build --target orvex_python`). The build
directory is build/ in the project's top folder, or ORVEX_BUILD_DIR (a
relative one is taken from the top folder too)."""

import os
import shutil
import sysconfig
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = Path(__file__).resolve().parent


def built_module():
    build = (HERE.parent / os.environ.get("ORVEX_BUILD_DIR", "build")).resolve()
    module = build / "python" / "orvex" / ("_core" + sysconfig.get_config_var("EXT_SUFFIX"))
    if not module.is_file():
        raise SystemExit(
            f"orvex: {module} is not built for this interpreter. Build it first with `make build` "
            "(or cmake --build build --target orvex_python), or point ORVEX_BUILD_DIR at the build directory."
        )
    return module


class BuildPy(build_py):
    """Copies the compiled part beside the package's Python files."""

    def run(self):
        super().run()
        target = Path(self.build_lib) / "orvex"
        target.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built_module(), target)


class BinaryDistribution(Distribution):
    """The package holds a compiled module: its wheel is for this platform."""

    def has_ext_modules(self):
        return True


setup(packages=["orvex"], cmdclass={"build_py": BuildPy}, distclass=BinaryDistribution)
