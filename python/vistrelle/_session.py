"""Session and Object over the C library: points in and out as numpy float32 arrays when numpy is
there, or any float32 buffer (array.array('f'), a memoryview) otherwise."""
import ctypes

from . import _native as native
from ._arguments import (HostError, floats_of, new_points, panel_number, keys_of, seconds_of, settings_of,
                         some_points, whole_frame)
from ._native import lib

__all__ = ["HostError", "Object", "Session"]


def _check(status):
    if status != native.OK:
        raise HostError(native.last_error())


class Object:
    """One object of a Session: an item with points and the displacement on it."""

    def __init__(self, session, index):
        self._session, self._index = session, index

    @property
    def index(self):
        """Position among the session's objects (turn's order)."""
        return self._index

    @property
    def item(self):
        """The object's item number in the scene's item list."""
        return self._session._size(lib.vistrelle_object_item, self._index)

    @property
    def point_count(self):
        return self._session._size(lib.vistrelle_point_count, self._index)

    @property
    def positions(self):
        """The array turn writes this object's points into by default (float32, (N, 3))."""
        self.point_count  # refuses an object that is gone
        return self._session._positions[self._index]

    @property
    def points(self):
        """The base points (a copy). Assigning new points of another count makes a new
        instance of the module (it sizes its leaf arrays when made) with the same settings."""
        return self._session._base_points(self._index)

    @points.setter
    def points(self, points):
        self._session._set_points(self._index, points)

    @property
    def settings(self):
        """The five integers the module saves and loads, as a list.

            >>> obj.settings = [3, cam, 3, 1, 0]   # 3 points a leaf, target, last point, H on, P off

        Each must be a whole number the options panel takes: leaf points any 32-bit number, the target 0 or
        an item number, the pivot rule 0 to 3, H and P Align 0 or 1. Anything else raises HostError (or
        TypeError for a value that is not a whole number) naming the setting, and changes nothing."""
        values = (ctypes.c_int32 * 5)()
        _check(lib.vistrelle_get_settings(self._session._handle, self._index, values))
        return list(values)

    @settings.setter
    def settings(self, values):
        _check(lib.vistrelle_set_settings(self._session._handle, self._index, settings_of(values)))

    def _controls(self):
        handle = self._session._handle
        count = self._session._size(lib.vistrelle_control_count, self._index)
        controls = []
        for place in range(count):
            control = native.Control()
            _check(lib.vistrelle_control_at(handle, self._index, place, ctypes.byref(control)))
            status, label = native.read_text(lib.vistrelle_control_label, handle, self._index, place)
            _check(status)
            controls.append((label, control))
        return controls

    def _place(self, label):
        place = ctypes.c_size_t(0)
        _check(lib.vistrelle_find_control(self._session._handle, self._index, native.encoded(label, "label"),
                                          ctypes.byref(place)))
        return place.value

    def _entries_at(self, place, count):
        entries = []
        for entry in range(count):
            status, name = native.read_text(lib.vistrelle_control_entry, self._session._handle, self._index,
                                            place, entry)
            _check(status)
            entries.append(name)
        return entries

    def panel(self):
        """Every control of the module's options panel by its label, with its value
        (a popup's entry name, otherwise a number).

            >>> obj.panel()
            {'Object points': 4, 'Clones': 3000.0, 'Target object': 'Camera', 'Pivot Type': 'first point', 'H Align': 1, 'P Align': 1}"""
        shown = {}
        for place, (label, control) in enumerate(self._controls()):
            value = control.value
            if not control.hasValue:
                shown[label] = None
            elif control.entryCount and 0 <= value < control.entryCount and value == int(value):
                shown[label] = self._entries_at(place, control.entryCount)[int(value)]
            elif control.kind == native.CONTROL_NUMBER:
                shown[label] = value
            else:
                shown[label] = int(value)
        return shown

    def get(self, label):
        """The number behind one control of the panel, by its label (any case) or the
        name the module gives its value ("Leaves" for the "Clones" display).

            >>> obj.get("Leaves")
            3000.0"""
        control = native.Control()
        _check(lib.vistrelle_control_at(self._session._handle, self._index, self._place(label),
                                        ctypes.byref(control)))
        if not control.hasValue:
            return None
        return control.value if control.kind == native.CONTROL_NUMBER else int(control.value)

    def entries(self, label):
        """The entries of a popup control, in the panel's order."""
        place = self._place(label)
        control = native.Control()
        _check(lib.vistrelle_control_at(self._session._handle, self._index, place, ctypes.byref(control)))
        return self._entries_at(place, control.entryCount)

    def set(self, label, value):
        """Edits one control as a user does: the panel's set, then its change notification.

        A popup takes an entry name or its index, a switch True/False/1/0/"on"/"off", an integer field a
        whole 32-bit number; the derived display takes nothing. Anything else raises HostError and changes
        nothing.

            >>> obj.set("Pivot Type", "last point")
            >>> obj.set("Target object", "Camera")
            >>> obj.set("Object points", 3)"""
        place = self._place(label)
        if isinstance(value, str):
            number, text = 0.0, native.encoded(value, "value")
        else:
            number, text = panel_number(value), None
        _check(lib.vistrelle_set_control(self._session._handle, self._index, place, number, text))

    def __repr__(self):
        return "<vistrelle.Object %d: item %d, %d points>" % (self._index, self.item, self.point_count)


