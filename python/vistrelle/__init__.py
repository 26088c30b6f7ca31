"""Play the Vistrelle displacement (vistrel.p) from Python.

A Session loads the module once through the stand-in host and holds objects (points plus a
displacement on them) and targets. Each frame, Session.turn evaluates every object and writes its
turned points, rounded to float32, into (N, 3) numpy arrays, or into any float32 buffer
(array.array('f'), a memoryview) where numpy is not installed.

    >>> import numpy, vistrelle
    >>> s = vistrelle.Session.from_scene(vistrelle.MODULE_PATH, "examples/bush.json")
    >>> bush = s.objects[0]
    >>> bush.set("Pivot Type", "last point")
    >>> turned, = s.turn(12)          # float32, shape (N, 3): the bush at frame 12

The package is pure Python over the stand-in host's C library (ctypes), so it loads in CPython 3.8
and later and in Blender's Python; native/<platform>/ holds the library and vistrel.p for each
platform it carries. See help(vistrelle.Session) for the whole interface.
"""
from . import _native
from ._native import MODULE_PATH, TAG as PLATFORM, lib as _lib
from ._session import HostError, Object, Session

__all__ = ["HostError", "Object", "Session", "MODULE_PATH", "PLATFORM", "SETTINGS", "SETTING_DEFAULTS",
           "SETTING_CONTROLS", "PIVOT_NAMES", "VERSION"]


def _text(answer):
    return answer.decode("utf-8")


# The module's terms, as host/vistrelle_contract.h writes them once for every tool.
SETTINGS = _native.SETTING_NAMES
"""The five saved integers' names, in their order: leaf points, target, pivot rule, heading alignment,
pitch alignment."""
SETTING_DEFAULTS = tuple(int(_lib.vistrelle_setting_default(k)) for k in range(5))
"""The values a new displacement's settings hold."""
SETTING_CONTROLS = tuple(int(_lib.vistrelle_setting_control(k)) for k in range(5))
"""The id of the panel control that edits each setting."""
PIVOT_NAMES = tuple(_text(_lib.vistrelle_pivot_name(k)) for k in range(4))
"""The pivot rules' names in the panel, by the pivot rule's value."""
VERSION = _text(_lib.vistrelle_version_text(b"file version"))
"""The module's file version."""
