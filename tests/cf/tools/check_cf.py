"""Checks of the CF copies with xarray and pyproj, run by cf_tools.sh.

  check_cf.py DIR   (DIR holds cf_hourly36.nc, cf_gridN.nc and cf_mosaic.nc)

Every grid type's lon and lat are compared, at three cells, with pyproj's
own inversion of the CRS that pyproj builds from the copy's crs attributes.
"""
import sys

import numpy as np
import pyproj
import xarray as xr

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


def grid_type(path, mapping):
    ds = xr.open_dataset(path)
    check(ds.O3.attrs.get("grid_mapping") == "crs", f"{path}: O3 names crs")
    attrs = dict(ds.crs.attrs)
    check(attrs.get("grid_mapping_name") == mapping, f"{path}: mapping {attrs.get('grid_mapping_name')}")
    crs = pyproj.CRS.from_cf(attrs)
    to_geo = pyproj.Transformer.from_crs(crs, crs.geodetic_crs, always_xy=True)
    ny, nx = ds.lon.shape
    for r, c in ((0, 0), (ny // 2, nx // 2), (ny - 1, nx - 1)):
        x, y = float(ds.x[c]), float(ds.y[r])
        lon, lat = to_geo.transform(x, y)
        got_lon, got_lat = float(ds.lon[r, c]), float(ds.lat[r, c])
        dlon = abs((got_lon - lon + 180.0) % 360.0 - 180.0)
        check(dlon < 1e-6 and abs(got_lat - lat) < 1e-6,
              f"{path}: cell ({r},{c}) lon/lat {got_lon:.9f},{got_lat:.9f} vs pyproj {lon:.9f},{lat:.9f}")
    # x = y = 0 lies at XCENT, YCENT.
    lon0, lat0 = to_geo.transform(0.0, 0.0)
    if mapping != "latitude_longitude":
        check(abs(lon0 - ds.attrs["XCENT"]) < 1e-6 and abs(lat0 - ds.attrs["YCENT"]) < 1e-6,
              f"{path}: origin {lon0:.9f},{lat0:.9f} is XCENT, YCENT")


def hourly(path):
    ds = xr.open_dataset(path)
    t = ds.time.values
    check(np.issubdtype(t.dtype, np.datetime64), f"{path}: time decoded ({t.dtype})")
    check(len(t) == 36 and str(t[0])[:19] == "2020-02-28T18:00:00" and str(t[-1])[:19] == "2020-03-01T05:00:00",
          f"{path}: 36 hourly times from {str(t[0])[:19]} to {str(t[-1])[:19]}")
    one = ds.O3.sel(time="2020-02-29T06:00")
    check(one.shape == (1, 2, 6, 8) or one.shape == (2, 6, 8), f"{path}: sel(time=...) gives {one.shape}")
    step = int((np.datetime64("2020-02-29T06:00") - np.datetime64("2020-02-28T18:00")) / np.timedelta64(1, "h"))
    check(float(one.values.reshape(-1, 6, 8)[0, 0, 1]) == np.float32(10.0 * step + 0.01),
          f"{path}: value of step {step} read back")
    check(bool(np.isnan(ds.O3.values[0, 0, 5, 7])), f"{path}: AMISS3 reads as missing")


def mosaic(path):
    ds = xr.open_dataset(path)
    check(np.issubdtype(ds.time.dtype, np.datetime64), f"{path}: time decoded")
    o3 = ds.O3.sel(time=ds.time.values[0])
    check(o3.shape[-2:] == (120, 150), f"{path}: O3 at the first time {o3.shape}")
    check(ds.crs.attrs["standard_parallel"].tolist() == [33.0, 45.0], f"{path}: standard parallels 33, 45")


def main(d):
    mappings = {1: "latitude_longitude", 2: "lambert_conformal_conic", 6: "polar_stereographic", 7: "mercator",
                9: "albers_conical_equal_area", 10: "lambert_azimuthal_equal_area"}
    for n, m in mappings.items():
        grid_type(f"{d}/cf_grid{n}.nc", m)
    grid_type(f"{d}/cf_grid2moved.nc", "lambert_conformal_conic")
    hourly(f"{d}/cf_hourly36.nc")
    mosaic(f"{d}/cf_mosaic.nc")
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
