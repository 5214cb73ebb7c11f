"""The quick-look picture: one layer of one variable at one time as a PNG."""

import numpy as np

from . import _core, _time
from ._file import open as open_file
from ._xarray import cf_description


def _edges(centres, cell):
    return np.append(centres - cell / 2.0, centres[-1] + cell / 2.0)


def quicklook(path, variable, time=None, layer=1, out="quicklook.png", missing=None):
    """Writes out (a PNG, 800 x 600 pixels): the field on its x/y axes (km on
    the projected grid types), a colour bar labelled with its units, a title
    with the variable, its description and the time. Values at or below
    AMISS3, and equal to missing when it is given (-9.0 for the model files'
    holes), are left as gaps. Returns out."""
    from matplotlib.backends.backend_agg import FigureCanvasAgg
    from matplotlib.figure import Figure

    with open_file(path) as f:
        d = f.description
        v = f._variable(variable)
        data = f.read(variable, time, layer).astype(np.float64)
        cf = cf_description(f)
        pair = f._pair(time)
    if data.ndim != 2:
        raise ValueError(f"{path}: a quick look takes gridded files")
    bad = data <= _core.AMISS3
    if missing is not None:
        bad |= data == float(missing)
    field = np.ma.masked_array(data, bad)

    units = cf["x_attributes"].get("units", "")
    scale, unit = (1000.0, "km") if units == "m" else (1.0, units)
    xe = _edges(cf["x"], d.xcell) / scale
    ye = _edges(cf["y"], d.ycell) / scale

    fig = Figure(figsize=(8, 6), dpi=100)
    FigureCanvasAgg(fig)
    ax = fig.add_subplot()
    mesh = ax.pcolormesh(xe, ye, field, shading="flat", cmap="viridis")
    ax.set_aspect("equal")
    ax.set_xlabel(f"x ({unit})" if unit else "x")
    ax.set_ylabel(f"y ({unit})" if unit else "y")
    bar = fig.colorbar(mesh, ax=ax, shrink=0.85)
    bar.set_label(v.units)
    when = "time-independent" if d.tstep == 0 else str(_time.to_datetime64(*pair)).replace("T", " ")
    title = f"{v.name}: {v.description}" if v.description else v.name
    ax.set_title(f"{title}\n{when}, layer {layer}")
    fig.savefig(out, format="png")
    return out
