"""The add-on in headless Blender: install from its zip, the panel's properties, frames equal to the
command's OBJ files, object transforms, save and reopen, baking, and its speed."""
import json
import shutil
import subprocess
import sys
import time
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from harness import COMMAND, EXAMPLES, SCRATCH, ZIP, float_steps, host_to_blender, obj_points, run  # noqa: E402

FRAMES = [0, 7, 23, 47]
SCENE = json.loads((EXAMPLES / "bush.json").read_text())
FPS = SCENE["frames"]["fps"]
expected = {}    # frame -> the command's points, host axes, the camera's positions rounded to float
as_written = {}  # frame -> the same for the scene file as written


def command_frames():
    """The command's points for the scene file as written, and for the scene with the camera's
    positions rounded to float, as Blender's keys hold them."""
    rounded = json.loads(json.dumps(SCENE))
    for key in rounded["items"][0]["keys"]:
        key["position"] = [float(numpy.float32(v)) for v in key["position"]]
    shutil.copy(EXAMPLES / "bush.obj", SCRATCH / "bush.obj")
    (SCRATCH / "rounded.json").write_text(json.dumps(rounded))
    for scene, into in ((EXAMPLES / "bush.json", as_written), (SCRATCH / "rounded.json", expected)):
        out = SCRATCH / ("run-" + scene.stem)
        subprocess.run([COMMAND, "run", scene, "--out", out, "--frames", "0-47", "--no-svg"], check=True, capture_output=True)
        for frame in FRAMES:
            into[frame] = obj_points(out / f"Bush.{frame:04d}.obj")


def clear_scene():
    """Nothing left of a test before: objects, meshes, actions (the add-on stays enabled)."""
    for collection in (bpy.data.objects, bpy.data.meshes, bpy.data.actions):
        for block in list(collection):
            collection.remove(block)


def in_object_axes(points, up):
    return points.copy() if up == "Y" else host_to_blender(points)


def make_bush_scene(up="Y", world=None):
    """The demo scene in Blender: the bush imported from its OBJ (points with Y up, or turned to Z up),
    its object transform `world` (the identity when None), the camera an empty keyed at the scene
    file's positions carried into world space by that transform."""
    from mathutils import Matrix, Vector
    clear_scene()
    scene = bpy.context.scene
    scene.render.fps, scene.render.fps_base = int(FPS), 1.0
    scene.frame_start, scene.frame_end = 0, 47
    bpy.ops.wm.obj_import(filepath=str(EXAMPLES / "bush.obj"))
    bush = bpy.context.selected_objects[0]
    bush.name = "Bush"
    bush.matrix_world = world if world is not None else Matrix.Identity(4)
    if up == "Z":
        bush.data.vertices.foreach_set("co", host_to_blender(obj_points(EXAMPLES / "bush.obj")).ravel())
    camera = bpy.data.objects.new("Camera", None)
    scene.collection.objects.link(camera)
    for key in SCENE["items"][0]["keys"]:
        local = Vector(in_object_axes(numpy.array([key["position"]], numpy.float64), up)[0])
        camera.location = local if world is None else world @ local
        camera.keyframe_insert("location", frame=round(key["time"] * FPS))
    for curve in camera.animation_data.action.fcurves:
        for point in curve.keyframe_points:
            point.interpolation = "LINEAR"
    bush.vistrelle.up_axis = up
    bush.vistrelle.enabled = True
    bush.vistrelle.target = camera
    return scene, bush, camera


def evaluated_points(obj):
    evaluated = obj.evaluated_get(bpy.context.evaluated_depsgraph_get())
    points = numpy.empty(len(evaluated.data.vertices) * 3, numpy.float32)
    evaluated.data.vertices.foreach_get("co", points)
    return points.reshape(-1, 3)


def test_installs_and_enables_from_zip():
    bpy.ops.preferences.addon_install(filepath=str(ZIP), overwrite=True)
    bpy.ops.preferences.addon_enable(module="vistrelle_addon")
    assert "vistrelle_addon" in bpy.context.preferences.addons
    assert hasattr(bpy.types.Object, "vistrelle") and hasattr(bpy.types, "VISTRELLE_PT_object")
    command_frames()


