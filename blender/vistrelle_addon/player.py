"""Plays the module on Blender's meshes without touching what the artist made.

The turned points go into a shape key named "Vistrelle", rewritten on every frame change, relative to
the mesh's basis key: the basis is the artist's mesh (Edit Mode, sculpting and the modifiers work on
it as ever; the key is mixed in where Blender evaluates shape keys, before the modifiers), and it is
the rest that the next frame turns. Before a save the key is muted, so that a .blend opened without
the add-on shows the artist's mesh, never a frame that happened to be shown; after the save and on
load the add-on turns again. One vistrelle.Session holds every turned mesh, each with a target item
of its own. What goes wrong is kept on the object (its `message`) and shown once in the panel."""
import time

import bpy
import numpy
from bpy.app.handlers import persistent

from .vistrelle import MODULE_PATH as MODULE, HostError, Session

KEY = "Vistrelle"
MADE_BASIS = "vistrelle_made_basis"  # on a mesh whose basis key the add-on added

last_turn_ms = 0.0  # the CPU time of the latest frame change in the add-on, for the curious
_session = None     # the loaded module: runtime only, rebuilt after a load or a change of layout
_layout = None      # what the session was built for: fps and (object name, mesh name, point count)
_entries = []       # [object name, target item, turned points, rest points, settings applied] per object
_busy = False


def rest_points(obj):
    """The artist's points of `obj` (float32 (N, 3)): what every frame turns. With shape keys, the
    mesh's own points are its basis key's (Blender keeps them so outside Edit Mode), and read faster."""
    mesh = obj.data
    points = numpy.empty((len(mesh.vertices), 3), numpy.float32)
    mesh.vertices.foreach_get("co", points.ravel())
    return points


def live_key(obj, make=True):
    """The object's "Vistrelle" shape key, made (with a basis when the mesh has none) when asked."""
    mesh = obj.data
    keys = mesh.shape_keys
    key = keys.key_blocks.get(KEY) if keys is not None else None
    if key is None and make:
        if keys is None:
            obj.shape_key_add(name="Basis", from_mix=False)
            mesh[MADE_BASIS] = True
        key = obj.shape_key_add(name=KEY, from_mix=False)
        key.relative_key = mesh.shape_keys.reference_key
        obj.active_shape_key_index = 0  # Edit Mode edits the basis: the artist's mesh
    return key


def enable(obj, on):
    """Starts or stops turning `obj`; stopping takes the add-on's shape key away again."""
    if obj.type != "MESH":
        return
    if on:
        if obj.data.has_custom_normals:  # they describe the unturned leaves: shading would be wrong
            with bpy.context.temp_override(object=obj, active_object=obj):
                bpy.ops.mesh.customdata_custom_splitnormals_clear()
        return
    key = live_key(obj, make=False)
    if key is not None:
        obj.shape_key_remove(key)
    keys = obj.data.shape_keys
    if keys is not None and len(keys.key_blocks) == 1 and obj.data.get(MADE_BASIS):
        obj.shape_key_clear()
    if MADE_BASIS in obj.data:
        del obj.data[MADE_BASIS]


def _say(obj, text):
    if obj.vistrelle.message != text:  # written only when it changes: no update storm, no repeats
        obj.vistrelle.message = text


def _fps(scene):
    return scene.render.fps / scene.render.fps_base


def _candidates(scene):
    """The objects that turn this frame; the others that asked to are told why not."""
    turning, owners = [], {}
    for obj in sorted((o for o in scene.objects if o.vistrelle.enabled), key=lambda o: o.name):
        if obj.type != "MESH":
            _say(obj, f"{obj.name} is not a mesh ({obj.type.lower()}): Vistrelle turns the points of meshes only")
        elif obj.data.name in owners:
            first = owners[obj.data.name]
            _say(obj, f"{obj.name} shares its mesh with {first.name}, whose turn it shows "
                      "(Object > Relations > Make Single User gives it its own)")
        elif obj.mode == "EDIT":
            owners[obj.data.name] = obj  # keeps its last turn until Edit Mode ends
        else:
            owners[obj.data.name] = obj
            turning.append(obj)
    return turning


def _build(scene, objects):
    global _session, _layout, _entries
    close()
    session = Session(MODULE, fps=_fps(scene))
    entries = []
    try:
        for obj in objects:
            target = session.add_target(obj.name + " target", position=(0.0, 0.0, 0.0))
            rest = rest_points(obj)
            session.add_object(obj.name, rest)
            entries.append([obj.name, target, numpy.empty_like(rest), rest, None])
    except BaseException:
        session.close()
        raise
    _session, _entries = session, entries
    _layout = _layout_of(scene, objects)


