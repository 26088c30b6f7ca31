"""Bake to shape keys: one key per frame of the scene, keyed on at its frame and off elsewhere, so that
renders and exporters play the turned leaves without the add-on."""
import bpy
import numpy

from . import player


def _key_on_at(key, frame, first, last):
    # On at its frame only, constant in between, so each frame shows exactly its own key; the first
    # and last keys hold before and after the range, as the live turn does.
    if frame > first:
        key.value = 0.0
        key.keyframe_insert("value", frame=frame - 1)
    key.value = 1.0
    key.keyframe_insert("value", frame=frame)
    if frame < last:
        key.value = 0.0
        key.keyframe_insert("value", frame=frame + 1)


class VISTRELLE_OT_bake(bpy.types.Operator):
    """Bake the turned leaves of every frame of the scene into shape keys, and stop turning live"""
    bl_idname = "object.vistrelle_bake"
    bl_label = "Bake to shape keys"
    bl_options = {"REGISTER", "UNDO"}

    @classmethod
    def poll(cls, context):
        obj = context.object
        return obj is not None and obj.type == "MESH" and obj.vistrelle.enabled

    def execute(self, context):
        obj, scene = context.object, context.scene
        start, end, current = scene.frame_start, scene.frame_end, scene.frame_current
        baked = []
        for frame in range(start, end + 1):
            scene.frame_set(frame)
            turned = player.turned_points(obj)
            if turned is None:
                self.report({"ERROR"}, f"{obj.name}: no turned points for frame {frame}")
                return {"CANCELLED"}
            key = obj.shape_key_add(name=f"Vistrelle {frame:04d}", from_mix=False)
            key.data.foreach_set("co", numpy.ascontiguousarray(turned).ravel())
            key.relative_key = obj.data.shape_keys.reference_key
            _key_on_at(key, frame, start, end)
            baked.append(key)
        for curve in obj.data.shape_keys.animation_data.action.fcurves:
            for point in curve.keyframe_points:
                point.interpolation = "CONSTANT"
        obj.vistrelle.enabled = False
        scene.frame_set(current)
        self.report({"INFO"}, f"{obj.name}: {len(baked)} shape keys, frames {start} to {end}")
        return {"FINISHED"}


def register():
    bpy.utils.register_class(VISTRELLE_OT_bake)


def unregister():
    bpy.utils.unregister_class(VISTRELLE_OT_bake)
