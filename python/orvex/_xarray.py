"""A file as an xarray.Dataset: its variables on time, layer, y and x, with the
coordinates and the grid mapping of the CF description (the cf/ code that the
orvex-cf tool uses)."""

import numpy as np

from . import _core, _layer
from ._layer import Error

_GRIDDED = (_core.GRDDED3, _core.GRDATT3, _core.PTRFLY3)


def cf_description(f):
    with _layer.lock:
        mark = _layer.mark()
        try:
            return _core.cf_description(f._lname)
        except RuntimeError:
            raise Error(f"describing {f.path} failed:\n{_layer.since(mark)}") from None


def _values(f, v, times):
    """Every record of variable v: (time, layer, y, x), or (layer, y, x) for a
    time-independent file. A step the file lacks for v is NaN (IMISS3 for
    integers). Real values at or below AMISS3 are missing: NaN."""
    if times is None:
        data = f.read(v.name)
    else:
        fill = np.nan if v.type.kind == "f" else _core.IMISS3
        d = f._desc
        data = np.empty((len(times), d.nlays, d.nrows, d.ncols), dtype=v.type)
        for i, t in enumerate(times):
            try:
                data[i] = f.read(v.name, t)
            except KeyError:
                data[i] = fill
    if v.type.kind == "f":
        data[data <= _core.AMISS3] = np.nan
    return data


def dataset(f):
    import xarray as xr

    d = f.description
    if d.ftype not in _GRIDDED:
        raise Error(f"{f.path}: to_xarray() takes gridded files (type {d.ftype} is not)")
    cf = cf_description(f)
    stepped = d.tstep != 0
    times = f.times if stepped else None
    dims = ("time", "layer", "y", "x") if stepped else ("layer", "y", "x")

    layer_attrs = {k: v for k, v in cf["layer_attributes"].items() if k != "bounds"}
    coords = {
        "x": ("x", cf["x"], cf["x_attributes"]),
        "y": ("y", cf["y"], cf["y_attributes"]),
        "layer": ("layer", cf["layer"], layer_attrs),
    }
    if stepped:
        coords["time"] = ("time", times)
    if cf["lon"] is not None:
        coords["lon"] = (("y", "x"), cf["lon"], {"units": "degrees_east", "standard_name": "longitude"})
        coords["lat"] = (("y", "x"), cf["lat"], {"units": "degrees_north", "standard_name": "latitude"})

    data_vars = {}
    mapping = cf["grid_mapping"]
    for v in d.variables:
        attrs = {"units": v.units, "long_name": v.name, "var_desc": v.description}
        if mapping is not None:
            attrs["grid_mapping"] = mapping[0]
        data_vars[v.name] = (dims, _values(f, v, times), attrs)
    if mapping is not None:
        data_vars[mapping[0]] = ((), np.int32(0), mapping[1])

    title = " ".join(line.strip() for line in d.fdesc if line.strip())
    attrs = {"gdnam": d.gdnam, "gdtyp": d.gdtyp, "source": str(f.path)}
    if title:
        attrs["title"] = title
    return xr.Dataset(data_vars, coords=coords, attrs=attrs)
