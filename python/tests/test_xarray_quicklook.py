"""to_xarray() against the grid numbers and an independent projection, and the
quick-look picture, on the demo's files."""

import subprocess
import sys

import numpy as np
import pyproj
import pytest

import orvex
from conftest import grid


def test_demo_output_as_dataset(demo):
    with orvex.open(demo / "pondra_aq.nc") as f:
        d = f.description
        ds = f.to_xarray()
    assert dict(ds.sizes) == {"time": 1, "layer": d.nlays, "y": d.nrows, "x": d.ncols}
    np.testing.assert_allclose(ds.x, d.xorig + (np.arange(d.ncols) + 0.5) * d.xcell)
    np.testing.assert_allclose(ds.y, d.yorig + (np.arange(d.nrows) + 0.5) * d.ycell)
    levels = np.array(d.vglvs)
    np.testing.assert_allclose(ds.layer, (levels[:-1] + levels[1:]) / 2)
    assert ds.time.values[0] == np.datetime64("2005-01-01T00:00")
    assert ds.O3.attrs["units"] == "ug/m3" and ds.O3.attrs["long_name"] == "O3"
    assert all(ds[v].attrs["grid_mapping"] == "crs" for v in f.variables)
    assert ds.crs.attrs["grid_mapping_name"] == "lambert_conformal_conic"

    # lon/lat against pyproj, from the dataset's own grid mapping.
    crs = pyproj.CRS.from_cf(ds.crs.attrs)
    to_lonlat = pyproj.Transformer.from_crs(crs, crs.geodetic_crs, always_xy=True)
    x, y = np.meshgrid(ds.x.values, ds.y.values)
    lon, lat = to_lonlat.transform(x, y)
    np.testing.assert_allclose(ds.lon, lon, atol=1e-6)
    np.testing.assert_allclose(ds.lat, lat, atol=1e-6)

    with orvex.open(demo / "pondra_aq.nc") as f:
        np.testing.assert_array_equal(ds.O3.sel(time="2005-01-01").values, f.read("O3"))


def test_hourly_dataset_selects_by_time(tmp_path):
    with orvex.open(tmp_path / "h.nc", "w", grid()) as f:
        for h in (0, 1, 2):
            values = np.full((2, 4, 5), h, dtype=np.float32)
            values[0, 0, 0] = orvex.AMISS3
            f.write("O3", np.datetime64("2024-06-30") + np.timedelta64(h, "h"), values)
        ds = f.to_xarray()
    # NCELL was never written: its steps are there as the fill.
    assert (ds.NCELL.values == -9999).all()
    o3 = ds.O3.sel(time="2024-06-30T02:00", layer=ds.layer[1])
    assert float(o3.isel(y=0, x=0)) == 2.0
    assert np.isnan(ds.O3.values[:, 0, 0, 0]).all()


def test_quicklook_png(demo, tmp_path):
    out = orvex.quicklook(str(demo / "pondra_aq.nc"), "O3", out=str(tmp_path / "ql.png"))
    import matplotlib.image

    assert matplotlib.image.imread(out).shape == (600, 800, 4)

    done = subprocess.run([sys.executable, "-m", "orvex.quicklook", str(demo / "nest4.nc"), "NO2",
                           "--time", "2005032:010000", "--missing", "-9", "-o", str(tmp_path / "nest.png")],
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    assert matplotlib.image.imread(tmp_path / "nest.png").shape == (600, 800, 4)

    done = subprocess.run([sys.executable, "-m", "orvex.quicklook", str(demo / "nest4.nc"), "NO2",
                           "--time", "2005032:090000", "-o", str(tmp_path / "none.png")],
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 1 and "no such step" in done.stderr
    assert not (tmp_path / "none.png").exists()


def test_gaps_are_left_blank(tmp_path):
    # Half of the field missing (AMISS3 and the holes' -9): those cells are not drawn.
    with orvex.open(tmp_path / "g.nc", "w", grid(nlays=1, vglvs=[1.0, 0.9])) as f:
        values = np.full((1, 4, 5), 5.0, dtype=np.float32)
        values[0, :2, :] = orvex.AMISS3
        values[0, 2, :] = -9.0
        f.write("O3", (2024182, 0), values)
    import matplotlib.image

    full = matplotlib.image.imread(orvex.quicklook(str(tmp_path / "g.nc"), "O3", out=str(tmp_path / "a.png")))
    gaps = matplotlib.image.imread(orvex.quicklook(str(tmp_path / "g.nc"), "O3", out=str(tmp_path / "b.png"),
                                                   missing=-9.0))
    # The plotting area's white grows where the -9 row is left out.
    assert (gaps[..., :3] == 1).sum() > (full[..., :3] == 1).sum()
    with pytest.raises(KeyError):
        orvex.quicklook(str(tmp_path / "g.nc"), "O3", time=(2024182, 50000), out=str(tmp_path / "c.png"))
