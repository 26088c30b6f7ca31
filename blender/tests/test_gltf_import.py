"""A .glb written by `vistrelle run --gltf` imports into Blender with one shape key per frame, each the
OBJ file of its frame: exact or one float step (of the base point's magnitude, where the turned point
is nearer zero: glTF keeps a frame as offsets from the base points)."""
import subprocess
import sys
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from harness import COMMAND, EXAMPLES, SCRATCH, float_steps, host_to_blender, obj_points, run  # noqa: E402

FRAMES = range(0, 6)
OUT = SCRATCH / "gltf-run"


def test_glb_imports_with_a_shape_key_per_frame_equal_to_the_obj():
    subprocess.run([COMMAND, "run", EXAMPLES / "bush.json", "--out", OUT, "--frames", "0-5", "--gltf", "--no-svg"],
                   check=True, capture_output=True)
    # Debian's Blender 3.4 glTF importer still names numpy.bool, which numpy 1.24 took away.
    numpy.bool = bool
    bpy.ops.wm.read_factory_settings(use_empty=True)
    assert bpy.ops.import_scene.gltf(filepath=str(OUT / "Bush.glb")) == {"FINISHED"}
    meshes = [o for o in bpy.context.scene.objects if o.type == "MESH"]
    assert len(meshes) == 1
    mesh = meshes[0].data
    keys = mesh.shape_keys.key_blocks
    assert len(keys) == 1 + len(FRAMES), [k.name for k in keys]
    count = len(mesh.vertices)
    base = host_to_blender(obj_points(EXAMPLES / "bush.obj"))
    points = numpy.empty(count * 3, numpy.float32)
    keys[0].data.foreach_get("co", points)
    assert count == len(base) and numpy.array_equal(points.reshape(-1, 3), base)
    report = []
    for key, frame in zip(keys[1:], FRAMES):
        key.data.foreach_get("co", points)
        got = points.reshape(-1, 3)
        want = host_to_blender(obj_points(OUT / f"Bush.{frame:04d}.obj"))
        steps = float_steps(got, want)
        # A frame is kept as offsets from the base points, added in float: where the turned point is
        # much nearer zero than the base one, the sum can only land on the base's coarser grid. So one
        # step is counted at the larger of the two magnitudes.
        coarse = numpy.spacing(numpy.maximum(numpy.abs(base), numpy.abs(want)))
        assert (numpy.abs(got.astype(numpy.float64) - want) <= coarse).all(), f"frame {frame}"
        report.append(f"{frame}: {int((steps == 0).sum())} exact, {int((steps == 1).sum())} one step, "
                      f"{int((steps > 1).sum())} one step of the base")
    print(f"  coordinates of {count * 3} per frame:", "; ".join(report))


run([test_glb_imports_with_a_shape_key_per_frame_equal_to_the_obj])
