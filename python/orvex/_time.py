"""Times between Python and the layer's date and time pairs (YYYYDDD, HHMMSS).

The calendar arithmetic is the layer's own (NEXTIME through the compiled part);
here are only the conversions of Python's time types to seconds since 1970.
"""

import datetime as _dt

import numpy as np

from . import _core

_EPOCH = _dt.datetime(1970, 1, 1)


def _whole_seconds(value, total):
    if total != int(total):
        raise ValueError(f"time {value!r} is not a whole second")
    return int(total)


def to_pair(time):
    """(jdate, jtime) of a datetime, date, numpy.datetime64, ISO text or a
    (jdate, jtime) pair. Times without a zone are taken as UTC, the time base
    of the data."""
    if isinstance(time, tuple):
        if len(time) != 2:
            raise ValueError(f"time pair {time!r}: expected (jdate, jtime)")
        return int(time[0]), int(time[1])
    if isinstance(time, str):
        time = np.datetime64(time)
    if isinstance(time, np.datetime64):
        if np.isnat(time):
            raise ValueError("time is NaT")
        secs = time.astype("datetime64[s]")
        if secs != time:
            raise ValueError(f"time {time!r} is not a whole second")
        return _core.from_epoch(int(secs.astype(np.int64)))
    if isinstance(time, _dt.datetime):
        if time.tzinfo is not None:
            time = time.astimezone(_dt.timezone.utc).replace(tzinfo=None)
        delta = time - _EPOCH
        if delta.microseconds:
            raise ValueError(f"time {time!r} is not a whole second")
        return _core.from_epoch(delta.days * 86400 + delta.seconds)
    if isinstance(time, _dt.date):
        return _core.from_epoch((time - _EPOCH.date()).days * 86400)
    raise TypeError(f"time {time!r}: expected a datetime, numpy.datetime64 or (jdate, jtime) pair")


def to_datetime64(jdate, jtime):
    return np.datetime64(_core.epoch_seconds(jdate, jtime), "s")


def label(jdate, jtime):
    """A time as people read it: 2005-02-01T05:00:00 (2005032:050000)."""
    return f"{to_datetime64(jdate, jtime)} ({jdate}:{jtime:06d})"
