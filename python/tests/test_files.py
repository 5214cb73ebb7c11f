"""Files through orvex.open: every file form, the C++ programs reading what
Python wrote and the reverse, the time axis, and the refusals."""

import datetime as dt
import os
import re
import subprocess
import sys

import numpy as np
import pytest

import orvex
from conftest import grid, program, run


def field(step, nlays=2, nrows=4, ncols=5):
    return (np.arange(nlays * nrows * ncols, dtype=np.float32).reshape(nlays, nrows, ncols) * 0.25 + step)


def write_steps(f, steps, first=dt.datetime(2024, 6, 30)):
    for s in steps:
        t = first + dt.timedelta(hours=s)
        f.write("O3", t, field(s))
        f.write("NCELL", t, np.full((2, 4, 5), s, dtype=np.int32))


def test_python_writes_cpp_reads(tmp_path):
    path = tmp_path / "py.nc"
    with orvex.open(path, "w", grid()) as f:
        write_steps(f, range(3))
        d = f.description
        assert (d.mxrec, d.upnam, d.gdnam, d.fdesc) == (3, "orvex-python", "TEST_12K", ["A test file", "of the Python package"])
        assert d.vglvs == pytest.approx([1.0, 0.95, 0.8])
        assert d.variables[1] == orvex.Variable("NCELL", "1", "cell count", np.int32)
    # The layer's LOGFILE setting was for the package alone: the C++ program
    # opens its own log (it would stop on an existing one).
    assert "LOGFILE" not in os.environ
    # Its standard output: the layer's start-up notice (lines of five blanks
    # first), then the description numbers and the values.
    out = [line for line in run([program("ORVEX_DUMP"), str(path), "O3", "2024182", "20000"], tmp_path).split("\n")
           if not line.startswith("     ")]
    assert out[0] == "5 4 2 10000 3"
    np.testing.assert_array_equal(np.array(out[1:41], dtype=np.float32), field(2).ravel())


def test_python_reads_what_cpp_wrote(tmp_path):
    path = tmp_path / "hourly.nc"
    run([program("ORVEX_HOURLY"), str(path)], tmp_path)
    with orvex.open(path) as f:
        assert f.variables == ["TEMP2", "WSPD10"]
        times = f.times
        assert times.dtype == np.dtype("datetime64[s]")
        np.testing.assert_array_equal(times, np.datetime64("2024-06-30T00:00") + np.arange(24) * np.timedelta64(1, "h"))
        # The time axis against the time flags in the file itself.
        dump = subprocess.run(["ncdump", "-v", "TFLAG", str(path)], capture_output=True, text=True, check=True).stdout
        flags = np.array(re.findall(r"-?\d+", dump.split("TFLAG =")[-1]), dtype=int).reshape(24, 2, 2)[:, 0]
        assert [orvex._time.to_pair(t) for t in times] == [tuple(p) for p in flags]
        t2 = f.read("TEMP2", np.datetime64("2024-06-30T12:00"))
        assert t2.shape == (1, 30, 40) and t2.dtype == np.float32
        c, r = np.meshgrid(np.arange(40), np.arange(30))
        np.testing.assert_allclose(t2[0], 288.0 + 0.1 * c - 0.05 * r + 0.5 * np.sin(0.26 * 12), atol=1e-4)
        np.testing.assert_array_equal(f.read("TEMP2", (2024182, 120000), layer=1), t2[0])


def test_every_file_form(tmp_path):
    # Native binary: written, closed, opened again.
    with orvex.open(f"BIN:{tmp_path / 'a.bin'}", "w", grid()) as f:
        write_steps(f, range(2))
    with orvex.open(f"BIN:{tmp_path / 'a.bin'}") as f:
        np.testing.assert_array_equal(f.read("O3", (2024182, 10000), layer=2), field(1)[1])
        assert len(f.times) == 2

    # Buffered: in memory, two steps held at a time.
    with orvex.open("BUFFERED", "w", grid()) as f:
        write_steps(f, range(3))
        np.testing.assert_array_equal(f.read("O3", (2024182, 20000)), field(2))
        with pytest.raises(KeyError, match="2024-06-30T00:00:00"):
            f.read("O3", (2024182, 0))

    # A file set: two files one after the other, as a list of paths and as
    # the layer's LIST: value of logical names; and a volatile path.
    with orvex.open(tmp_path / "jan.nc", "w", grid()) as f:
        write_steps(f, range(2))
    with orvex.open(tmp_path / "feb.nc", "w", grid(stime=20000)) as f:
        write_steps(f, range(2, 4))
    os.environ.update(PARTA=str(tmp_path / "jan.nc"), PARTB=str(tmp_path / "feb.nc"))
    for path in ([tmp_path / "jan.nc", tmp_path / "feb.nc"], "LIST:PARTA,PARTB"):
        with orvex.open(path) as f:
            assert len(f.times) == 4
            for s in (1, 3):
                np.testing.assert_array_equal(f.read("O3", f.times[s]), field(s))
    with orvex.open(f"{tmp_path / 'feb.nc'} -v") as f:
        np.testing.assert_array_equal(f.read("NCELL", (2024182, 30000)), np.full((2, 4, 5), 3))


