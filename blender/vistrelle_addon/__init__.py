"""Vistrelle for Blender: turns every leaf of a mesh toward a target object, frame after frame, with the
very vistrel.p module the vistrelle command plays (through its stand-in host, packed in this add-on)."""

bl_info = {
    "name": "Vistrelle",
    "author": "Vistrelle developers",
    "version": (1, 0, 1),
    "blender": (3, 4, 0),
    "location": "Properties > Object > Vistrelle",
    "description": "Turns each leaf of a mesh toward a target object on every frame (vistrel.p)",
    "category": "Animation",
}

from . import operators, player, properties, ui  # noqa: E402

_modules = (properties, operators, ui, player)


def register():
    for module in _modules:
        module.register()


def unregister():
    for module in reversed(_modules):
        module.unregister()
