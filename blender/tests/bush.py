"""The demo scene in headless Blender, shared by the add-on's tests: the add-on installed from its zip,
the bush and its camera, the command's frames to compare with, and what Blender shows of a mesh."""
import json
import shutil
import subprocess
import sys
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from harness import COMMAND, EXAMPLES, SCRATCH, ZIP, host_to_blender, mixed_steps, obj_points  # noqa: E402

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


FILE_SETTINGS = (4, 1, 0, 1, 1)  # the scene file's, which the command's frames are made with


def make_bush_scene(up="Y", world=None, settings=None):
    """The demo scene in Blender: the bush imported from its OBJ (points with Y up, or turned to Z up),
    its object transform `world` (the identity when None), the camera an empty keyed at the scene
    file's positions carried into world space by that transform; the module's defaults, or `settings`."""
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
    for curve in animated_curves(camera):
        for point in curve.keyframe_points:
            point.interpolation = "LINEAR"
    bush.vistrelle.enabled = True
    bush.vistrelle.target = camera
    if settings is not None:
        bush.vistrelle.settings = settings
    return scene, bush, camera


REST = None


def near_key(got, want, rest=None):
    """`got` is `want` as Blender mixes a shape key over `rest` (the bush as modelled by default)."""
    global REST
    if rest is None:
        REST = obj_points(EXAMPLES / "bush.obj") if REST is None else REST
        rest = REST
    return mixed_steps(got, want, rest).max() <= 1


def evaluated_points(obj):
    evaluated = obj.evaluated_get(bpy.context.evaluated_depsgraph_get())
    points = numpy.empty(len(evaluated.data.vertices) * 3, numpy.float32)
    evaluated.data.vertices.foreach_get("co", points)
    return points.reshape(-1, 3)


def alone_turn(points, camera_position, frame, settings=(4, 1, 0, 1, 1), time=None):
    """`points` turned for `frame` (at `time` seconds) by a session of their own, the camera fixed at
    `camera_position`."""
    import vistrelle_addon.player as player
    from vistrelle_addon.vistrelle import MODULE_PATH, Session
    player.PLAYER.close()  # one session a process: the add-on makes its own again on the next frame
    with Session(MODULE_PATH, fps=FPS) as session:
        target = session.add_target("Camera", position=tuple(camera_position))
        session.add_object("Bush", points, settings=[settings[0], target] + list(settings[2:]))
        turned, = session.turn(frame, time)
        return turned.copy()


def expected_at(frame):
    if frame not in expected:
        out = SCRATCH / "run-rounded"
        expected[frame] = obj_points(out / f"Bush.{frame:04d}.obj")
    return expected[frame]


def install():
    """The add-on from its zip, enabled and kept in this user's preferences (the Blender that renders
    from the command line loads it too), and the command's frames to compare with."""
    bpy.ops.preferences.addon_install(filepath=str(ZIP), overwrite=True)
    bpy.ops.preferences.addon_enable(module="vistrelle_addon")
    bpy.ops.wm.save_userpref()
    assert "vistrelle_addon" in bpy.context.preferences.addons
    command_frames()


def animated_curves(id_data):
    from vistrelle_addon import compat
    return list(compat.fcurves(id_data))


def on(obj):
    """The context an operator of the panel runs in for `obj`."""
    return bpy.context.temp_override(object=obj, active_object=obj)


def bake(obj):
    with on(obj):
        return bpy.ops.object.vistrelle_bake()