def test_time_independent_file(tmp_path):
    with orvex.open(tmp_path / "static.nc", "x", grid(tstep=0, nlays=1, vglvs=[1.0, 0.9])) as f:
        f.write("O3", None, np.ones((4, 5), dtype=np.float32))
        assert f.times.size == 0
        np.testing.assert_array_equal(f.read("O3"), np.ones((1, 4, 5)))


def test_refusals(tmp_path):
    path = tmp_path / "r.nc"
    with orvex.open(path, "w", grid()) as f:
        write_steps(f, range(2))
        with pytest.raises(KeyError, match=r"2024-06-30T05:00:00 \(2024182:050000\)"):
            f.read("O3", dt.datetime(2024, 6, 30, 5))
        with pytest.raises(KeyError, match="Time step error"):
            f.read("O3", (2024182, 1234))  # not on the hourly axis
        with pytest.raises(orvex.Error, match='Requested variable "NOX" not available'):
            f.read("NOX")
        with pytest.raises(orvex.Error, match="Variable NOX"):
            f.write("NOX", (2024182, 0), field(0))
        with pytest.raises(orvex.Error, match="LAYER not available"):
            f.read("O3", layer=3)
        with pytest.raises(ValueError, match=r"expected \(2, 4, 5\)"):
            f.write("O3", (2024182, 0), np.zeros((4, 5), dtype=np.float32))
        with pytest.raises(TypeError, match="int32"):
            f.write("NCELL", (2024182, 0), np.zeros((2, 4, 5)))
        with pytest.raises(ValueError, match="range of float32"):
            f.write("O3", (2024182, 0), np.full((2, 4, 5), 1e300))
        # Nothing of the refused writes reached the file.
        np.testing.assert_array_equal(f.read("O3"), field(0))
    with pytest.raises(orvex.Error, match="exists"):
        orvex.open(path, "x", grid())
    with orvex.open(path) as f:
        with pytest.raises(orvex.Error, match="IS READ-ONLY"):
            f.write("O3", (2024182, 0), field(0))
    with pytest.raises(orvex.Error, match="closed"):
        f.read("O3")
    with pytest.raises(orvex.Error, match="opening"):
        orvex.open(tmp_path / "none.nc")
    with pytest.raises(ValueError, match="longer than 16"):
        orvex.open(tmp_path / "n.nc", "w", grid(variables=[orvex.Variable("A_NAME_OF_17_CHRS")]))


def test_log_that_exists_is_refused_not_fatal(tmp_path):
    # The layer ends the process when it cannot create its log; the package
    # refuses such a LOGFILE with an exception instead.
    log = tmp_path / "old.log"
    log.write_text("an earlier run\n")
    code = "import orvex\ntry:\n    orvex.open('x.nc')\nexcept orvex.Error as e:\n    print('refused:', e)\n"
    done = subprocess.run([sys.executable, "-c", code], cwd=tmp_path, capture_output=True, text=True,
                          env=dict(os.environ, LOGFILE=str(log)), timeout=60)
    assert done.returncode == 0 and "refused: LOGFILE=" in done.stdout and "already exists" in done.stdout
    assert log.read_text() == "an earlier run\n"


def test_boundary_and_custom_records(tmp_path):
    perim = 2 * 1 * (5 + 4 + 2)  # the ring of width 1 around 5 x 4 cells
    ring = np.arange(2 * perim, dtype=np.float32).reshape(2, perim)
    with orvex.open(tmp_path / "b.nc", "w", grid(ftype=2, nthik=1)) as f:
        f.write("O3", (2024182, 0), ring)
        np.testing.assert_array_equal(f.read("O3", layer=2), ring[1])
        with pytest.raises(ValueError, match=rf"expected \(2, {perim}\)"):
            f.write("O3", (2024182, 0), ring[:, 1:])
    with orvex.open(tmp_path / "c.nc", "w", grid(ftype=-1)) as f:
        f.write("O3", (2024182, 0), ring[:, :5])
        np.testing.assert_array_equal(f.read("O3"), ring[:, :5])
