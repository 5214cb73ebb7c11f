"""Files of the layer from Python: descriptions, opening, reading and writing."""

import dataclasses
import os
from typing import List

import numpy as np

from . import _core, _layer, _time
from ._layer import Error

PROGRAM = "orvex-python"  # recorded as the last writer of files the package writes

_MODES = {"r": _core.FSRDONLY3, "r+": _core.FSRDWR3, "w": _core.FSCREA3, "x": _core.FSNEW3}

_TYPES = {
    _core.QVINT: np.dtype(np.int32),
    _core.QVREAL: np.dtype(np.float32),
    _core.QVDBLE: np.dtype(np.float64),
}
_CODES = {dtype: code for code, dtype in _TYPES.items()}


def _dtype(value):
    """The numpy type of a variable type given as a layer code (4, 5, 6) or
    anything numpy reads as int32, float32 or float64."""
    if isinstance(value, (int, np.integer)) and not isinstance(value, bool) and int(value) in _TYPES:
        return _TYPES[int(value)]
    try:
        dtype = np.dtype(value)
    except TypeError:
        dtype = None
    if dtype not in _CODES:
        raise ValueError(f"variable type {value!r}: expected int32, float32 or float64")
    return dtype


def _text(value, width, what):
    value = str(value)
    if not value.isascii():
        raise ValueError(f"{what} {value!r}: only ASCII text fits the file's fields")
    if len(value.rstrip(" ")) > width:
        raise ValueError(f"{what} {value!r} is longer than {width} characters")
    return value.rstrip(" ")


def _lines(value, what):
    if isinstance(value, str):
        value = value.splitlines()
    value = [_text(line, _core.MXDLEN3, f"{what} line") for line in value]
    if len(value) > _core.MXDESC3:
        raise ValueError(f"{what}: {len(value)} lines; at most {_core.MXDESC3}")
    return value


@dataclasses.dataclass
class Variable:
    """One variable of a file: name, units, description and type (numpy int32,
    float32 or float64; the layer's codes 4, 5 and 6 are taken too)."""

    name: str
    units: str = ""
    description: str = ""
    type: np.dtype = np.dtype(np.float32)

    def __post_init__(self):
        self.type = _dtype(self.type)


@dataclasses.dataclass
class Description:
    """A file's description record: its fields in lower case (texts trimmed)
    and its variables. Keyword arguments alone describe a new file."""

    ftype: int = 1
    sdate: int = 0
    stime: int = 0
    tstep: int = 0
    mxrec: int = 0
    ncols: int = 0
    nrows: int = 0
    nlays: int = 1
    nthik: int = 0
    gdtyp: int = 1
    p_alp: float = 0.0
    p_bet: float = 0.0
    p_gam: float = 0.0
    xcent: float = 0.0
    ycent: float = 0.0
    xorig: float = 0.0
    yorig: float = 0.0
    xcell: float = 0.0
    ycell: float = 0.0
    vgtyp: int = _core.IMISS3
    vgtop: float = 0.0
    vglvs: List[float] = dataclasses.field(default_factory=list)
    gdnam: str = ""
    upnam: str = ""
    execn: str = ""
    fdesc: List[str] = dataclasses.field(default_factory=list)
    updsc: List[str] = dataclasses.field(default_factory=list)
    variables: List[Variable] = dataclasses.field(default_factory=list)

    def _to_layer(self):
        """The fields as the compiled part takes them, every width checked."""
        d = {f.name: getattr(self, f.name) for f in dataclasses.fields(self)}
        for key in ("gdnam", "upnam"):
            d[key] = _text(d[key], _core.NAMLEN3, key)
        d["execn"] = _text(d["execn"], _core.MXDLEN3, "execn")
        d["fdesc"] = _lines(d["fdesc"], "fdesc")
        d["updsc"] = _lines(d["updsc"], "updsc")
        if not 1 <= self.nlays <= _core.MXLAYS3:
            raise ValueError(f"nlays {self.nlays}: expected 1 to {_core.MXLAYS3}")
        levels = [float(v) for v in self.vglvs] or [0.0] * (self.nlays + 1)
        if len(levels) != self.nlays + 1:
            raise ValueError(f"vglvs: {len(levels)} layer surfaces; {self.nlays} layers need {self.nlays + 1}")
        d["vglvs"] = levels
        variables = []
        for v in self.variables:
            if not isinstance(v, Variable):
                v = Variable(*v) if isinstance(v, (tuple, list)) else Variable(v)
            variables.append((_text(v.name, _core.NAMLEN3, "variable name"),
                              _text(v.units, _core.NAMLEN3, "units"),
                              _text(v.description, _core.MXDLEN3, "variable description"),
                              _CODES[v.type]))
        if len(variables) > _core.MXVARS3:
            raise ValueError(f"{len(variables)} variables; at most {_core.MXVARS3}")
        d["variables"] = variables
        return d

    @classmethod
    def _from_layer(cls, d):
        d = dict(d)
        d["variables"] = [Variable(*v) for v in d["variables"]]
        return cls(**d)


