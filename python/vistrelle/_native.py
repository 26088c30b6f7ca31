"""The native part of the package: the stand-in host's C library (capi/vistrelle_session.h) and
vistrel.p for this platform, found under native/<platform>/ beside this file and bound with ctypes.
Nothing here is compiled for a Python version, so one package serves every CPython 3.8 or later."""
import ctypes
import os
import platform
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
NATIVE = os.path.join(HERE, "native")

# Status codes of capi/vistrelle_session.h.
OK = 0
REFUSED = 1
BAD_ARGUMENT = 2
SHORT_BUFFER = 3
CLOSED = 4
NO_MEMORY = 5
UNSUPPORTED = 6
FAILED = 7
INTERFACE_VERSION = 1

# Control kinds.
CONTROL_INTEGER, CONTROL_SWITCH, CONTROL_POPUP, CONTROL_NUMBER, CONTROL_OTHER = range(5)


def platform_tag():
    """This Python's platform as the native folders are named: linux-x64, windows-x64, windows-x86,
    or what else it is (macos-arm64, linux-arm64, ...)."""
    system = {"linux": "linux", "win32": "windows", "cygwin": "windows", "darwin": "macos"}.get(
        "linux" if sys.platform.startswith("linux") else sys.platform, sys.platform)
    machine = platform.machine().lower()
    arch = {"x86_64": "x64", "amd64": "x64", "x64": "x64", "i386": "x86", "i686": "x86",
            "x86": "x86", "aarch64": "arm64", "arm64": "arm64"}.get(machine, machine or "unknown")
    if arch == "x64" and struct.calcsize("P") == 4:  # a 32-bit Python on a 64-bit machine
        arch = "x86"
    return system + "-" + arch


LIBRARY_NAMES = {"linux": "libvistrelle_session.so", "windows": "vistrelle_session.dll"}
TAG = platform_tag()
FOLDER = os.path.join(NATIVE, TAG)


def _carried():
    try:
        return sorted(name for name in os.listdir(NATIVE) if os.path.isdir(os.path.join(NATIVE, name)))
    except OSError:
        return []


def _load():
    name = LIBRARY_NAMES.get(TAG.split("-")[0])
    path = os.path.join(FOLDER, name) if name else None
    if path is None or not os.path.isfile(path):
        carried = ", ".join(_carried()) or "none"
        raise ImportError(
            "vistrelle: no native part for this platform, %s (Python %s); this package carries: %s"
            % (TAG, platform.python_version(), carried))
    try:
        return ctypes.CDLL(path)
    except OSError as refusal:
        raise ImportError("vistrelle: %s does not load on %s: %s" % (path, TAG, refusal)) from None


lib = _load()

# The bundled module, when the package carries one for this platform.
MODULE_PATH = os.path.join(FOLDER, "vistrel.p") if os.path.isfile(os.path.join(FOLDER, "vistrel.p")) else None


class Control(ctypes.Structure):
    _fields_ = [("id", ctypes.c_uint32), ("kind", ctypes.c_int32), ("hasValue", ctypes.c_int32),
                ("derived", ctypes.c_int32), ("value", ctypes.c_double),
                ("entryCount", ctypes.c_uint32), ("reserved", ctypes.c_uint32)]


assert ctypes.sizeof(Control) == 32

