"""The file layer under the package: its start, its log, and logical names.

The layer names every file by a logical name whose environment variable holds
the path; the package binds each path it opens to a name of its own.

The layer reports refusals as warning blocks in its log. So that an exception
can carry that text, the package reads back what the log gained during the
failed call. This needs the log in a file: when ``LOGFILE`` is set the log is
that file (as for every program of the layer); when it is not, the package
points the layer's log at a private file for the life of the interpreter
(``orvex.log_path()``) instead of standard output. The environment variable is
set only while the log is opened, so child processes see the environment as
it was.
"""

import atexit
import itertools
import os
import shutil
import tempfile
import threading
import weakref

from . import _core


class Error(Exception):
    """A refusal of the file layer; the message carries the warning text of its log."""


class MissingStep(KeyError):
    """A step the file does not hold (a KeyError whose text reads as a message)."""

    def __str__(self):
        return str(self.args[0]) if self.args else ""


# Shown as orvex.Error in tracebacks, where users catch it.
Error.__module__ = MissingStep.__module__ = "orvex"


# One lock for every call into the layer: its state is process-wide.
lock = threading.RLock()

_log_path = None     # the log file whose new lines are read back, or None
_private_dir = None  # directory of the package's own log
_started = False
_names = itertools.count(1)
_open_files = weakref.WeakSet()

# Texts of the layer that mean "this step is not in the file".
MISSING_STEP_MARKS = (
    "Time step not yet written",
    "Time step not available",
    "Time step error for file",
    "Date and time not available",
    "not available in file-set",
)


def _check_user_log(value):
    """The path the layer will open for LOGFILE=value, or None when the log is
    standard output or the null device. The layer ends the whole process when
    it cannot create its log; refuse such a value here instead."""
    field = value[:512].rstrip(" ")
    if field[:16].rstrip(" ") == "LOGFILE":
        return None
    if field == "/dev/null":
        return None
    if not field:
        raise Error("LOGFILE is set but empty: the file layer cannot open its log")
    if os.path.lexists(field):
        raise Error(f"LOGFILE={field} already exists: the file layer never overwrites or appends to a log")
    parent = os.path.dirname(field) or "."
    if not os.path.isdir(parent) or not os.access(parent, os.W_OK):
        raise Error(f"LOGFILE={field}: directory {parent} does not exist or is not writable")
    return field


def start():
    """Initialises the layer once per process, its log in a file."""
    global _log_path, _private_dir, _started
    with lock:
        if _started:
            return
        user = os.environ.get("LOGFILE")
        if user is not None:
            path = _check_user_log(user)
            _core.init3()
        else:
            _private_dir = tempfile.mkdtemp(prefix="orvex-")
            path = os.path.join(_private_dir, "orvex.log")
            os.environ["LOGFILE"] = path
            try:
                _core.init3()
            finally:
                del os.environ["LOGFILE"]
        _log_path = path
        _started = True
        atexit.register(_shutdown)


def _shutdown():
    with lock:
        for f in list(_open_files):
            f._closed = True
        _core.shut3()
        if _private_dir is not None:
            shutil.rmtree(_private_dir, ignore_errors=True)


def log_path():
    """Path of the file the layer's log goes to (None before the first open,
    or when the log is standard output or the null device)."""
    return _log_path


def register(f):
    _open_files.add(f)


def mark():
    """Position of the end of the log, to read back what a call adds."""
    if _log_path is None:
        return None
    _core.flush_log()
    try:
        return os.stat(_log_path).st_size
    except OSError:
        return None


def since(position):
    """The log's lines written after position, without their five-blank lead
    and without empty lines."""
    if position is None or _log_path is None:
        return ""
    _core.flush_log()
    try:
        with open(_log_path, "rb") as f:
            f.seek(position)
            data = f.read()
    except OSError:
        return ""
    lines = []
    for line in data.decode("latin-1").splitlines():
        line = line[5:] if line.startswith("     ") else line
        if line.strip():
            lines.append(line.rstrip())
    return "\n".join(lines)


def new_name():
    """A logical name of the package's own (at most 16 characters)."""
    return f"ORVEXPY{next(_names)}"


def bind(name, value):
    os.environ[name] = value


def unbind(name):
    os.environ.pop(name, None)
