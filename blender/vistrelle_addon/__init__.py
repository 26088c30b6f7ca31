"""Vistrelle for Blender: turns every leaf of a mesh toward a target object, frame after frame, with the
very vistrel.p module the vistrelle command plays (through its stand-in host, packed in this add-on).
The package and its native library load when an object first turns, not when the add-on is enabled."""

bl_info = {
    "name": "Vistrelle",
    "author": "Vistrelle developers",
    "version": (1, 0, 1),
    "blender": (3, 4, 0),
    "location": "Properties > Object > Vistrelle",
    "description": "Turns each leaf of a mesh toward a target object on every frame (vistrel.p)",
    "category": "Animation",
}

if "player" in locals():  # Reload Scripts: the add-on's own modules anew, dependencies first
    import importlib
    for _module in (compat, library, keys, player, properties, operators, ui):  # noqa: F821
        importlib.reload(_module)
else:
    from . import compat, library, keys, player, properties, operators, ui  # noqa: F401

_modules = (properties, operators, ui, player)


def register():
    for module in _modules:
        module.register()


def unregister():
    for module in reversed(_modules):
        module.unregister()
