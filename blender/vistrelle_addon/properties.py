"""What the add-on stores on an object: the switch that turns it, its target, and the module's five
saved integers; the panel's controls read and write those integers, as the module's own panel does.
The integers' defaults and the pivot rules' names come from the package, asked when first needed."""
import bpy

from . import library

INT32 = 2**31 - 1
LEAF_POINTS, TARGET, PIVOT, H_ALIGN, P_ALIGN = range(library.SETTING_COUNT)  # places among the saved integers


def _changed(self, context):
    from . import player
    player.refresh(context.scene if context else None)


def _settings(self):
    from . import player
    return player.settings_of(self.id_data)


def _write(self, index, value):
    values = _settings(self)
    values[index] = value
    self.settings = values


def _setting(index):
    def get(self):
        try:
            return _settings(self)[index]
        except library.Missing:
            return 0

    def set(self, value):
        _write(self, index, int(value))
    return get, set


def _switch(index):
    get_value, set_value = _setting(index)
    return (lambda self: get_value(self) == 1), (lambda self, value: set_value(self, 1 if value else 0))


def _leaves(self):
    from . import player
    return player.PLAYER.leaves_shown(self.id_data)


_pivot_items = []  # kept alive here: Blender reads the items' strings after the callback returns


def _pivots(self, context):
    if not _pivot_items:
        names = library.pivot_names()
        _pivot_items.extend((str(i), name, name, i) for i, name in enumerate(names))
        if not names:  # the package does not load here: an entry that says so, never stored
            return [("0", "(no native part)", "The package's native part does not load here", 0)]
    return _pivot_items


def _get_pivot(self):
    value = _setting(PIVOT)[0](self)
    return value if 0 <= value < max(len(library.pivot_names()), 1) else 0


def _enabled(self, context):
    from . import player
    obj = self.id_data
    if self.enabled and not self.is_property_set("settings"):
        try:  # a new turn starts from the module's own defaults
            self.settings = library.setting_defaults()
        except library.Missing as missing:
            self.message = str(missing)
    player.enable(obj, self.enabled)
    _changed(self, context)


def _target_changed(self, context):
    _write(self, TARGET, 1 if self.target is not None else 0)
    _changed(self, context)


class VistrelleSettings(bpy.types.PropertyGroup):
    enabled: bpy.props.BoolProperty(name="Turn leaves", description="Turn this mesh's leaves on every frame",
                                    default=False, update=_enabled)
    # What the latest frame change found wrong with this object, shown once in the panel.
    message: bpy.props.StringProperty(name="Message", default="", options={"SKIP_SAVE"})
    # The module's saved integers: leaf points, target (1: the object picked below, 0: none), pivot rule,
    # H Align, P Align. Kept here so that a saved .blend reopens with the same settings; until one is
    # set, the module's defaults hold.
    settings: bpy.props.IntVectorProperty(name="Saved integers", size=library.SETTING_COUNT, update=_changed)
    leaf_points: bpy.props.IntProperty(name="Object points", description="Points per leaf", min=-INT32 - 1, max=INT32,
                                       get=_setting(LEAF_POINTS)[0], set=_setting(LEAF_POINTS)[1], update=_changed)
    leaves: bpy.props.FloatProperty(name="Clones", description="Leaves the module finds (shown only)", get=_leaves)
    target: bpy.props.PointerProperty(name="Target object", type=bpy.types.Object, update=_target_changed)
    pivot_type: bpy.props.EnumProperty(name="Pivot Type", items=_pivots, get=_get_pivot, set=_setting(PIVOT)[1],
                                       update=_changed)
    h_align: bpy.props.BoolProperty(name="H Align", description="Turn each leaf about its up axis",
                                    get=_switch(H_ALIGN)[0], set=_switch(H_ALIGN)[1], update=_changed)
    p_align: bpy.props.BoolProperty(name="P Align", description="Tilt each leaf about its side axis",
                                    get=_switch(P_ALIGN)[0], set=_switch(P_ALIGN)[1], update=_changed)


def register():
    bpy.utils.register_class(VistrelleSettings)
    bpy.types.Object.vistrelle = bpy.props.PointerProperty(type=VistrelleSettings)


def unregister():
    del bpy.types.Object.vistrelle
    bpy.utils.unregister_class(VistrelleSettings)
