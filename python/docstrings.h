// The docstrings of vistrelle._vistrelle, with examples.
#pragma once

namespace pyvistrelle::doc {

inline constexpr const char *module = R"(Play the Vistrelle displacement (vistrel.p) from Python.

A Session loads the module once through the stand-in host and holds objects (points plus a
displacement on them) and targets. Each frame, Session.turn evaluates every object and writes its
turned points, rounded to float32, into (N, 3) numpy arrays.

    >>> import numpy, vistrelle
    >>> s = vistrelle.Session("build/native/module/vistrel.p")
    >>> cam = s.add_target("Camera", position=(0.0, 1.0, 5.0))
    >>> card = numpy.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], numpy.float32)
    >>> bush = s.add_object("Card", card, settings=[4, cam, 0, 1, 1])
    >>> turned, = s.turn(0)
)";

inline constexpr const char *hostError =
    R"(A refusal of the stand-in host or the module, with its one-line message.)";

inline constexpr const char *session = R"(One loaded module, its scene items and its objects.

Only one Session may exist at a time in a process (the module's services are process-wide).
Items are numbered from 1 in the order they were added; that number is what the module's target
setting (the second saved integer) refers to; 0 is no target.)";

inline constexpr const char *sessionInit =
    R"(Loads the module at `module` into an empty scene of `fps` frames a second.

    >>> s = vistrelle.Session("vistrel.p", fps=24.0)

Raises HostError when the file is not a module the host accepts.)";

inline constexpr const char *sessionFromScene =
    R"(Loads the module and a scene file (JSON, as `vistrelle run` reads).

Its items, frame rate and displacements become the session's; each displacement is an object.

    >>> s = vistrelle.Session.from_scene("vistrel.p", "examples/bush.json")
    >>> s.objects[0].settings
    [4, 1, 0, 1, 1])";

inline constexpr const char *sessionClose =
    R"(Unloads the module now, so that another Session may be made; later use raises
HostError. A Session used in a `with` block closes at its end.

    >>> with vistrelle.Session("vistrel.p") as s:
    ...     pass)";

inline constexpr const char *sessionItems =
    R"(The names of the scene's items in list order (item 1 first).)";
inline constexpr const char *sessionObjects =
    R"(The session's objects, in the order turn writes them.)";

inline constexpr const char *sessionAddTarget =
    R"(Appends an item without a mesh; returns its number.

Give a fixed `position=(x, y, z)` or `keys=[(time, (x, y, z)), ...]` (linear between keys, held
outside them). Positions that are not finite raise HostError and add nothing.

    >>> cam = s.add_target("Camera", keys=[(0.0, (2, 1, 0)), (2.0, (-2, 1, 0))]))";

inline constexpr const char *sessionMoveTarget =
    R"(Gives item `item` a new position or keys (as add_target takes them).)";

inline constexpr const char *sessionAddObject =
    R"(Appends an item with `points` (float32, shape (N, 3)) and a displacement on it.

`settings`, when given, are the five saved integers: leaf points, target item number, pivot rule
(0 first point, 1 average of first two, 2 average of first and last, 3 last point), H Align, P Align
(1 on). Otherwise the module's defaults hold. Returns the Object.

    >>> obj = s.add_object("Bush", points, settings=[4, cam, 0, 1, 1]))";

inline constexpr const char *sessionTurn =
    R"(Turns every object for `frame` at `time` seconds (default frame / fps).

The module gets newTime(frame, time) and one evaluate per point; the positions are rounded to float32
and written into `out` (a sequence of one C-contiguous float32 (N, 3) array per object, written in
place), or into each object's `positions` array when `out` is None. Returns the arrays written. The
GIL is released while the module plays. Wrong arrays raise TypeError or ValueError before anything
is written.

    >>> turned, = s.turn(12)
    >>> buffer = numpy.empty((obj.point_count, 3), numpy.float32)
    >>> s.turn(12, 0.5, out=[buffer]))";

inline constexpr const char *object =
    R"(One object of a Session: an item with points and the displacement on it.)";
inline constexpr const char *objectIndex =
    R"(Position among the session's objects (turn's order).)";
inline constexpr const char *objectItem = R"(The object's item number in the scene's item list.)";
inline constexpr const char *objectPositions =
    R"(The array turn writes this object's points into by default (float32, (N, 3)).)";
inline constexpr const char *objectPoints =
    R"(The base points (a copy). Assigning new points of another count makes a new
instance of the module (it sizes its leaf arrays when made) with the same settings.)";
inline constexpr const char *objectSettings =
    R"(The five integers the module saves and loads, as a list.

    >>> obj.settings = [3, cam, 3, 1, 0]   # 3 points a leaf, target, last point, H on, P off)";

inline constexpr const char *objectPanel =
    R"(Every control of the module's options panel by its label, with its value
(a popup's entry name, otherwise a number).

    >>> obj.panel()
    {'Object points': 4, 'Clones': 3000.0, 'Target object': 'Camera', 'Pivot Type': 'first point', 'H Align': 1, 'P Align': 1})";

inline constexpr const char *objectGet =
    R"(The number behind one control of the panel, by its label (any case) or the
name the module gives its value ("Leaves" for the "Clones" display).

    >>> obj.get("Leaves")
    3000.0)";
inline constexpr const char *objectEntries =
    R"(The entries of a popup control, in the panel's order.)";
inline constexpr const char *objectSet =
    R"(Edits one control as a user does: the panel's set, then its change notification.

A popup takes an entry name or its index, a switch True/False/1/0/"on"/"off", an integer field a
whole 32-bit number; the derived display takes nothing. Anything else raises HostError and changes
nothing.

    >>> obj.set("Pivot Type", "last point")
    >>> obj.set("Target object", "Camera")
    >>> obj.set("Object points", 3))";

}  // namespace pyvistrelle::doc
