"""The add-on in headless Blender: install from its zip, the panel's properties, frames equal to the
command's OBJ files, object transforms, the artist's mesh kept (Edit Mode, saving, linked duplicates),
messages, baking and a render from the command line (its speed: bench/blender_frame_change.py)."""
import os
import subprocess
import sys
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from bush import (FRAMES, EXAMPLES, SCRATCH, alone_turn, as_written, bake, evaluated_points, expected,  # noqa: E402
                  expected_at, in_object_axes, install, make_bush_scene, near_key, clear_scene)
from harness import float_steps, obj_points, run  # noqa: E402

def test_installs_and_enables_from_zip():
    install()
    assert hasattr(bpy.types.Object, "vistrelle") and hasattr(bpy.types, "VISTRELLE_PT_object")


def test_panel_properties_take_what_the_module_panel_takes():
    scene, bush, camera = make_bush_scene()
    v = bush.vistrelle
    assert tuple(v.settings) == (4, 1, 0, 1, 0)  # the module's defaults, a target picked
    assert v.leaves == 3000.0
    v.leaf_points = 3
    assert v.settings[0] == 3 and v.leaves == 4000.0
    v.pivot_type = "3"
    assert v.settings[2] == 3 and bpy.types.Object.bl_rna  # the enum names the module's rules
    names = [bpy.types.UILayout.enum_item_name(v, "pivot_type", str(i)) for i in range(4)]
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
            want, rest = in_object_axes(expected[frame], up), in_object_axes(obj_points(EXAMPLES / "bush.obj"), up)
            steps = float_steps(evaluated_points(bush), want)
            assert near_key(evaluated_points(bush), want, rest), f"up {up}, frame {frame}"
            worst = float(numpy.abs(evaluated_points(bush) - in_object_axes(as_written[frame], up)).max())
            report.append(f"{frame}: {int((steps == 0).all(axis=1).sum())}/{len(steps)} exact, {worst:.1e} from the file's")
            assert worst < 1e-5
        print(f"  identity transform, {up} up, points per frame:", "; ".join(report))


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
    assert bake(bush) == {"FINISHED"}
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


def test_edit_mode_edits_are_kept_and_turned():
    import bmesh
    scene, bush, camera = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    scene.frame_set(5)
    bpy.context.view_layer.objects.active = bush
    bpy.ops.object.mode_set(mode="EDIT")
    edit = bmesh.from_edit_mesh(bush.data)
    for vertex in edit.verts[:8]:  # two cards lifted
        vertex.co.z += 0.5
    bmesh.update_edit_mesh(bush.data)
    bpy.ops.object.mode_set(mode="OBJECT")
    edited = obj_points(EXAMPLES / "bush.obj")
    edited[:8, 2] += numpy.float32(0.5)
    import vistrelle_addon.player as player
    assert numpy.array_equal(player.rest_points(bush), edited)  # the basis holds the edit
    scene.frame_set(6)
    at = numpy.array(camera.matrix_world.translation, numpy.float32)
    assert near_key(evaluated_points(bush), alone_turn(edited, at, 6), edited)
    assert not numpy.array_equal(evaluated_points(bush)[:8], edited[:8])  # turned, not merely kept


def test_saved_file_holds_the_rest_and_turns_again_when_opened():
    scene, bush, _ = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    rest = obj_points(EXAMPLES / "bush.obj")
    scene.frame_set(47)
    assert not numpy.array_equal(evaluated_points(bush), rest)
    path = SCRATCH / "rest.blend"
    bpy.ops.wm.save_as_mainfile(filepath=str(path))
    assert not bush.data.shape_keys.key_blocks["Vistrelle"].mute  # turning again after the save
    bpy.ops.preferences.addon_disable(module="vistrelle_addon")
    try:
        bpy.ops.wm.open_mainfile(filepath=str(path))
        bush = bpy.data.objects["Bush"]
        assert numpy.array_equal(evaluated_points(bush), rest)  # without the add-on: the artist's mesh
    finally:
        bpy.ops.preferences.addon_enable(module="vistrelle_addon")
    bpy.ops.wm.open_mainfile(filepath=str(path))
    bush = bpy.data.objects["Bush"]
    assert near_key(evaluated_points(bush), expected_at(47))  # with it: frame 47 again


def test_linked_duplicates_share_one_turn_and_say_so():
    scene, bush, camera = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    twin = bush.copy()  # a linked duplicate: the same mesh
    twin.name = "Bush twin"
    scene.collection.objects.link(twin)
    twin.location.x += 3.0
    twin.vistrelle.enabled = True
    scene.frame_set(9)
    assert "Bush twin shares its mesh with Bush" in twin.vistrelle.message
    assert bush.vistrelle.message == ""
    assert near_key(evaluated_points(bush), expected_at(9))