_p = ctypes.c_void_p
_size = ctypes.c_size_t
_size_p = ctypes.POINTER(ctypes.c_size_t)
_i32 = ctypes.c_int32
_text = ctypes.c_char_p
_floats = ctypes.c_void_p  # float buffers are handed in as addresses
_signatures = {
    "vistrelle_last_error": (_text, []),
    "vistrelle_interface_version": (_i32, []),
    "vistrelle_version_text": (_text, [_text]),
    "vistrelle_setting_name": (_text, [_i32]),
    "vistrelle_setting_control": (ctypes.c_int64, [_i32]),
    "vistrelle_setting_default": (ctypes.c_int64, [_i32]),
    "vistrelle_pivot_name": (_text, [_i32]),
    "vistrelle_open": (_i32, [_text, ctypes.c_double, ctypes.POINTER(_p)]),
    "vistrelle_open_scene": (_i32, [_text, _text, ctypes.POINTER(_p)]),
    "vistrelle_close": (_i32, [_p]),
    "vistrelle_release": (None, [_p]),
    "vistrelle_frames_per_second": (_i32, [_p, ctypes.POINTER(ctypes.c_double)]),
    "vistrelle_item_count": (_i32, [_p, _size_p]),
    "vistrelle_item_name": (_i32, [_p, _size, ctypes.c_char_p, _size, _size_p]),
    "vistrelle_add_target": (_i32, [_p, _text, ctypes.POINTER(ctypes.c_double), _size, _size_p]),
    "vistrelle_move_target": (_i32, [_p, _size, ctypes.POINTER(ctypes.c_double), _size]),
    "vistrelle_add_object": (_i32, [_p, _text, _floats, _size, ctypes.POINTER(_i32), _size_p]),
    "vistrelle_object_count": (_i32, [_p, _size_p]),
    "vistrelle_point_count": (_i32, [_p, _size, _size_p]),
    "vistrelle_object_item": (_i32, [_p, _size, _size_p]),
    "vistrelle_get_points": (_i32, [_p, _size, _floats, _size]),
    "vistrelle_set_points": (_i32, [_p, _size, _floats, _size]),
    "vistrelle_get_settings": (_i32, [_p, _size, ctypes.POINTER(_i32)]),
    "vistrelle_set_settings": (_i32, [_p, _size, ctypes.POINTER(_i32)]),
    "vistrelle_control_count": (_i32, [_p, _size, _size_p]),
    "vistrelle_control_at": (_i32, [_p, _size, _size, ctypes.POINTER(Control)]),
    "vistrelle_find_control": (_i32, [_p, _size, _text, _size_p]),
    "vistrelle_control_label": (_i32, [_p, _size, _size, ctypes.c_char_p, _size, _size_p]),
    "vistrelle_control_entry": (_i32, [_p, _size, _size, ctypes.c_uint32, ctypes.c_char_p, _size, _size_p]),
    "vistrelle_set_control": (_i32, [_p, _size, _size, ctypes.c_double, _text]),
    "vistrelle_turn": (_i32, [_p, _i32, ctypes.POINTER(ctypes.c_double), ctypes.POINTER(_floats),
                              _size_p, _size]),
}
for _name, (_answer, _arguments) in _signatures.items():
    _entry = getattr(lib, _name)
    _entry.restype, _entry.argtypes = _answer, _arguments

if lib.vistrelle_interface_version() != INTERFACE_VERSION:
    raise ImportError("vistrelle: %s answers interface version %d, this package speaks %d"
                      % (lib._name, lib.vistrelle_interface_version(), INTERFACE_VERSION))


# The five settings' names, in their order, as the library gives them; their ranges are the library's
# to check (the target's depends on the session's items).
SETTING_COUNT = 5
SETTING_NAMES = tuple(lib.vistrelle_setting_name(k).decode("utf-8") for k in range(SETTING_COUNT))
INT32_LOWEST, INT32_HIGHEST = -2 ** 31, 2 ** 31 - 1


def last_error():
    return lib.vistrelle_last_error().decode("utf-8", "replace")


def encoded(text, what):
    """The bytes the library takes for a name or a path: UTF-8 (a path object as the system spells it).
    A NUL byte would end the text early in C, so it is refused rather than cut."""
    data = os.fsencode(text) if isinstance(text, os.PathLike) else str(text).encode("utf-8")
    if b"\0" in data:
        raise ValueError("%s holds a NUL byte: %r" % (what, text))
    return data


def path_bytes(path, what):
    """A file path as the library takes it (os.fsencode), refused when it holds a NUL byte."""
    data = os.fsencode(path)
    if b"\0" in data:
        raise ValueError("%s holds a NUL byte: %r" % (what, path))
    return data


def read_text(entry, *arguments):
    """A text entry's answer: asks its length, then reads it. Answers (status, text)."""
    length = ctypes.c_size_t(0)
    status = entry(*arguments, None, 0, ctypes.byref(length))
    if status not in (OK, SHORT_BUFFER):
        return status, ""
    room = ctypes.create_string_buffer(length.value + 1)
    status = entry(*arguments, room, len(room), ctypes.byref(length))
    return status, room.value.decode("utf-8", "replace")
