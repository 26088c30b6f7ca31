"""A turn through the C interface and through the Python package against the module alone, on the
demo bush (12 000 points) and the bush tiled to about a million points, in one run, frames
interleaved so that the machine's noise falls on all three alike, medians:

- module alone: the built vistrel.p driven by the stand-in host (newTime, then evaluate of every
  point with a record as the host fills it), timed inside bench/module_alone.cpp, over a private
  copy of the module with the same points, target keys and settings;
- C interface: one bare ctypes call of vistrelle_turn with its arguments made beforehand (the
  session's checks, the host's pass, the rounding to float into the caller's buffer);
- Session.turn: the package (its checks of the arrays, the argument lists, ctypes, the GIL released).

    scripts/build release   # or only: cmake --build build/release --target vistrelle_python vistrel_module_alone
    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_turn.py examples/bush.obj build/release
"""
import ctypes
import os
import statistics
import sys
import time

import numpy
import vistrelle
from vistrelle._native import lib

CAMERA_KEYS = [(0.0, (2.5, 0.7, 0.0)), (2.0, (-2.5, 0.7, 0.0))]


def bush(path, copies):
    rows = [line.split()[1:4] for line in open(path) if line.startswith("v ")]
    base = numpy.array(rows, numpy.float32)
    return numpy.concatenate([base + numpy.float32(1.2 * (i % 12)) * numpy.array([1, 0, 0], numpy.float32)
                              + numpy.float32(1.2 * (i // 12)) * numpy.array([0, 0, 1], numpy.float32)
                              for i in range(copies)])


def module_alone_library(build):
    path = os.path.join(build, "bin", "vistrel_module_alone.so")
    alone = ctypes.CDLL(path)
    alone.vistrel_bench_open.restype = ctypes.c_void_p
    alone.vistrel_bench_open.argtypes = [ctypes.c_char_p, ctypes.c_void_p, ctypes.c_size_t, ctypes.c_void_p,
                                         ctypes.c_void_p, ctypes.c_size_t, ctypes.c_void_p, ctypes.c_size_t]
    alone.vistrel_bench_play.restype = ctypes.c_int64
    alone.vistrel_bench_play.argtypes = [ctypes.c_void_p, ctypes.c_int32]
    alone.vistrel_bench_close.argtypes = [ctypes.c_void_p]
    return alone


def measure(alone, points, rounds):
    settings = [4, 1, 0, 1, 1]  # 4 points a leaf, item 1 (the camera) as target, both alignments
    times = numpy.array([t for t, _ in CAMERA_KEYS], numpy.float64)
    positions = numpy.array([p for _, p in CAMERA_KEYS], numpy.float64)
    setting_array = numpy.array(settings, numpy.int32)
    handle = alone.vistrel_bench_open(vistrelle.MODULE_PATH.encode(), points.ctypes.data, len(points),
                                      times.ctypes.data, positions.ctypes.data, len(times),
                                      setting_array.ctypes.data, len(settings))
    assert handle, "the module alone did not open"
    try:
        with vistrelle.Session(vistrelle.MODULE_PATH) as session:
            camera = session.add_target("Camera", keys=CAMERA_KEYS)
            assert camera == settings[1]
            session.add_object("Bush", points, settings=settings)
            out = numpy.empty_like(points)
            addresses = (ctypes.c_void_p * 1)(out.ctypes.data)
            counts = (ctypes.c_size_t * 1)(len(points))
            # What the C interface does beyond the host's pass: read the pass's doubles back and round
            # them into the caller's floats, timed alone on arrays of the same size.
            doubles = points.astype(numpy.float64)
            module, bare, package, rounding = [], [], [], []
            for frame in range(rounds):
                # The order turns round each frame so that none always comes first.
                for step in range(4):
                    which = (frame + step) % 4
                    if which == 0:
                        nanoseconds = alone.vistrel_bench_play(handle, frame)
                        assert nanoseconds > 0
                        module.append(nanoseconds / 1e9)
                    elif which == 1:
                        started = time.perf_counter()
                        assert lib.vistrelle_turn(session._handle, frame, None, addresses, counts, 1) == 0
                        bare.append(time.perf_counter() - started)
                    elif which == 2:
                        started = time.perf_counter()
                        session.turn(frame, out=[out])
                        package.append(time.perf_counter() - started)
                    else:
                        started = time.perf_counter()
                        numpy.copyto(out, doubles, casting="same_kind")
                        rounding.append(time.perf_counter() - started)
            return [statistics.median(m) * 1000 for m in (module, bare, package, rounding)]
    finally:
        alone.vistrel_bench_close(handle)


def main(obj, build):
    alone = module_alone_library(build)
    print("| points | module alone | C interface, one bare call | ratio | added | Session.turn | ratio | added |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    roundings = []
    for copies, rounds in ((1, 301), (84, 31)):
        points = bush(obj, copies)
        module, bare, package, rounding = measure(alone, points, rounds)
        roundings.append("%.3f ms at %d points" % (rounding, len(points)))
        print("| %d | %.3f ms | %.3f ms | %.3f | %+.3f ms | %.3f ms | %.3f | %+.3f ms |"
              % (len(points), module, bare, bare / module, bare - module, package, package / module,
                 package - module))
    print("\nRounding doubles to floats alone (numpy.copyto, same sizes): " + ", ".join(roundings))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/bush.obj", sys.argv[2] if len(sys.argv) > 2 else "build/native")
