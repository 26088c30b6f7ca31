"""What the add-on stores on an object: the switch that turns it, its target, and the module's five
saved integers; the panel's controls read and write those integers, as the module's own panel does."""
import bpy

from .vistrelle import PIVOT_NAMES as PIVOT_RULES, SETTING_DEFAULTS as DEFAULT_SETTINGS

# The module's pivot rules in its panel's order and words, and the five integers of a new instance
# (leaf points, target, pivot rule, H Align, P Align), as the module's contract defines them.
INT32 = 2**31 - 1


def _changed(self, context):
    from . import player
    player.refresh(context.scene if context else None)


def _setting(index):
    def get(self):
        return self.settings[index]

    def set(self, value):
        self.settings[index] = int(value)
    return get, set


def _switch(index):
    def get(self):
        return self.settings[index] == 1

    def set(self, value):
        self.settings[index] = 1 if value else 0
    return get, set


def _leaves(self):
    from . import player
    return player.leaves_shown(self.id_data)


def _enabled(self, context):
    from . import player
    player.enable(self.id_data, self.enabled)
    _changed(self, context)


def _target_changed(self, context):
    self.settings[1] = 1 if self.target is not None else 0
    _changed(self, context)


class VistrelleSettings(bpy.types.PropertyGroup):
    enabled: bpy.props.BoolProperty(name="Turn leaves", description="Turn this mesh's leaves on every frame",
                                    default=False, update=_enabled)
    # What the latest frame change found wrong with this object, shown once in the panel.
    message: bpy.props.StringProperty(name="Message", default="", options={"SKIP_SAVE"})
    # The five integers the module saves: leaf points, target (1: the object picked below, 0: none),
    # pivot rule, H Align, P Align. Kept here so that a saved .blend reopens with the same settings.
    settings: bpy.props.IntVectorProperty(name="Saved integers", size=5, default=DEFAULT_SETTINGS, update=_changed)
    leaf_points: bpy.props.IntProperty(name="Object points", description="Points per leaf",
                                       min=-INT32 - 1, max=INT32, get=_setting(0)[0], set=_setting(0)[1], update=_changed)
    leaves: bpy.props.FloatProperty(name="Clones", description="Leaves the module finds (shown only)", get=_leaves)
    target: bpy.props.PointerProperty(name="Target object", type=bpy.types.Object, update=_target_changed)
    pivot_type: bpy.props.EnumProperty(
        name="Pivot Type", items=[(str(i), name, name, i) for i, name in enumerate(PIVOT_RULES)],
        get=lambda self: self.settings[2] if 0 <= self.settings[2] < len(PIVOT_RULES) else 0,
        set=lambda self, value: self.settings.__setitem__(2, value), update=_changed)
    h_align: bpy.props.BoolProperty(name="H Align", description="Turn each leaf about its up axis",
                                    get=_switch(3)[0], set=_switch(3)[1], update=_changed)
    p_align: bpy.props.BoolProperty(name="P Align", description="Tilt each leaf about its side axis",
                                    get=_switch(4)[0], set=_switch(4)[1], update=_changed)


def register():
    bpy.utils.register_class(VistrelleSettings)
    bpy.types.Object.vistrelle = bpy.props.PointerProperty(type=VistrelleSettings)


def unregister():
    del bpy.types.Object.vistrelle
    bpy.utils.unregister_class(VistrelleSettings)