def test_panel_properties_take_what_the_module_panel_takes():
    scene, bush, camera = make_bush_scene()
    v = bush.vistrelle
    assert tuple(v.settings) == (4, 1, 0, 1, 0)  # the module's defaults, a target picked
    assert v.leaves == 3000.0
    v.leaf_points = 3
    assert v.settings[0] == 3 and v.leaves == 4000.0
    v.pivot_type = "3"
    assert v.settings[2] == 3 and bpy.types.Object.bl_rna  # the enum names the module's rules
    names = [item.name for item in v.bl_rna.properties["pivot_type"].enum_items]
    assert names == ["first point", "average of first two points", "average of first and last point", "last point"]
    for prop, bad in (("leaf_points", 2.5), ("leaf_points", "four"), ("leaf_points", 2**31), ("pivot_type", "4"), ("h_align", 2),
                      ("p_align", "on"), ("leaves", 7.0), ("target", bpy.data.meshes[0])):
        before = tuple(v.settings)
        try:
            setattr(v, prop, bad)
        except (TypeError, ValueError, OverflowError, AttributeError):
            pass
        else:
            raise AssertionError(f"{prop} took {bad!r}")
        assert tuple(v.settings) == before, prop
    assert v.target == camera
    v.target = None
    assert v.settings[1] == 0
    labels = [v.bl_rna.properties[p].name for p in ("leaf_points", "leaves", "target", "pivot_type", "h_align", "p_align")]
    assert labels == ["Object points", "Clones", "Target object", "Pivot Type", "H Align", "P Align"]


def test_frames_equal_the_command_obj():
    for up in ("Y", "Z"):
        scene, bush, _ = make_bush_scene(up)
        bush.vistrelle.settings = (4, 1, 0, 1, 1)  # the scene file's data
        report = []
        for frame in FRAMES:
            scene.frame_set(frame)
            steps = float_steps(evaluated_points(bush), in_object_axes(expected[frame], up))
            assert steps.max() <= 1, f"up {up}, frame {frame}: {steps.max()} float steps"
            worst = float(numpy.abs(evaluated_points(bush) - in_object_axes(as_written[frame], up)).max())
            report.append(f"{frame}: {int((steps == 0).all(axis=1).sum())}/{len(steps)} exact, {worst:.1e} from the file's")
            assert worst < 1e-5
        print(f"  identity transform, {up} up, points per frame:", "; ".join(report))


def test_imported_custom_normals_are_cleared():
    clear_scene()
    bpy.ops.wm.obj_import(filepath=str(EXAMPLES / "bush.obj"))
    bush = bpy.context.selected_objects[0]
    assert bush.data.has_custom_normals  # the file's vn records, which describe the unturned cards
    bush.vistrelle.enabled = True
    assert not bush.data.has_custom_normals


def test_rotated_object_takes_the_target_in_its_own_space():
    from mathutils import Euler, Matrix
    world = (Matrix.Translation((3.0, -2.0, 1.5)) @ Euler((0.3, -0.7, 1.1)).to_matrix().to_4x4() @ Matrix.Scale(1.7, 4)
             @ Matrix.Rotation(1.5707963267948966, 4, "X"))  # the OBJ importer's own turn to Z up, too
    scene, bush, camera = make_bush_scene("Y", world)
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    worst = 0.0
    for frame in FRAMES:
        scene.frame_set(frame)
        worst = max(worst, float(numpy.abs(evaluated_points(bush) - expected[frame]).max()))
    print(f"  rotated, moved and scaled object: largest difference {worst:.2e} (leaves about 0.1 across)")
    assert worst < 2e-5


