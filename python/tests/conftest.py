"""Shared pieces of the package's tests: the example programs (paths given by
CTest), a small gridded description, and the demo's files made once."""

import os
import subprocess
from pathlib import Path

import pytest

import orvex

SOURCE = Path(__file__).resolve().parents[2]


def program(name):
    """Path of a built program named by environment variable name (CTest sets them)."""
    path = os.environ.get(name)
    if not path:
        pytest.skip(f"{name} is not set (run the tests through ctest)")
    return path


def run(args, tmp, **env):
    """Runs a program with its own log in tmp; returns its standard output."""
    log = Path(tmp) / f"log-{len(list(Path(tmp).glob('log-*')))}.txt"
    full = dict(os.environ, LOGFILE=str(log), **env)
    done = subprocess.run(args, env=full, capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, f"{args} failed ({done.returncode}):\n{done.stdout}\n{done.stderr}"
    return done.stdout


def grid(**fields):
    """A 2-layer Lambert conformal grid of 5 x 4 cells, hourly, two variables."""
    d = dict(ftype=1, sdate=2024182, stime=0, tstep=10000, ncols=5, nrows=4, nlays=2, gdtyp=2,
             p_alp=33.0, p_bet=45.0, p_gam=-97.0, xcent=-97.0, ycent=40.0,
             xorig=-30000.0, yorig=-24000.0, xcell=12000.0, ycell=12000.0,
             vgtyp=2, vgtop=5000.0, vglvs=[1.0, 0.95, 0.8], gdnam="TEST_12K",
             fdesc=["A test file", "of the Python package"],
             variables=[orvex.Variable("O3", "ppbV", "ozone mixing ratio"),
                        orvex.Variable("NCELL", "1", "cell count", "int32")])
    d.update(fields)
    return orvex.Description(**d)


@pytest.fixture(scope="session")
def demo(tmp_path_factory):
    """The demo: the three nested inputs and pondra's two outputs."""
    out = tmp_path_factory.mktemp("demo")
    run([program("ORVEX_DEMO_INPUTS"), str(out)], out)
    names = dict(OUTER=out / "outer.nc", NEST12=out / "nest12.nc", NEST4=out / "nest4.nc",
                 EMISQA=out / "pondra_qa.nc", AIRQUAL=out / "pondra_aq.nc")
    with open(SOURCE / "examples" / "dialogue.txt") as dialogue:
        env = dict(os.environ, LOGFILE=str(out / "pondra.log"), **{k: str(v) for k, v in names.items()})
        done = subprocess.run([program("ORVEX_PONDRA")], stdin=dialogue, env=env, capture_output=True, timeout=120)
    assert done.returncode == 0, done.stdout
    return out
