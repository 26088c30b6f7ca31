"""Makes the demo scene as a .blend for the farm test (scripts/test-extra-slurm): the bush from
examples/bush.obj in its file's axes, the camera an empty keyed at the scene file's positions, the
Vistrelle add-on turning the bush toward it, and a tiny Cycles render of an eye camera.

    blender -b --python tests/scripts/slurm_bush_blend.py -- EXAMPLES OUT.blend"""
import json
import sys
from pathlib import Path

import bpy
from mathutils import Matrix

examples, out = Path(sys.argv[-2]), Path(sys.argv[-1])
scene_file = json.loads((examples / "bush.json").read_text())
fps = scene_file["frames"]["fps"]
for block in list(bpy.data.objects):
    bpy.data.objects.remove(block)
scene = bpy.context.scene
scene.render.fps, scene.render.fps_base = int(fps), 1.0
scene.frame_start, scene.frame_end = 0, 47
bpy.ops.wm.obj_import(filepath=str(examples / "bush.obj"))
bush = bpy.context.selected_objects[0]
bush.name = "Bush"
bush.matrix_world = Matrix.Identity(4)
camera = bpy.data.objects.new("Camera", None)
scene.collection.objects.link(camera)
for key in scene_file["items"][0]["keys"]:
    camera.location = key["position"]
    camera.keyframe_insert("location", frame=round(key["time"] * fps))
for curve in camera.animation_data.action.fcurves:
    for point in curve.keyframe_points:
        point.interpolation = "LINEAR"
bush.vistrelle.enabled = True
bush.vistrelle.target = camera
bush.vistrelle.settings = tuple(scene_file["displacements"][0]["data"])  # as the scene file has them
eye = bpy.data.objects.new("Eye", bpy.data.cameras.new("Eye"))
scene.collection.objects.link(eye)
eye.location, eye.rotation_euler = (0.0, -1.5, 0.6), (1.3, 0.0, 0.0)
scene.camera = eye
scene.render.engine = "CYCLES"
scene.cycles.device, scene.cycles.samples = "CPU", 1
scene.cycles.use_denoising = False
scene.render.resolution_x = scene.render.resolution_y = 16
scene.render.resolution_percentage = 100
bpy.ops.wm.save_as_mainfile(filepath=str(out))
