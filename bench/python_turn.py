"""What the Python package adds to a turn: Session.turn (numpy arrays, the checks, ctypes) against one
bare call of the C interface's vistrelle_turn with its arguments made beforehand, on the demo bush
(12 000 points) and the bush tiled to about a million points, frames interleaved, medians of one run.

    PYTHONPATH=build/native/python /usr/bin/python3 bench/python_turn.py examples/bush.obj
"""
import ctypes
import statistics
import sys
import time

import numpy
import vistrelle
from vistrelle._native import lib


def bush(path, copies):
    rows = [line.split()[1:4] for line in open(path) if line.startswith("v ")]
    base = numpy.array(rows, numpy.float32)
    return numpy.concatenate([base + numpy.float32(1.2 * (i % 12)) * numpy.array([1, 0, 0], numpy.float32)
                              + numpy.float32(1.2 * (i // 12)) * numpy.array([0, 0, 1], numpy.float32)
                              for i in range(copies)])


def measure(points, rounds):
    with vistrelle.Session(vistrelle.MODULE_PATH) as session:
        camera = session.add_target("Camera", keys=[(0.0, (2.5, 0.7, 0.0)), (2.0, (-2.5, 0.7, 0.0))])
        session.add_object("Bush", points, settings=[4, camera, 0, 1, 1])
        out = numpy.empty_like(points)
        addresses = (ctypes.c_void_p * 1)(out.ctypes.data)
        counts = (ctypes.c_size_t * 1)(len(points))
        bare, package = [], []
        for frame in range(rounds):
            started = time.perf_counter()
            assert lib.vistrelle_turn(session._handle, frame, None, addresses, counts, 1) == 0
            bare.append(time.perf_counter() - started)
            started = time.perf_counter()
            session.turn(frame, out=[out])
            package.append(time.perf_counter() - started)
        return statistics.median(bare) * 1000, statistics.median(package) * 1000


def main(obj):
    print("| points | C interface, one bare call | Session.turn | ratio | added |")
    print("|---:|---:|---:|---:|---:|")
    for copies, rounds in ((1, 201), (84, 11)):
        points = bush(obj, copies)
        bare, package = measure(points, rounds)
        print("| %d | %.3f ms | %.3f ms | %.3f | %.3f ms |" % (len(points), bare, package, package / bare, package - bare))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/bush.obj")
