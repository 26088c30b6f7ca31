"""Play the Vistrelle displacement (vistrel.p) from Python, with numpy.

    >>> import numpy, vistrelle
    >>> s = vistrelle.Session.from_scene("build/native/module/vistrel.p", "examples/bush.json")
    >>> bush = s.objects[0]
    >>> bush.set("Pivot Type", "last point")
    >>> turned, = s.turn(12)          # float32, shape (N, 3): the bush at frame 12

See help(vistrelle.Session) for the whole interface.
"""
from ._vistrelle import HostError, Object, Session

__all__ = ["HostError", "Object", "Session"]
