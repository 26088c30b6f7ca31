"""A small runner for tests inside one headless Blender: runs each test_* function of the calling file
in order, prints one line each, and exits non-zero when any failed."""
import os
import sys
import time
import traceback
from pathlib import Path

import numpy

ZIP = Path(os.environ["VISTREL_ADDON_ZIP"])
COMMAND = Path(os.environ["VISTRELLE_COMMAND"])
EXAMPLES = Path(os.environ["VISTREL_EXAMPLES"])
SCRATCH = Path(os.environ["VISTREL_SCRATCH"])


def obj_points(path):
    rows = [line.split()[1:4] for line in Path(path).read_text().splitlines() if line.startswith("v ")]
    return numpy.array(rows, dtype=numpy.float32)


def host_to_blender(points):
    out = numpy.empty_like(points)
    out[:, 0], out[:, 1], out[:, 2] = points[:, 0], -points[:, 2], points[:, 1]
    return out


def float_steps(a, b):
    """How many float32 steps apart a and b are, element by element (same sign assumed near zero)."""
    def ordered(x):
        i = numpy.ascontiguousarray(x, numpy.float32).view(numpy.int32).astype(numpy.int64)
        return numpy.where(i < 0, -(i & 0x7FFFFFFF), i)
    return numpy.abs(ordered(a) - ordered(b))


def mixed_steps(got, want, rest):
    """How far `got` is from `want` in float steps of the larger of `want` and `rest`, element by
    element: Blender mixes a shape key as rest + (key - rest) * weight in float, which lands within
    one such step of the key (as a glTF morph target does)."""
    scale = numpy.maximum(numpy.abs(want), numpy.abs(rest)).astype(numpy.float32)
    step = numpy.spacing(scale)
    return numpy.abs(got.astype(numpy.float64) - want.astype(numpy.float64)) / step


def run(tests):
    failed = 0
    started = time.perf_counter()
    for test in tests:
        try:
            test()
            print(f"PASS {test.__name__}")
        except Exception:
            failed += 1
            print(f"FAIL {test.__name__}")
            traceback.print_exc()
    print(f"{len(tests) - failed} passed, {failed} failed in {time.perf_counter() - started:.1f} s")
    sys.stdout.flush()
    if failed:
        sys.exit(1)
