"""The package, with the standard library alone, turns the demo bush to the very bits `vistrelle run`
wrote: python turn_bits.py RUN_FOLDER EXAMPLES [MODULE]. RUN_FOLDER holds Bush.NNNN.obj of the frames
below, written by `vistrelle run examples/bush.json --no-svg`. Without MODULE the package's own
vistrel.p plays. Prints one line; exit status 1 on the first difference."""
import array
import struct
import sys
from pathlib import Path

import vistrelle

FRAMES = [0, 7, 23, 47]


def obj_floats(path):
    """The v records of an OBJ file as float32 values, in order."""
    values = array.array("f")
    for line in path.read_text().splitlines():
        if line.startswith("v "):
            values.extend(float(v) for v in line.split()[1:4])
    return values


def main(run, examples, module=None):
    run, examples = Path(run), Path(examples)
    module = module or vistrelle.MODULE_PATH
    with vistrelle.Session.from_scene(module, examples / "bush.json") as session:
        bush = session.objects[0]
        out = array.array("f", bytes(12 * bush.point_count))
        for frame in FRAMES:
            written, = session.turn(frame, out=[out])
            assert written is out
            expected = obj_floats(run / ("Bush.%04d.obj" % frame))
            if out.tobytes() != expected.tobytes():
                first = next(i for i in range(len(out)) if struct.pack("f", out[i]) != struct.pack("f", expected[i]))
                sys.exit("Python %s: frame %d differs at float %d: %r, `vistrelle run` wrote %r"
                         % (sys.version.split()[0], frame, first, out[first], expected[first]))
    print("Python %s (%s): frames %s of the demo bush equal `vistrelle run`'s, bit for bit"
          % (sys.version.split()[0], vistrelle.PLATFORM, ", ".join(map(str, FRAMES))))


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__.strip())
    main(*sys.argv[1:])
