"""Checks that the points a render handler saw in Blender (SEEN/seen_<frame>.npy) are the command's
turned points of that frame (FRAMES/Bush.<frame>.obj) and not the rest mesh (REST.obj); for the farm
test (scripts/test-extra-slurm).

    python3 tests/scripts/slurm_turned.py REST.obj FRAMES SEEN FRAME..."""
import sys
from pathlib import Path

import numpy


def obj_points(path):
    rows = [line.split()[1:4] for line in Path(path).read_text().splitlines() if line.startswith("v ")]
    return numpy.array(rows, dtype=numpy.float64)


rest = obj_points(sys.argv[1])
failed = False
for frame in map(int, sys.argv[4:]):
    seen = numpy.load(Path(sys.argv[3]) / f"seen_{frame}.npy").astype(numpy.float64)
    turned = obj_points(Path(sys.argv[2]) / f"Bush.{frame:04d}.obj")
    off, moved = numpy.abs(seen - turned).max(), numpy.abs(seen - rest).max()
    print(f"frame {frame}: {off:.2e} from the command's points, {moved:.3f} from the rest")
    failed |= not (seen.shape == turned.shape and off < 1e-4 and moved > 1e-2)
sys.exit(1 if failed else 0)
