"""Plays the module on Blender's meshes without touching what the artist made.

The turned points go into the add-on's own shape key (keys.py), rewritten on every frame change,
relative to the mesh's basis key: the basis is the artist's mesh (Edit Mode, sculpting and the
modifiers work on it as ever), and it is the rest that the next frame turns. Before a save, and when
the add-on is disabled, the key is muted, so that a .blend shows the artist's mesh wherever it is
opened; with the add-on the file turns again on opening. One vistrelle.Session holds every turned
mesh, each with a target item of its own. Each object's fault is that object's one-line `message`,
shown in its panel and cleared as soon as its cause is gone; the other objects turn on."""
import time

import bpy
import numpy
from bpy.app.handlers import persistent

from . import compat, keys, library


def rest_points(obj):
    """The artist's points of `obj` (float32 (N, 3)): what every frame turns. With shape keys, the
    mesh's own points are its basis key's (Blender keeps them so outside Edit Mode), and read faster."""
    mesh = obj.data
    points = numpy.empty((len(mesh.vertices), 3), numpy.float32)
    mesh.vertices.foreach_get("co", points.ravel())
    return points


def settings_of(obj):
    """The object's five saved integers; the module's defaults until any is set."""
    v = obj.vistrelle
    return list(v.settings) if v.is_property_set("settings") else list(library.setting_defaults())


class Fault(Exception):
    """What keeps one object from turning this frame, in one line."""


class Turned:
    """One turning object: its target item in the session, its latest turn and what it was made from."""

    def __init__(self, name, item, rest):
        self.name, self.item, self.rest = name, item, rest
        self.turned = numpy.empty_like(rest)
        self.settings = None  # the settings the session holds for it
        self.note = ""        # what its settings make of its points (a leaf size that leaves points over)


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
            _say(obj, f"{obj.name} shares its mesh with {owners[obj.data.name].name}, whose turn it shows "
                      "(Object > Relations > Make Single User gives it its own)")
        elif keys.absolute(obj):
            _say(obj, f"{obj.name} has absolute shape keys (Relative off): Vistrelle turns meshes whose keys are relative")
        elif obj.mode == "EDIT":
            owners[obj.data.name] = obj  # keeps its last turn until Edit Mode ends
            live = keys.live_key(obj)
            if live is not None and obj.active_shape_key == live:
                _say(obj, f"Edit Mode is editing the {live.name} key, which the next frame rewrites: "
                          "pick the basis key in Shape Keys")
        else:
            owners[obj.data.name] = obj
            turning.append(obj)
    return turning


def _target_position(obj, target, depsgraph, frame):
    """The target's location in the object's own space."""
    if depsgraph is not None:
        obj, target = obj.evaluated_get(depsgraph), target.evaluated_get(depsgraph)
    try:
        inverse = obj.matrix_world.inverted()
    except ValueError:
        raise Fault(f"{obj.name} has a scale of 0 at frame {frame}: it has no space of its own to turn in, "
                    "so it shows as modelled") from None
    return tuple(inverse @ target.matrix_world.translation)


def _leaf_note(obj, handle, leaf_points):
    count = len(obj.data.vertices)
    if leaf_points <= 0:
        return f"Object points is {leaf_points}: no leaf turns (a leaf takes 1 point or more)"
    leaves = int(handle.get("Clones") or 0)
    left = count - leaves * leaf_points
    if left > 0:
        return (f"{count} points make {leaves} leaves of {leaf_points}; "
                f"the last {left} point{'s' if left != 1 else ''} stay{'' if left != 1 else 's'} as modelled")
    return ""


