"""Bake to shape keys: one key per frame of the scene, keyed on at its frame and off elsewhere, so that
renders and exporters play the turned leaves without the add-on.

The bake makes its own keys and curves and changes nothing else: the artist's curves keep their
keys and interpolation, an action other meshes play too is left to them (this mesh's Key gets a copy
of it), and a new bake replaces the earlier one. It is made whole or not at all: every frame is
turned first, and only then are keys made; the scene's frame goes back to where it was."""
import bpy
import numpy

from . import compat, keys, player


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


def _turned_frames(scene, obj, start, end):
    """Each frame's turned points, or the one line that says why a frame does not turn."""
    frames = {}
    for frame in range(start, end + 1):
        scene.frame_set(frame)
        turned = player.PLAYER.turned_points(obj)
        if turned is None:
            reason = obj.vistrelle.message or "it does not turn"
            return None, f"{obj.name} does not turn at frame {frame}: {reason}"
        frames[frame] = turned.copy()
    return frames, ""


def _has_action(keys_id):
    return keys_id is not None and keys_id.animation_data is not None and keys_id.animation_data.action is not None


def _make_keys(obj, frames, start, end):
    """The bake's keys and curves (named "... .001" beside an earlier bake's); on any failure, what
    was made is taken away again and the Key plays the action it played before."""
    keys_id = obj.data.shape_keys
    made_action = not _has_action(keys_id) or keys.bake_action_made(obj)
    played = keys_id.animation_data.action if _has_action(keys_id) else None
    shared = compat.give_own_action(keys_id) if keys_id is not None else None
    active = obj.active_shape_key_index
    made = []
    try:
        for frame, turned in frames.items():
            key = obj.shape_key_add(name=f"Vistrelle {frame:04d}", from_mix=False)
            made.append(key)
            key.data.foreach_set("co", numpy.ascontiguousarray(turned).ravel())
            key.relative_key = obj.data.shape_keys.reference_key
            _key_on_at(key, frame, start, end)
        for curve in keys.own_curves(obj, made):
            for point in curve.keyframe_points:
                point.interpolation = "CONSTANT"
    except BaseException:
        keys.remove_keys(obj, made)
        if shared is not None:
            copy, obj.data.shape_keys.animation_data.action = obj.data.shape_keys.animation_data.action, played
            bpy.data.actions.remove(copy)
        raise
    finally:
        obj.active_shape_key_index = active
    return made, made_action, shared


def _replace_bake(obj, made, made_action):
    """The new bake's keys take the earlier bake's place, and its names."""
    names = [k.name for k in made]
    keys.remove_bake(obj)
    made = [obj.data.shape_keys.key_blocks[n] for n in names]
    for key in made:
        key.name = key.name.rsplit(".", 1)[0] if "." in key.name else key.name  # curves follow the name
    keys.mark_bake(obj, made, made_action)
    return made


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
        if obj.mode != "OBJECT":
            self.report({"ERROR"}, f"{obj.name} is in {obj.mode.replace('_', ' ').title()} Mode: bake in Object Mode")
            return {"CANCELLED"}
        start, end = scene.frame_start, scene.frame_end
        current, subframe = scene.frame_current, scene.frame_subframe
        try:
            frames, refusal = _turned_frames(scene, obj, start, end)
        finally:
            scene.frame_set(current, subframe=subframe)
        if frames is None:
            self.report({"ERROR"}, refusal)
            return {"CANCELLED"}
        made, made_action, shared = _make_keys(obj, frames, start, end)
        made = _replace_bake(obj, made, made_action)
        obj.vistrelle.enabled = False
        scene.frame_set(current, subframe=subframe)
        note = f"; its action {shared} is shared, so this mesh's keys now play a copy of it" if shared else ""
        self.report({"INFO"}, f"{obj.name}: {len(made)} shape keys, frames {start} to {end}{note}")
        return {"FINISHED"}


def register():
    bpy.utils.register_class(VISTRELLE_OT_bake)


def unregister():
    bpy.utils.unregister_class(VISTRELLE_OT_bake)