def test_messages_show_once_in_the_panel():
    scene, bush, camera = make_bush_scene()
    bush.vistrelle.leaf_points = 7
    scene.frame_set(2)
    assert bush.vistrelle.message == "12000 points make 1714 leaves of 7; the last 2 points stay as modelled"
    bush.vistrelle.leaf_points = 0
    scene.frame_set(3)
    assert bush.vistrelle.message.startswith("Object points is 0: no leaf turns")
    bush.vistrelle.leaf_points = 4
    scene.frame_set(4)
    assert bush.vistrelle.message == ""
    camera.vistrelle.enabled = True
    scene.frame_set(5)
    assert camera.vistrelle.message == "Camera is not a mesh (empty): Vistrelle turns the points of meshes only"


def test_baked_keys_hold_the_last_frame_after_the_range():
    scene, bush, _ = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    assert bake(bush) == {"FINISHED"}
    assert "Vistrelle" not in bush.data.shape_keys.key_blocks  # the live key is gone with the turning
    for frame in (47, 48, 100):
        scene.frame_set(frame)
        assert near_key(evaluated_points(bush), expected[47]), frame
    scene.frame_set(-5)
    assert near_key(evaluated_points(bush), expected[0])


RENDER_CHECK = """
import bpy, numpy, sys
def check(scene, depsgraph=None):
    bush = bpy.data.objects["Bush"].evaluated_get(bpy.context.evaluated_depsgraph_get())
    points = numpy.empty(len(bush.data.vertices) * 3, numpy.float32)
    bush.data.vertices.foreach_get("co", points)
    numpy.save(sys.argv[-1], points.reshape(-1, 3))
bpy.app.handlers.render_post.append(check)
"""


def render(blend, out, extra=()):
    """`blender -b BLEND -f 7` as a render node runs it, the add-on as this user's preferences have it;
    the PNG it wrote and the points a render handler saw."""
    env = dict(os.environ)
    points = SCRATCH / (out + ".npy")
    done = subprocess.run([bpy.app.binary_path, "-b", str(blend), *extra, "--python-expr", RENDER_CHECK,
                           "-o", str(SCRATCH / (out + "_####")), "-F", "PNG", "-f", "7", "--", str(points)],
                          capture_output=True, text=True, env=env, timeout=300)
    assert done.returncode == 0, done.stdout[-2000:] + done.stderr[-2000:]
    image = bpy.data.images.load(str(SCRATCH / (out + "_0007.png")))
    pixels = numpy.array(image.pixels[:], numpy.float32)
    bpy.data.images.remove(image)
    return pixels, numpy.load(points)


def test_command_line_render_shows_the_turned_mesh():
    scene, bush, camera = make_bush_scene()
    bush.vistrelle.settings = (4, 1, 0, 1, 1)
    eye = bpy.data.objects.new("Eye", bpy.data.cameras.new("Eye"))
    scene.collection.objects.link(eye)
    eye.location = (0.0, -1.5, 0.6)
    eye.rotation_euler = (1.3, 0.0, 0.0)
    scene.camera = eye
    sun = bpy.data.objects.new("Sun", bpy.data.lights.new("Sun", "SUN"))
    scene.collection.objects.link(sun)
    scene.render.engine = "CYCLES"
    scene.cycles.device, scene.cycles.samples, scene.cycles.seed = "CPU", 4, 1
    scene.cycles.use_denoising = False
    scene.render.resolution_x = scene.render.resolution_y = 48
    scene.render.resolution_percentage = 100
    scene.frame_set(47)
    live = SCRATCH / "live.blend"
    bpy.ops.wm.save_as_mainfile(filepath=str(live))
    assert bake(bush) == {"FINISHED"}
    baked = SCRATCH / "baked.blend"
    bpy.ops.wm.save_as_mainfile(filepath=str(baked))
    live_pixels, live_points = render(live, "live")
    assert near_key(live_points, expected[7])  # the render saw frame 7's turn
    baked_pixels, baked_points = render(baked, "baked", ["--factory-startup"])  # no add-on: the keys alone
    assert near_key(baked_points, expected[7])
    differs = float(numpy.abs(live_pixels - baked_pixels).max())
    rest_pixels, _ = render(baked, "rest", ["--factory-startup", "--python-expr",
                                            "import bpy; bpy.data.objects['Bush'].data.shape_keys.key_blocks[0].mute = False;"
                                            "[setattr(k, 'mute', True) for k in bpy.data.objects['Bush'].data.shape_keys.key_blocks[1:]]"])
    print(f"  render of frame 7: live against baked {differs:.3f} at most; against the rest "
          f"{float(numpy.abs(live_pixels - rest_pixels).max()):.3f}")
    assert differs < 0.02
    assert float(numpy.abs(live_pixels - rest_pixels).max()) > 0.1  # the picture does show the turn


run([test_installs_and_enables_from_zip, test_panel_properties_take_what_the_module_panel_takes,
     test_frames_equal_the_command_obj, test_rotated_object_takes_the_target_in_its_own_space,
     test_save_and_reopen_keep_settings_and_result, test_bake_makes_one_shape_key_per_frame,
     test_edit_mode_edits_are_kept_and_turned, test_saved_file_holds_the_rest_and_turns_again_when_opened,
     test_linked_duplicates_share_one_turn_and_say_so, test_messages_show_once_in_the_panel,
     test_baked_keys_hold_the_last_frame_after_the_range, test_command_line_render_shows_the_turned_mesh])
