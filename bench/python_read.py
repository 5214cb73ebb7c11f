"""File.read of a 1000 x 1000 layer against the C++ READ3 call it makes, in the
same process and the same run, and to_xarray() of the demo's outputs.

    PYTHONPATH=<the package> /usr/bin/python3 bench/python_read.py [DEMO_DIR]

READ3 is timed by the package's compiled part: the same call on the same open
file into one reused buffer, with nothing of Python between the calls.
Rounds alternate between the two (which goes first alternates too); the
figures are medians of the per-call times of every round. DEMO_DIR (default
build/demo, made by `make demo`) holds pondra_qa.nc and pondra_aq.nc.
"""

import statistics
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import orvex
from orvex import _core

ROUNDS, CALLS = 15, 20


def make_file(path):
    d = orvex.Description(sdate=2020001, tstep=10000, ncols=1000, nrows=1000, nlays=1, gdtyp=2,
                          p_alp=33, p_bet=45, p_gam=-97, xcent=-97, ycent=40, xorig=-6e6, yorig=-6e6,
                          xcell=12000, ycell=12000, vgtyp=2, vglvs=[1.0, 0.9], gdnam="BENCH",
                          variables=[orvex.Variable("O3", "ppbV", "ozone")])
    with orvex.open(path, "w", d) as f:
        f.write("O3", (2020001, 0), (np.arange(1_000_000, dtype=np.float32) % 977 * 0.5).reshape(1, 1000, 1000))


def python_round(f):
    times = []
    for _ in range(CALLS):
        t0 = time.perf_counter()
        f.read("O3", (2020001, 0), layer=1)
        times.append(time.perf_counter() - t0)
    return times


def cpp_round(f, buffer):
    return _core.time_read3(f._lname, "O3", 1, 2020001, 0, buffer, CALLS)


def main():
    demo = Path(sys.argv[1] if len(sys.argv) > 1 else "build/demo")
    with tempfile.TemporaryDirectory() as tmp:
        make_file(Path(tmp) / "big.nc")
        with orvex.open(Path(tmp) / "big.nc") as f:
            buffer = np.empty((1000, 1000), dtype=np.float32)
            np.testing.assert_array_equal(f.read("O3", layer=1), (cpp_round(f, buffer), buffer)[1])
            py, cpp = [], []
            for r in range(ROUNDS):
                if r % 2:
                    py += python_round(f)
                    cpp += cpp_round(f, buffer)
                else:
                    cpp += cpp_round(f, buffer)
                    py += python_round(f)
    mp, mc = statistics.median(py) * 1e3, statistics.median(cpp) * 1e3
    print(f"1000 x 1000 layer, {ROUNDS} alternating rounds of {CALLS} calls, medians:")
    print(f"  File.read  {mp:8.3f} ms")
    print(f"  C++ READ3  {mc:8.3f} ms")
    print(f"  ratio      {mp / mc:8.3f}  ({(mp / mc - 1) * 100:+.1f} %)")

    for name in ("pondra_qa.nc", "pondra_aq.nc"):
        path = demo / name
        if not path.exists():
            print(f"  {path} not found: run `make demo` for the to_xarray() figure")
            continue
        times = []
        with orvex.open(path) as f:
            for _ in range(11):
                t0 = time.perf_counter()
                ds = f.to_xarray()
                times.append(time.perf_counter() - t0)
        sizes = " x ".join(f"{k} {v}" for k, v in ds.sizes.items())
        print(f"to_xarray() of {path} ({len(f.variables)} variables, {sizes}): "
              f"median {statistics.median(times) * 1e3:.2f} ms of 11")


if __name__ == "__main__":
    main()