def test_save_and_reopen_keep_settings_and_result():
    scene, bush, _ = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 3, 0, 1)
    scene.frame_set(23)
    before = evaluated_points(bush).copy()
    path = SCRATCH / "saved.blend"
    bpy.ops.wm.save_as_mainfile(filepath=str(path))
    clear_scene()
    bpy.ops.wm.open_mainfile(filepath=str(path))
    bush = bpy.data.objects["Bush"]
    assert tuple(bush.vistrelle.settings) == (4, 1, 3, 0, 1) and bush.vistrelle.target.name == "Camera"
    bpy.context.scene.frame_set(0)
    bpy.context.scene.frame_set(23)
    assert numpy.array_equal(evaluated_points(bush), before)


def test_bake_makes_one_shape_key_per_frame():
    scene, bush, _ = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    scene.frame_end = 11
    with bpy.context.temp_override(object=bush, active_object=bush):
        assert bpy.ops.object.vistrelle_bake() == {"FINISHED"}
    keys = bush.data.shape_keys.key_blocks
    assert [k.name for k in keys] == ["Basis"] + [f"Vistrelle {f:04d}" for f in range(12)]
    assert not bush.vistrelle.enabled
    scene.frame_set(7)
    stored = numpy.empty(len(bush.data.vertices) * 3, numpy.float32)
    keys["Vistrelle 0007"].data.foreach_get("co", stored)
    assert numpy.array_equal(stored.reshape(-1, 3), expected[7])
    # Blender mixes a key as basis + (key - basis) * value, in float: not always the key's own bits.
    worst = float(numpy.abs(evaluated_points(bush) - expected[7]).max())
    print(f"  baked frame 7 as played: largest difference {worst:.1e}")
    assert worst < 1e-6
    assert [k.value for k in keys[1:]] == [1.0 if f == 7 else 0.0 for f in range(12)]


def test_speed():
    import vistrelle_addon.player as player
    scene, bush, _ = make_bush_scene()
    times = []
    for frame in range(48):
        scene.frame_set(frame)
        times.append(player.last_turn_ms)
    small = sorted(times)[len(times) // 2]
    # A mesh of a million points: the bush 84 times over, side by side.
    base = obj_points(EXAMPLES / "bush.obj")
    tiles = numpy.concatenate([base + numpy.float32(i % 12) * numpy.array([1.2, 0, 0], numpy.float32)
                               + numpy.float32(i // 12) * numpy.array([0, 0, 1.2], numpy.float32) for i in range(84)])
    big = bpy.data.meshes.new("Big")
    big.vertices.add(len(tiles))
    big.vertices.foreach_set("co", host_to_blender(tiles).ravel())
    big_obj = bpy.data.objects.new("Big", big)
    scene.collection.objects.link(big_obj)
    bush.vistrelle.enabled = False
    big_obj.vistrelle.enabled = True
    big_obj.vistrelle.target = bpy.data.objects["Camera"]
    big_times = []
    for frame in range(5):
        scene.frame_set(frame)
        big_times.append(player.last_turn_ms)
    big_ms = sorted(big_times)[2]
    module_times = []
    out = [numpy.empty_like(tiles)]
    for frame in range(5):
        started = time.perf_counter()
        player._session.turn(frame, out=out)
        module_times.append((time.perf_counter() - started) * 1000)
    module_ms = sorted(module_times)[2]
    print(f"  speed: 12k-point bush {small:.2f} ms a frame (median of 48); {len(tiles)}-point mesh {big_ms:.0f} ms a frame, "
          f"the module alone {module_ms:.0f} ms (median of 5): limit 2 x {module_ms:.0f} + 60 = {2 * module_ms + 60:.0f} ms")
    assert small <= 3.0
    assert big_ms <= 2 * module_ms + 60


run([test_installs_and_enables_from_zip, test_panel_properties_take_what_the_module_panel_takes,
     test_frames_equal_the_command_obj, test_imported_custom_normals_are_cleared, test_rotated_object_takes_the_target_in_its_own_space,
     test_save_and_reopen_keep_settings_and_result, test_bake_makes_one_shape_key_per_frame, test_speed])