def _layout_of(scene, objects):
    return (_fps(scene), tuple((o.name, o.data.name, len(o.data.vertices)) for o in objects))


def close():
    """Lets the session go (another may then be made in this process)."""
    global _session, _layout, _entries
    if _session is not None:
        _session.close()
    _session, _layout, _entries = None, None, []


def _target_position(obj, depsgraph):
    """The target's location in the object's own space; the origin when there is none."""
    target = obj.vistrelle.target
    if target is None:
        return (0.0, 0.0, 0.0)
    if depsgraph is not None:
        obj, target = obj.evaluated_get(depsgraph), target.evaluated_get(depsgraph)
    return tuple(obj.matrix_world.inverted() @ target.matrix_world.translation)


def _leaf_message(obj, handle):
    leaf_points, count = obj.vistrelle.settings[0], len(obj.data.vertices)
    if leaf_points <= 0:
        return f"Object points is {leaf_points}: no leaf turns (a leaf takes 1 point or more)"
    leaves = int(handle.get("Clones") or 0)
    left = count - leaves * leaf_points
    if left > 0:
        return (f"{count} points make {leaves} leaves of {leaf_points}; "
                f"the last {left} point{'s' if left != 1 else ''} stay{'' if left != 1 else 's'} as modelled")
    return ""


def turn(scene, depsgraph=None):
    """Turns every mesh of `scene` whose leaves turn, for the scene's current frame."""
    global last_turn_ms, _busy
    if _busy:
        return
    _busy = True
    started = time.thread_time()
    objects = []
    try:
        objects = _candidates(scene)
        if _layout_of(scene, objects) != _layout:
            _build(scene, objects)
        if not _entries:
            return
        handles = _session.objects
        changed = []
        for handle, entry in zip(handles, _entries):
            obj = scene.objects[entry[0]]
            rest = rest_points(obj)
            settings = list(obj.vistrelle.settings)
            settings[1] = entry[1] if obj.vistrelle.target is not None else 0
            if not numpy.array_equal(rest, entry[3]) or settings != entry[4]:  # an edit of the mesh or a setting
                handle.points, entry[3] = rest, rest
                handle.settings = entry[4] = settings
                changed.append((obj, handle))
            _session.move_target(entry[1], position=_target_position(obj, depsgraph))
        frame = scene.frame_current
        _session.turn(frame, frame / _fps(scene), out=[e[2] for e in _entries])
        for name, _, turned, _, _ in _entries:
            obj = scene.objects[name]
            key = live_key(obj)
            key.data.foreach_set("co", turned.ravel())
            if key.mute or key.value != 1.0:
                key.mute, key.value = False, 1.0
            key.id_data.update_tag()
        for obj, handle in changed:
            _say(obj, _leaf_message(obj, handle))
    except HostError as refusal:
        for obj in objects:
            _say(obj, str(refusal))
    finally:
        _busy = False
        last_turn_ms = (time.thread_time() - started) * 1000.0


def turned_points(obj):
    """The points of `obj` after the latest turn (its own space), or None when it is not turning."""
    for entry in _entries:
        if entry[0] == obj.name:
            return entry[2]
    return None


def leaves_shown(obj):
    """What the module's panel shows as the leaf count of `obj` ("Clones")."""
    for handle, entry in zip(_session.objects if _session is not None else [], _entries):
        if entry[0] == obj.name:
            try:
                return float(handle.get("Clones") or 0.0)
            except HostError:
                return 0.0
    return 0.0


def refresh(scene):
    """Turns again after a setting changed, outside a frame change."""
    if scene is not None:
        turn(scene, bpy.context.evaluated_depsgraph_get() if bpy.context.view_layer else None)


@persistent
def _on_frame_change(scene, depsgraph=None):
    turn(scene, depsgraph)


@persistent
def _on_load(_path=None):
    close()
    if bpy.context.scene is not None:
        turn(bpy.context.scene)


def _live_keys():
    for obj in bpy.data.objects:
        if obj.type == "MESH" and obj.vistrelle.enabled:
            key = live_key(obj, make=False)
            if key is not None:
                yield key


@persistent
def _before_save(_path=None):
    # The file keeps the artist's mesh: opened without the add-on, it shows the rest.
    for key in _live_keys():
        key.mute = True


@persistent
def _after_save(_path=None):
    for key in _live_keys():
        key.mute = False


_HANDLERS = ((bpy.app.handlers.frame_change_post, _on_frame_change), (bpy.app.handlers.load_post, _on_load),
             (bpy.app.handlers.save_pre, _before_save), (bpy.app.handlers.save_post, _after_save))


def register():
    for handlers, fn in _HANDLERS:
        handlers.append(fn)


def unregister():
    for handlers, fn in _HANDLERS:
        while fn in handlers:
            handlers.remove(fn)
    close()