def _record_shape(d, layer):
    """Shape of one variable's record (one layer when layer is given)."""
    if d.ftype in (_core.GRDDED3, _core.GRDATT3, _core.PTRFLY3):
        shape = (d.nlays, d.nrows, d.ncols)
    elif d.ftype == _core.CUSTOM3:
        shape = (d.nlays, d.ncols)
    elif d.ftype == _core.BNDARY3:
        shape = (d.nlays, 2 * abs(d.nthik) * (d.ncols + d.nrows + 2 * d.nthik))
    else:
        raise Error(f"file type {d.ftype}: the package reads and writes gridded, boundary and custom files only")
    return shape if layer is None else shape[1:]


class File:
    """An open file of the layer. Use orvex.open() to get one; it is a context
    manager and closes its file on leaving."""

    def __init__(self, lname, path, mode, names, desc):
        self._lname = lname
        self._path = path
        self._mode = mode
        self._names = names  # logical names bound for this file (its own, list members)
        self._desc = desc
        self._closed = False
        _layer.register(self)

    def __repr__(self):
        state = "closed" if self._closed else self._mode
        return f"<orvex.File {self._path!r} ({state})>"

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    @property
    def path(self):
        return self._path

    @property
    def closed(self):
        return self._closed

    def close(self):
        """Closes the file (the layer's CLOSE3); closing twice does nothing."""
        if self._closed:
            return
        with _layer.lock:
            mark = _layer.mark()
            if not _core.close3(self._lname):
                raise Error(f"closing {self._path} failed:\n{_layer.since(mark)}")
            self._closed = True
            for name in self._names:
                _layer.unbind(name)

    def _check_open(self):
        if self._closed:
            raise Error(f"file {self._path} is closed")

    def _describe(self):
        with _layer.lock:
            mark = _layer.mark()
            d = _core.describe(self._lname)
            if d is None:
                raise Error(f"describing {self._path} failed:\n{_layer.since(mark)}")
        self._desc = Description._from_layer(d)
        return self._desc

    @property
    def description(self):
        """The file's description record (the layer's DESC3), read afresh."""
        self._check_open()
        return self._describe()

    @property
    def variables(self):
        """Names of the file's variables."""
        return [v.name for v in self._desc.variables]

    @property
    def times(self):
        """Start of every record as numpy datetime64[s]; empty for a
        time-independent file."""
        self._check_open()
        with _layer.lock:
            mark = _layer.mark()
            try:
                secs = _core.record_times(self._lname)
            except RuntimeError:
                raise Error(f"describing {self._path} failed:\n{_layer.since(mark)}") from None
        return secs.astype("datetime64[s]")

    def _pair(self, time):
        if self._desc.tstep == 0:
            return (0, 0) if time is None else _time.to_pair(time)
        if time is None:
            return self._desc.sdate, self._desc.stime
        return _time.to_pair(time)

    def _variable(self, name):
        for v in self._desc.variables:
            if v.name == str(name).rstrip(" "):
                return v
        return None

    def _refuse_unknown(self, write, name, pair, what):
        with _layer.lock:
            mark = _layer.mark()
            _core.refuse_unknown(write, self._lname, str(name), *pair)
            raise Error(f"{what} {name!r} in {self._path}: no such variable "
                        f"(variables: {', '.join(self.variables)})\n{_layer.since(mark)}")

    def read(self, name, time=None, layer=None):
        """One variable at one time step as a numpy array of its type: (layers,
        rows, columns) for a gridded file, (rows, columns) when layer is given
        (counted from 1, the lowest layer). time is a datetime, numpy.datetime64
        or (jdate, jtime) pair; None reads the only record of a time-independent
        file, else the first. A step the file does not hold raises KeyError."""
        self._check_open()
        if layer is not None:
            layer = int(layer)
            if layer == _core.ALLAYS3:
                raise Error("layers count from 1; layer=None reads every layer")
        shape = _record_shape(self._desc, layer)
        pair = self._pair(time)
        v = self._variable(name)
        if v is None:
            self._refuse_unknown(False, name, pair, "reading")
        out = np.empty(shape, dtype=v.type)
        with _layer.lock:
            mark = _layer.mark()
            if _core.read3(self._lname, v.name, _core.ALLAYS3 if layer is None else layer, pair[0], pair[1], out):
                return out
            text = _layer.since(mark)
        if (layer is None or 1 <= layer <= self._desc.nlays) and self._missing_step(text, pair):
            raise _layer.MissingStep(f"{v.name} at {_time.label(*pair)}: no such step in {self._path}"
                           + (f"\n{text}" if text else ""))
        raise Error(f"reading {v.name} at {_time.label(*pair)} from {self._path} failed:\n{text}")

    def _missing_step(self, text, pair):
        """Whether a failed read failed for want of the step: the layer's own
        words when its log can be read back (a buffered file's unwritten record
        fails without a word), else the time axis."""
        if _layer.log_path() is not None:
            return not text or any(m in text for m in _layer.MISSING_STEP_MARKS)
        d = self._describe()
        if d.tstep == 0:
            return True
        r = _core.jstep3(pair[0], pair[1], d.sdate, d.stime, abs(d.tstep))
        return r < 1 or r > d.mxrec

    def write(self, name, time, array):
        """Writes one variable's record (every layer) at time. The shape and
        type are checked before anything is written: a ValueError names the
        expected shape, a TypeError the expected type."""
        self._check_open()
        if self._desc.tstep != 0 and time is None:
            raise ValueError(f"{self._path} is time-stepped: write needs a time")
        pair = self._pair(time)
        v = self._variable(name)
        if v is None:
            self._refuse_unknown(True, name, pair, "writing")
        shape = _record_shape(self._desc, None)
        a = np.asarray(array) if isinstance(array, np.ndarray) else np.asarray(array, dtype=v.type)
        if a.shape != shape and not (a.shape == shape[1:] and shape[0] == 1):
            raise ValueError(f"{v.name}: array of shape {a.shape}; expected {shape}"
                             + (f" or {shape[1:]}" if shape[0] == 1 else ""))
        if a.dtype != v.type:
            if not np.can_cast(a.dtype, v.type, casting="same_kind"):
                raise TypeError(f"{v.name}: array of type {a.dtype}; the variable is {v.type}")
            with np.errstate(over="ignore", invalid="ignore"):
                cast = a.astype(v.type)
            if v.type.kind == "f" and not np.array_equal(np.isfinite(cast), np.isfinite(a)):
                raise ValueError(f"{v.name}: values out of the range of {v.type}")
            a = cast
        a = np.ascontiguousarray(a).reshape(shape)
        with _layer.lock:
            mark = _layer.mark()
            if _core.write3(self._lname, v.name, pair[0], pair[1], a):
                return
            text = _layer.since(mark)
        raise Error(f"writing {v.name} at {_time.label(*pair)} to {self._path} failed:\n{text}")

    def to_xarray(self):
        """The whole file as an xarray.Dataset (see orvex._xarray)."""
        self._check_open()
        from . import _xarray
        return _xarray.dataset(self)


