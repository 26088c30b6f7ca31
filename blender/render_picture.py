"""Renders the demo bush turned by the add-on at one frame, in headless Blender with Cycles on the CPU:
the picture of the README. Run by scripts/blender-picture:

    blender -b --factory-startup --python blender/render_picture.py -- ADDON.zip EXAMPLES OUT.png [FRAME]
"""
import json
import math
import sys
from pathlib import Path

import bpy
from mathutils import Vector

args = sys.argv[sys.argv.index("--") + 1:]
addon_zip, examples, out = Path(args[0]), Path(args[1]), Path(args[2])
frame = int(args[3]) if len(args) > 3 else 12

bpy.ops.preferences.addon_install(filepath=str(addon_zip), overwrite=True)
bpy.ops.preferences.addon_enable(module="vistrelle_addon")
for block in list(bpy.data.objects):
    bpy.data.objects.remove(block)

scene = bpy.context.scene
scene_file = json.loads((examples / "bush.json").read_text())
fps = scene_file["frames"]["fps"]
scene.render.fps, scene.render.fps_base = int(fps), 1.0
scene.frame_start, scene.frame_end = 0, 47

# The bush as Blender's OBJ importer brings it in: Y-up points, turned to Z up by its object.
bpy.ops.wm.obj_import(filepath=str(examples / "bush.obj"))
bush = bpy.context.selected_objects[0]
leaf = bpy.data.materials.new("Leaf")
leaf.use_nodes = True
leaf.node_tree.nodes["Principled BSDF"].inputs["Base Color"].default_value = (0.18, 0.42, 0.12, 1.0)
bush.data.materials.clear()
bush.data.materials.append(leaf)

# The target: an empty on the scene file's circling path, in world space.
target = bpy.data.objects.new("Target", None)
scene.collection.objects.link(target)
for key in scene_file["items"][0]["keys"]:
    target.location = bush.matrix_world @ Vector(key["position"])
    target.keyframe_insert("location", frame=round(key["time"] * fps))
bush.vistrelle.enabled = True
bush.vistrelle.target = target
bush.vistrelle.settings = scene_file["displacements"][0]["data"]

# A camera where the target is at that frame, looking at the bush, and a sun.
scene.frame_set(frame)
camera = bpy.data.objects.new("Camera", bpy.data.cameras.new("Camera"))
scene.collection.objects.link(camera)
camera.location = target.matrix_world.translation * 1.6 + Vector((0.0, 0.0, 0.4))
camera.rotation_euler = (Vector((0.0, 0.0, 0.55)) - camera.location).to_track_quat("-Z", "Y").to_euler()
scene.camera = camera
sun = bpy.data.objects.new("Sun", bpy.data.lights.new("Sun", "SUN"))
sun.data.energy = 3.0
sun.rotation_euler = (math.radians(40), 0.0, math.radians(30))
scene.collection.objects.link(sun)
world = bpy.data.worlds.new("Sky")
world.use_nodes = True
world.node_tree.nodes["Background"].inputs["Color"].default_value = (0.78, 0.84, 0.9, 1.0)
scene.world = world

scene.render.engine = "CYCLES"
scene.cycles.device = "CPU"
scene.cycles.samples = 16
scene.cycles.use_denoising = False
scene.render.resolution_x, scene.render.resolution_y, scene.render.resolution_percentage = 640, 480, 100
scene.render.image_settings.file_format = "PNG"
scene.render.image_settings.color_mode = "RGB"
scene.render.image_settings.compression = 100
scene.render.filepath = str(out)
scene.frame_set(frame)
bpy.ops.render.render(write_still=True)
print(f"wrote {out}: the bush at frame {frame}")
