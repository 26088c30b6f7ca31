"""Plays the module on Blender's meshes: one vistrelle.Session holds every mesh whose leaves turn, each
with a target item of its own; on every frame change the targets are placed in each object's own
space, the session turns, and the turned points are written into the meshes. The original points of a
mesh are kept in its "vistrelle_rest" point attribute, so the mesh can always be turned afresh and a
saved .blend keeps them."""
import time

import bpy
import numpy
from bpy.app.handlers import persistent

from . import axes
from .vistrelle import MODULE_PATH as MODULE, HostError, Session

REST = "vistrelle_rest"

error = ""          # the latest refusal, shown in the panel
last_turn_ms = 0.0  # what the latest frame change cost the add-on, for the curious
_session = None
_layout = None      # what the session was built for: fps and (object name, point count) pairs
_entries = {}       # object name -> _Entry
_busy = False


class _Entry:
    def __init__(self, obj, target_item, count):
        self.obj = obj
        self.target_item = target_item
        self.host = numpy.empty((count, 3), numpy.float32)     # turned, host axes
        self.blender = numpy.empty((count, 3), numpy.float32)  # turned, the object's axes
        self.applied = None


def rest_points(obj):
    """The object's original points (its own axes, float32 (N, 3)), kept from when turning began."""
    mesh = obj.data
    count = len(mesh.vertices)
    points = numpy.empty((count, 3), numpy.float32)
    rest = mesh.attributes.get(REST)
    if rest is not None and rest.domain == "POINT" and rest.data_type == "FLOAT_VECTOR" and len(rest.data) == count:
        rest.data.foreach_get("vector", points.ravel())
    else:
        mesh.vertices.foreach_get("co", points.ravel())
    return points


def _keep_rest(obj):
    mesh = obj.data
    rest = mesh.attributes.get(REST)
    if rest is not None and len(rest.data) == len(mesh.vertices):
        return
    if rest is not None:
        mesh.attributes.remove(rest)
    points = numpy.empty(len(mesh.vertices) * 3, numpy.float32)
    mesh.vertices.foreach_get("co", points)
    mesh.attributes.new(REST, "FLOAT_VECTOR", "POINT").data.foreach_set("vector", points)


def _clear_custom_normals(obj):
    # Normals imported with a mesh describe the unturned leaves; left in place they would shade the
    # turned ones wrongly, and keep every frame change slow.
    if obj.data.has_custom_normals:
        with bpy.context.temp_override(object=obj, active_object=obj):
            bpy.ops.mesh.customdata_custom_splitnormals_clear()


def enable(obj, on):
    """Starts or stops turning `obj`; stopping puts its original points back."""
    if obj.type != "MESH":
        return
    if on:
        _keep_rest(obj)
        _clear_custom_normals(obj)
        return
    rest = obj.data.attributes.get(REST)
    if rest is not None:
        points = rest_points(obj)
        obj.data.vertices.foreach_set("co", points.ravel())
        obj.data.attributes.remove(obj.data.attributes[REST])
        obj.data.update()


def _turned_objects(scene):
    return [o for o in scene.objects if o.type == "MESH" and o.vistrelle.enabled and o.mode != "EDIT"]


def _fps(scene):
    return scene.render.fps / scene.render.fps_base


def _build(scene, objects):
    global _session, _layout, _entries
    close()
    session = Session(MODULE, fps=_fps(scene))
    entries = {}
    try:
        for obj in objects:
            _keep_rest(obj)
            _clear_custom_normals(obj)
            host_points = axes.to_host(rest_points(obj), obj.vistrelle.up_axis)
            target = session.add_target(obj.name + " target", position=(0.0, 0.0, 0.0))
            session.add_object(obj.name, host_points)
            entries[obj.name] = _Entry(obj, target, len(host_points))
    except BaseException:
        session.close()
        raise
    _session, _entries = session, entries
    _layout = (_fps(scene), tuple((o.name, len(o.data.vertices), o.vistrelle.up_axis) for o in objects))


def close():
    """Lets the session go (another may then be made in this process)."""
    global _session, _layout, _entries
    if _session is not None:
        _session.close()
    _session, _layout, _entries = None, None, {}


def _settings_of(entry):
    """The object's five integers, its target numbered as this session numbers it."""
    settings = list(entry.obj.vistrelle.settings)
    settings[1] = entry.target_item if entry.obj.vistrelle.target is not None else 0
    return settings


def _target_position(obj, depsgraph):
    """The target's location in the object's own space, host axes; the origin when there is none."""
    target = obj.vistrelle.target
    if target is None:
        return (0.0, 0.0, 0.0)
    if depsgraph is not None:
        obj, target = obj.evaluated_get(depsgraph), target.evaluated_get(depsgraph)
    return axes.vector_to_host(obj.matrix_world.inverted() @ target.matrix_world.translation, obj.vistrelle.up_axis)


def turn(scene, depsgraph=None):
    """Turns every mesh of `scene` whose leaves turn for the scene's current frame."""
    global error, last_turn_ms, _busy
    if _busy:
        return
    _busy = True
    started = time.perf_counter()
    try:
        objects = _turned_objects(scene)
        layout = (_fps(scene), tuple((o.name, len(o.data.vertices), o.vistrelle.up_axis) for o in objects))
        if layout != _layout:
            _build(scene, objects)
        if not _entries:
            return
        for obj in objects:  # this turn's references: an object taken out and put back is a new one
            _entries[obj.name].obj = obj
        objects = _session.objects
        for k, entry in enumerate(_entries.values()):
            settings = _settings_of(entry)
            if settings != entry.applied:
                objects[k].settings = settings
                entry.applied = settings
            _session.move_target(entry.target_item, position=_target_position(entry.obj, depsgraph))
        frame = scene.frame_current
        _session.turn(frame, frame / _fps(scene), out=[e.host for e in _entries.values()])
        for entry in _entries.values():
            axes.to_object(entry.host, entry.obj.vistrelle.up_axis, entry.blender)
            entry.obj.data.vertices.foreach_set("co", entry.blender.ravel())
            entry.obj.data.update()
        error = ""
    except HostError as refusal:
        error = str(refusal)
        print("Vistrelle:", error)
    finally:
        _busy = False
        last_turn_ms = (time.perf_counter() - started) * 1000.0


def turned_points(obj):
    """The points of `obj` after the latest turn (its own axes), or None when it is not turning."""
    entry = _entries.get(obj.name)
    return None if entry is None else entry.blender


def leaves_shown(obj):
    """What the module's panel shows as the leaf count of `obj` ("Clones")."""
    entry = _entries.get(obj.name)
    if entry is None or _session is None:
        return 0.0
    try:
        return float(_session.objects[list(_entries).index(obj.name)].get("Clones") or 0.0)
    except HostError:
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


def register():
    bpy.app.handlers.frame_change_post.append(_on_frame_change)
    bpy.app.handlers.load_post.append(_on_load)


def unregister():
    for handlers, fn in ((bpy.app.handlers.frame_change_post, _on_frame_change), (bpy.app.handlers.load_post, _on_load)):
        while fn in handlers:
            handlers.remove(fn)
    close()
