"""What the package checks and converts in its callers' arguments before the C library sees them:
float32 point buffers (numpy arrays, or any buffer such as array.array('f') where numpy is not
installed), the five settings, frames, times, target keys and panel values."""
import array
import ctypes
import math
import numbers
import operator

from . import _native as native

try:
    import numpy
except ImportError:  # the package works without numpy, on buffers
    numpy = None


class HostError(RuntimeError):
    """A refusal of the stand-in host or the module, with its one-line message."""


class _Floats:
    """A float32 buffer's address and point count, and what keeps the memory alive meanwhile."""

    def __init__(self, address, count, keep):
        self.address, self.count, self.keep = address, count, keep


def _from_numpy(given, what, writable):
    if given.dtype != numpy.float32:
        raise TypeError("%s: expected dtype float32, not %s (numpy.asarray(a, dtype=numpy.float32) makes one)"
                        % (what, given.dtype))
    if given.ndim != 2 or given.shape[1] != 3:
        raise ValueError("%s: expected shape (N, 3), not %s" % (what, tuple(given.shape)))
    if not given.flags.c_contiguous:
        raise ValueError("%s: expected a C-contiguous array" % what)
    if writable and not given.flags.writeable:
        raise ValueError("%s: the array is read-only" % what)
    return _Floats(given.ctypes.data if len(given) else None, len(given), given)


def _from_buffer(given, what, writable):
    try:
        view = memoryview(given)
    except TypeError:
        raise TypeError("%s: expected a numpy array of float32, shape (N, 3), or a float32 buffer such as "
                        "array.array('f')" % what) from None
    if view.format not in ("f", "<f", "=f", "@f") or view.itemsize != 4:
        raise TypeError("%s: expected float32 items, not format %r" % (what, view.format))
    if not view.c_contiguous:
        raise ValueError("%s: expected a C-contiguous buffer" % what)
    if writable and view.readonly:
        raise ValueError("%s: the buffer is read-only" % what)
    floats = view.nbytes // 4
    if floats % 3 or (view.ndim == 2 and view.shape[1] != 3) or view.ndim > 2:
        raise ValueError("%s: expected shape (N, 3) or 3 floats a point, not %s" % (what, tuple(view.shape)))
    if floats == 0:
        return _Floats(None, 0, view)
    if view.readonly:  # ctypes reaches read-only memory only through a copy
        cells = (ctypes.c_float * floats).from_buffer_copy(view)
    else:
        cells = (ctypes.c_float * floats).from_buffer(view.cast("B"))
    return _Floats(ctypes.addressof(cells), floats // 3, (view, cells))


def floats_of(given, what, writable):
    if numpy is not None and isinstance(given, numpy.ndarray):
        return _from_numpy(given, what, writable)
    return _from_buffer(given, what, writable)


def new_points(count):
    """A zeroed float32 (count, 3) array, or array.array('f') of 3 * count without numpy."""
    if numpy is not None:
        return numpy.zeros((count, 3), numpy.float32)
    return array.array("f", bytes(12 * count))


def settings_of(values):
    """The five saved integers as the library takes them. Each must be a whole number (int, bool or a
    numpy integer; never a float cut to one) of 32 bits, refused naming the setting before ctypes
    could wrap it (2**40 is not 0); the library then checks each setting's range as the options
    panel does, and names the setting it refuses."""
    values = list(values)
    if len(values) != native.SETTING_COUNT:
        raise HostError("vistrelle: settings are five integers, not %d" % len(values))
    whole = []
    for name, value in zip(native.SETTING_NAMES, values):
        try:
            number = operator.index(value)
        except TypeError:
            raise TypeError("vistrelle: setting \"%s\" takes a whole number, not %s %r"
                            % (name, type(value).__name__, value)) from None
        if not native.INT32_LOWEST <= number <= native.INT32_HIGHEST:
            raise HostError("vistrelle: setting \"%s\" takes a 32-bit whole number (%d to %d), not %d"
                            % (name, native.INT32_LOWEST, native.INT32_HIGHEST, number))
        whole.append(number)
    return (ctypes.c_int32 * native.SETTING_COUNT)(*whole)


def whole_frame(frame):
    """A frame number: an int (or a numpy integer), or a float that is exactly whole (7.0 is frame 7, as
    Blender's frame_float gives it). 7.9 is refused rather than cut to 7: a sub-frame is a whole frame
    with its own time=. Refused too: texts ('7'), NaN and infinities, and frames beyond 32 bits."""
    try:
        number = operator.index(frame)
    except TypeError:
        if not isinstance(frame, numbers.Real):
            raise TypeError("frame: expected a whole number (int), not %s %r" % (type(frame).__name__, frame)) from None
        real = float(frame)
        if not real.is_integer():
            raise ValueError("frame %r is not a whole number; a sub-frame is turn(frame, time=seconds)"
                             % frame) from None
        number = int(real)
    if not native.INT32_LOWEST <= number <= native.INT32_HIGHEST:
        raise ValueError("frame %d is outside the 32-bit frames the host counts" % number)
    return number


def seconds_of(time):
    if not isinstance(time, numbers.Real):
        raise TypeError("time: expected a number of seconds, not %s %r" % (type(time).__name__, time))
    return float(time)


def some_points(floats, name):
    """The points of an object, refused as the library refuses points it cannot take (HostError)."""
    if floats.count == 0:
        raise HostError("vistrelle: object %s: no points; an object needs at least one" % name)
    return floats


def keys_of(position, keys):
    if (position is None) == (keys is None):
        raise ValueError("give either position=(x, y, z) or keys=[(time, (x, y, z)), ...]")
    rows = [(0.0, position)] if keys is None else list(keys)
    flat = []
    for time, point in rows:
        x, y, z = point
        flat += [float(time), float(x), float(y), float(z)]
    return (ctypes.c_double * len(flat))(*flat), len(rows)


def panel_number(value):
    """What set hands the library for a value that is not a text."""
    if isinstance(value, bool):
        return 1.0 if value else 0.0
    if isinstance(value, int):
        # Beyond what a double holds exactly is beyond every control's range anyway.
        return float(value) if abs(value) <= 2 ** 53 else math.inf
    if isinstance(value, float):
        return value
    raise TypeError("a panel value is a bool, int, float or str, not %s" % type(value).__name__)
