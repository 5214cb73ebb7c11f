"""orvex: gridded, time-stepped model files from Python.

    import orvex
    with orvex.open("build/demo/pondra_aq.nc") as f:
        print(f.variables, f.times)
        o3 = f.read("O3", layer=1)          # numpy float32 (rows, columns)
        ds = f.to_xarray()                  # xarray.Dataset with time, layer, y, x

Every file form of the layer opens the same way: a path, "BIN:path",
"LIST:A,B" (or a list of paths), "path -v" (volatile), "BUFFERED".
"""

from . import _core
from ._file import Description, File, Variable, open
from ._layer import Error, log_path

AMISS3 = _core.AMISS3

__all__ = ["AMISS3", "Description", "Error", "File", "Variable", "log_path", "open", "quicklook"]
__version__ = "3.1"


def quicklook(path, variable, time=None, layer=1, out="quicklook.png", missing=None):
    """Writes a PNG of one layer of a variable at one time (see orvex.quicklook)."""
    from ._plot import quicklook as draw

    return draw(path, variable, time=time, layer=layer, out=out, missing=missing)