class Player:
    """The add-on's whole runtime state: the loaded module and what it turns. Nothing of it is saved;
    it is made again from the objects after a load, a reload or a change of layout."""

    def __init__(self):
        self.session = None
        self.layout = None   # what the session was made for: fps and (object, mesh, point count) each
        self.turning = []    # Turned, in the session's object order
        self.busy = False
        self.saving = []     # the objects whose live key a save muted, to play again after it
        self.last_turn_ms = 0.0  # the CPU time of the latest frame change in the add-on, for the curious

    def close(self):
        """Lets the session go (another may then be made in this process)."""
        if self.session is not None:
            self.session.close()
        self.session, self.layout, self.turning = None, None, []

    def _build(self, scene, objects, layout):
        self.close()
        session = library.package().Session(library.package().MODULE_PATH, fps=_fps(scene))
        turning = []
        try:
            for obj in objects:
                item = session.add_target(obj.name + " target", position=(0.0, 0.0, 0.0))
                rest = rest_points(obj)
                session.add_object(obj.name, rest)
                turning.append(Turned(obj.name, item, rest))
        except BaseException:
            session.close()
            raise
        self.session, self.turning, self.layout = session, turning, layout

    def _prepare(self, scene, obj, entry, handle, depsgraph):
        """Hands the session this object's points, settings and target for this frame."""
        rest = rest_points(obj)
        settings = settings_of(obj)
        target = obj.vistrelle.target
        frame = scene.frame_current
        fault = ""
        if target is not None and scene.objects.get(target.name) != target:
            fault = f"The target {target.name} is not in this scene any more: {obj.name} shows as modelled until another is picked"
            target = None
        settings[1] = entry.item if target is not None else 0
        if not numpy.array_equal(rest, entry.rest) or settings != entry.settings:  # an edit of the mesh or a setting
            handle.points, entry.rest = rest, rest
            entry.settings = None
            handle.settings = settings
            entry.settings = settings
            entry.note = _leaf_note(obj, handle, settings[0])
        if target is not None:
            self.session.move_target(entry.item, position=_target_position(obj, target, depsgraph, frame))
        if fault:
            raise Fault(fault)

    def turn(self, scene, depsgraph=None):
        """Turns every mesh of `scene` whose leaves turn, at the scene's current frame and sub-frame."""
        if self.busy:
            return
        self.busy = True
        started = time.thread_time()
        objects = []
        try:
            objects = _candidates(scene)
            self._turn(scene, objects, depsgraph)
        except library.Missing as missing:
            for obj in objects:
                _say(obj, str(missing))
        finally:
            self.busy = False
            self.last_turn_ms = (time.thread_time() - started) * 1000.0

    def _turn(self, scene, objects, depsgraph):
        if not objects:  # nothing turns: the module is not even loaded
            self.close()
            return
        host_error = library.package().HostError
        try:
            layout = (_fps(scene), tuple((o.name, o.data.name, len(o.data.vertices)) for o in objects))
            if layout != self.layout:
                self._build(scene, objects, layout)
            faults = {}
            for handle, entry in zip(self.session.objects if self.session else (), self.turning):
                try:
                    self._prepare(scene, scene.objects[entry.name], entry, handle, depsgraph)
                except (Fault, host_error) as fault:
                    faults[entry.name] = str(fault)
            frame = scene.frame_current
            self.session.turn(frame, (frame + scene.frame_subframe) / _fps(scene), out=[e.turned for e in self.turning])
        except host_error as refusal:  # the module's refusal of the whole turn: every object says so
            for obj in objects:
                keys.show_rest(obj)
                _say(obj, str(refusal))
            return
        for entry in self.turning:
            self._show(scene.objects[entry.name], entry, faults.get(entry.name))

    @staticmethod
    def _show(obj, entry, fault):
        if fault is not None or entry.settings is None:
            keys.show_rest(obj)
            _say(obj, fault or "")
            return
        keys.mute_bake(obj, True)  # a bake of its own never adds to the live turn
        key = keys.live_key(obj) or keys.make_live_key(obj)
        key.data.foreach_set("co", entry.turned.ravel())
        if key.mute or key.value != 1.0:
            key.mute, key.value = False, 1.0
        key.id_data.update_tag()
        _say(obj, entry.note)

    def turned_points(self, obj):
        """The points of `obj` after the latest turn (its own space), or None when it did not turn."""
        for entry in self.turning:
            if entry.name == obj.name:
                live = keys.live_key(obj)
                return entry.turned if live is not None and not live.mute else None
        return None

    def leaves_shown(self, obj):
        """What the module's panel shows as the leaf count of `obj` ("Clones")."""
        if self.session is None:
            return 0.0
        for handle, entry in zip(self.session.objects, self.turning):
            if entry.name == obj.name:
                try:
                    return float(handle.get("Clones") or 0.0)
                except library.package().HostError:
                    return 0.0
        return 0.0


PLAYER = Player()


def enable(obj, on):
    """Starts or stops turning `obj`. Stopping takes the add-on's live key away; a bake of its own
    is muted while the live turn plays, so the two never add up."""
    if obj.type != "MESH":
        if not on:
            _say(obj, "")
        return
    keys.mute_bake(obj, on)
    if not on:
        keys.remove_live_key(obj)
        _say(obj, "")


def refresh(scene):
    """Turns again after a setting changed, outside a frame change."""
    if scene is not None:
        PLAYER.turn(scene, compat.evaluated_depsgraph(bpy.context))


@persistent
def _on_frame_change(scene, depsgraph=None):
    PLAYER.turn(scene, depsgraph)


@persistent
def _on_load(_path=None):
    PLAYER.close()
    scene = bpy.context.scene
    if scene is not None and any(o.vistrelle.enabled for o in scene.objects):
        # World matrices are evaluated only now: the target's place as the file holds it.
        PLAYER.turn(scene, compat.evaluated_depsgraph(bpy.context))


@persistent
def _before_save(_path=None):
    # The file keeps the artist's mesh: opened without the add-on, it shows the rest.
    PLAYER.saving = [o.name for o in bpy.data.objects
                     if o.type == "MESH" and keys.live_key(o) is not None and not keys.live_key(o).mute]
    keys.rest_everywhere()


@persistent
def _after_save(_path=None):
    for name in PLAYER.saving:
        obj = bpy.data.objects.get(name)
        key = keys.live_key(obj) if obj is not None else None
        if key is not None:
            key.mute = False
    PLAYER.saving = []


_HANDLERS = ((bpy.app.handlers.frame_change_post, _on_frame_change), (bpy.app.handlers.load_post, _on_load),
             (bpy.app.handlers.save_pre, _before_save), (bpy.app.handlers.save_post, _after_save))


def register():
    for handlers, fn in _HANDLERS:
        handlers.append(fn)


def unregister():
    for handlers, fn in _HANDLERS:
        while fn in handlers:
            handlers.remove(fn)
    PLAYER.close()
    keys.rest_everywhere()  # without the add-on, the artist's mesh shows (and is what a save keeps)
