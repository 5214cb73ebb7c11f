"""orvex.quicklook from the shell:

    python3 -m orvex.quicklook FILE VARIABLE [--time T] [--layer N] [--missing V] [-o out.png]

T is an ISO time (2005-02-01T05:00) or a YYYYDDD:HHMMSS pair; the default is
the file's first step, layer 1, quicklook.png.
"""

import argparse
import sys
import types


def _time(text):
    if ":" in text and text.replace(":", "").isdigit() and text.count(":") == 1:
        jdate, jtime = text.split(":")
        return int(jdate), int(jtime)
    return text


def main(argv=None):
    from . import Error
    from ._plot import quicklook

    p = argparse.ArgumentParser(prog="python3 -m orvex.quicklook",
                                description="Writes a PNG of one layer of a variable at one time.")
    p.add_argument("file", help="path, or any value of a logical name (BIN:path, LIST:A,B, path -v)")
    p.add_argument("variable")
    p.add_argument("--time", type=_time, default=None, help="ISO time or YYYYDDD:HHMMSS (default: the first step)")
    p.add_argument("--layer", type=int, default=1, help="layer, from 1 (default 1)")
    p.add_argument("--missing", type=float, default=None, help="a value shown as a gap, e.g. -9")
    p.add_argument("-o", "--out", default="quicklook.png")
    a = p.parse_args(argv)
    try:
        out = quicklook(a.file, a.variable, time=a.time, layer=a.layer, out=a.out, missing=a.missing)
    except (Error, KeyError, ValueError, OSError) as e:
        print(f"orvex.quicklook: {e}", file=sys.stderr)
        return 1
    print(f"orvex.quicklook: wrote {out}", file=sys.stderr)
    return 0


class _CallableModule(types.ModuleType):
    """`import orvex.quicklook` puts this module where the function was: it is
    callable the same way."""

    def __call__(self, *args, **kwargs):
        from ._plot import quicklook

        return quicklook(*args, **kwargs)


if __name__ == "__main__":
    sys.exit(main())
else:
    sys.modules[__name__].__class__ = _CallableModule