class Session:
    """One loaded module, its scene items and its objects.

    Only one Session may hold a module file at a time in a process (the module's services are
    process-wide): a second, from this or another copy of the package, raises HostError. Two copies of the
    package each playing its own vistrel.p (MODULE_PATH) work apart.
    Items are numbered from 1 in the order they were added; that number is what the module's target
    setting (the second saved integer) refers to; 0 is no target. Every call may come from any
    thread: calls on one session take turns, and a turn sees one consistent state."""

    def __init__(self, module, fps=24.0):
        """Loads the module at `module` into an empty scene of `fps` frames a second.

            >>> s = vistrelle.Session("vistrel.p", fps=24.0)

        Raises HostError when the file is not a module the host accepts."""
        handle = ctypes.c_void_p()
        self._handle = None
        _check(lib.vistrelle_open(native.path_bytes(module, "module"), float(fps), ctypes.byref(handle)))
        self._adopt(handle)

    @staticmethod
    def from_scene(module, scene):
        """Loads the module and a scene file (JSON, as `vistrelle run` reads).

        Its items, frame rate and displacements become the session's; each displacement is an object.

            >>> s = vistrelle.Session.from_scene("vistrel.p", "examples/bush.json")
            >>> s.objects[0].settings
            [4, 1, 0, 1, 1]"""
        handle = ctypes.c_void_p()
        _check(lib.vistrelle_open_scene(native.path_bytes(module, "module"), native.path_bytes(scene, "scene"),
                                        ctypes.byref(handle)))
        session = Session.__new__(Session)
        session._handle = None
        session._adopt(handle)
        return session

    def _adopt(self, handle):
        self._handle = handle
        self._positions = []
        for k in range(self._size(lib.vistrelle_object_count)):
            self._positions.append(self._base_points(k))

    def __del__(self):
        if getattr(self, "_handle", None) is not None:
            lib.vistrelle_release(self._handle)
            self._handle = None

    def _size(self, entry, *arguments):
        answer = ctypes.c_size_t(0)
        _check(entry(self._handle, *arguments, ctypes.byref(answer)))
        return answer.value

    def _base_points(self, index):
        points = new_points(self._size(lib.vistrelle_point_count, index))
        floats = floats_of(points, "points", True)
        _check(lib.vistrelle_get_points(self._handle, index, floats.address, floats.count))
        return points

    def _set_points(self, index, points):
        floats = some_points(floats_of(points, "points", False), index)
        _check(lib.vistrelle_set_points(self._handle, index, floats.address, floats.count))
        if self._size(lib.vistrelle_point_count, index) != floats_of(self._positions[index], "", True).count:
            self._positions[index] = self._base_points(index)

    def close(self):
        """Unloads the module now, so that another Session may be made; later use raises
        HostError. A Session used in a `with` block closes at its end.

            >>> with vistrelle.Session("vistrel.p") as s:
            ...     pass"""
        _check(lib.vistrelle_close(self._handle))
        self._positions = []

    def __enter__(self):
        return self

    def __exit__(self, *args):
        self.close()

    @property
    def fps(self):
        answer = ctypes.c_double(0.0)
        _check(lib.vistrelle_frames_per_second(self._handle, ctypes.byref(answer)))
        return answer.value

    @property
    def items(self):
        """The names of the scene's items in list order (item 1 first)."""
        names = []
        for number in range(1, self._size(lib.vistrelle_item_count) + 1):
            status, name = native.read_text(lib.vistrelle_item_name, self._handle, number)
            _check(status)
            names.append(name)
        return names

    @property
    def objects(self):
        """The session's objects, in the order turn writes them."""
        return [Object(self, k) for k in range(self._size(lib.vistrelle_object_count))]

    def add_target(self, name, *, position=None, keys=None):
        """Appends an item without a mesh; returns its number.

        Give a fixed `position=(x, y, z)` or `keys=[(time, (x, y, z)), ...]` (linear between keys, held
        outside them). Positions that are not finite raise HostError and add nothing.

            >>> cam = s.add_target("Camera", keys=[(0.0, (2, 1, 0)), (2.0, (-2, 1, 0))])"""
        flat, count = keys_of(position, keys)
        return self._size(lib.vistrelle_add_target, native.encoded(name, "name"), flat, count)

    def move_target(self, item, *, position=None, keys=None):
        """Gives item `item` a new position or keys (as add_target takes them)."""
        flat, count = keys_of(position, keys)
        _check(lib.vistrelle_move_target(self._handle, item, flat, count))

    def add_object(self, name, points, settings=None):
        """Appends an item with `points` (float32, shape (N, 3)) and a displacement on it.

        `settings`, when given, are the five saved integers: leaf points, target item number, pivot rule
        (0 first point, 1 average of first two, 2 average of first and last, 3 last point), H Align, P Align
        (1 on). Otherwise the module's defaults hold. Returns the Object.

            >>> obj = s.add_object("Bush", points, settings=[4, cam, 0, 1, 1])"""
        floats = some_points(floats_of(points, "points", False), repr(name))
        values = None if settings is None else settings_of(settings)
        index = self._size(lib.vistrelle_add_object, native.encoded(name, "name"), floats.address, floats.count,
                           values)
        self._positions.append(self._base_points(index))
        return Object(self, index)

    def turn(self, frame, time=None, out=None):
        """Turns every object for `frame` at `time` seconds (default frame / fps).

        `frame` is a whole number: an int, or a float that is exactly whole (7.0 turns frame 7); 7.9 raises
        ValueError rather than turning frame 7 (a sub-frame is turn(7, time=7.9 / fps)), and a text such as
        '7' raises TypeError.

        The module gets newTime(frame, time) and one evaluate per point; the positions are rounded to float32
        and written into `out` (a sequence of one C-contiguous float32 (N, 3) array, or float32 buffer, per
        object, written in place), or into each object's `positions` array when `out` is None. Returns the
        arrays written. The GIL is released while the module plays, and the session's state is held for the
        whole turn. Wrong arrays raise TypeError or ValueError before anything is written.

            >>> turned, = s.turn(12)
            >>> buffer = numpy.empty((obj.point_count, 3), numpy.float32)
            >>> s.turn(12, 0.5, out=[buffer])"""
        frame = whole_frame(frame)
        seconds = None if time is None else seconds_of(time)
        arrays = list(self._positions) if out is None else list(out)
        floats = [floats_of(a, "out[%d]" % k, True) for k, a in enumerate(arrays)]
        count = self._size(lib.vistrelle_object_count)
        if len(arrays) != count:
            raise ValueError("out: %d arrays for %d objects" % (len(arrays), count))
        for k, f in enumerate(floats):
            points = self._size(lib.vistrelle_point_count, k)
            if f.count != points:
                raise ValueError("out[%d]: holds %d points, object %d has %d" % (k, f.count, k, points))
        addresses = (ctypes.c_void_p * max(count, 1))(*[f.address for f in floats])
        counts = (ctypes.c_size_t * max(count, 1))(*[f.count for f in floats])
        at = None if seconds is None else ctypes.byref(ctypes.c_double(seconds))
        status = lib.vistrelle_turn(self._handle, frame, at, addresses, counts, count)
        if status == native.BAD_ARGUMENT:  # the objects changed in another thread meanwhile
            raise ValueError(native.last_error())
        _check(status)
        return arrays