def _bind_value(path):
    """The value to bind for path, and the names bound for list members."""
    if isinstance(path, (list, tuple)):
        if not path:
            raise ValueError("an empty list of files")
        names = []
        for member in path:
            name = _layer.new_name()
            _layer.bind(name, os.fspath(member))
            names.append(name)
        value = "LIST:" + ",".join(names)
        if len(value) > 512:
            for name in names:
                _layer.unbind(name)
            raise ValueError(f"{len(path)} files: too many for one file set")
        return value, names
    return os.fspath(path), []


def _disk_path(value):
    """The file on disk behind a logical name's value (None for a buffered
    file or a file set)."""
    upper = value.upper()
    if upper.startswith(("BUFFERED", "LIST:")):
        return None
    if upper.startswith("BIN:"):
        value = value[4:]
    return value[:-3] if value.endswith(" -v") else value


def open(path, mode="r", description=None):  # noqa: A001 (the package's own open)
    """Opens a file of the layer. path is a file path, any value a logical name
    may take ("BIN:path", "LIST:A,B", "path -v", "BUFFERED"), or a list of paths
    read as one file set. mode: "r" read-only, "r+" read and write, "w" create
    (replacing), "x" create new (fails if it exists); a created file takes
    description (an orvex.Description)."""
    if mode not in _MODES:
        raise ValueError(f"mode {mode!r}: expected one of {', '.join(_MODES)}")
    creating = mode in ("w", "x")
    if creating and not isinstance(description, Description):
        raise TypeError("creating a file needs description=orvex.Description(...)")
    if not creating and description is not None:
        raise ValueError("a description is given only when a file is created (mode 'w' or 'x')")
    fields = description._to_layer() if creating else None
    _layer.start()
    value, members = _bind_value(path)
    shown = value if not members else f"file set of {len(members)} files"
    disk = None if members else _disk_path(value)
    if mode == "x" and disk is not None and os.path.lexists(disk):
        raise Error(f"{disk} exists (mode 'x' creates a new file)")
    lname = _layer.new_name()
    _layer.bind(lname, value)
    names = [lname] + members
    with _layer.lock:
        mark = _layer.mark()
        if not _core.open3(lname, _MODES[mode], PROGRAM, fields):
            text = _layer.since(mark)
            for name in names:
                _layer.unbind(name)
            raise Error(f"opening {shown} (mode {mode!r}) failed:\n{text}")
        d = _core.describe(lname)
        if d is None:
            text = _layer.since(mark)
            _core.close3(lname)
            for name in names:
                _layer.unbind(name)
            raise Error(f"describing {shown} failed:\n{text}")
    return File(lname, str(path) if not members else list(map(str, path)), mode, names, Description._from_layer(d))
