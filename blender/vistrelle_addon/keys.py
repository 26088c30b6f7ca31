"""The shape keys the add-on makes, and only those: each is marked as the add-on's on the mesh's Key
(its name kept there), so that an artist's key of the same name is never taken, rewritten or removed.

The live key holds the latest turn; a bake's keys hold one frame each, keyed by F-curves that the
bake made. Anything else on the Key is the artist's."""
import bpy

from . import compat

LIVE = "vistrelle_live"          # on a Key: the name of the add-on's live key
BAKED = "vistrelle_baked"        # on a Key: the names of the add-on's baked keys
BAKE_ACTION = "vistrelle_bake_action"  # on a Key: the bake made the Key's action (it had none)
MADE_BASIS = "vistrelle_made_basis"    # on a mesh whose basis key the add-on added
LIVE_NAME = "Vistrelle"


def _keys(obj):
    return obj.data.shape_keys if obj.type == "MESH" else None


def live_key(obj):
    """The add-on's live key of `obj`, or None."""
    keys = _keys(obj)
    name = keys.get(LIVE) if keys is not None else None
    return keys.key_blocks.get(name) if isinstance(name, str) else None


def absolute(obj):
    """True when the mesh's keys are absolute (played along the timeline, not mixed over a basis)."""
    keys = _keys(obj)
    return keys is not None and not keys.use_relative


def make_live_key(obj):
    """Adds the live key (and a basis when the mesh has none), leaving the active key as it was."""
    mesh = obj.data
    active = obj.active_shape_key_index
    if mesh.shape_keys is None:
        obj.shape_key_add(name="Basis", from_mix=False)
        mesh[MADE_BASIS] = True
    key = obj.shape_key_add(name=LIVE_NAME, from_mix=False)  # named Vistrelle.001 beside an artist's "Vistrelle"
    key.relative_key = mesh.shape_keys.reference_key
    mesh.shape_keys[LIVE] = key.name
    obj.active_shape_key_index = active
    return key


def _forget_basis(obj):
    """Takes the basis the add-on added away again once it is the only key left."""
    keys = obj.data.shape_keys
    if keys is not None and len(keys.key_blocks) == 1 and obj.data.get(MADE_BASIS):
        obj.shape_key_clear()
    if obj.data.shape_keys is None and MADE_BASIS in obj.data:
        del obj.data[MADE_BASIS]


def _remove(obj, key):
    """Removes one of the add-on's keys; the artist's active key stays the active one."""
    active = obj.active_shape_key_index
    index = list(obj.data.shape_keys.key_blocks).index(key)
    obj.shape_key_remove(key)
    left = len(obj.data.shape_keys.key_blocks)
    obj.active_shape_key_index = min(active - 1 if active > index else active, max(left - 1, 0))


def remove_live_key(obj):
    key = live_key(obj)
    keys = _keys(obj)
    if key is not None:
        _remove(obj, key)
    if keys is not None and LIVE in keys:
        del keys[LIVE]
    if obj.type == "MESH":
        _forget_basis(obj)


def show_rest(obj):
    """Mutes the live key: the mesh shows the artist's points until the next turn."""
    key = live_key(obj)
    if key is not None and not key.mute:
        key.mute = True


def baked_keys(obj):
    keys = _keys(obj)
    names = list(keys.get(BAKED, ())) if keys is not None else []
    return [keys.key_blocks[n] for n in names if n in keys.key_blocks]


def mute_bake(obj, mute):
    for key in baked_keys(obj):
        if key.mute != mute:
            key.mute = mute


def value_path(key):
    return 'key_blocks["%s"].value' % bpy.utils.escape_identifier(key.name)


def own_curves(obj, keys_made):
    """The F-curves that key `keys_made`' values, and only those."""
    paths = {value_path(k) for k in keys_made}
    return [c for c in compat.fcurves(obj.data.shape_keys) if c.data_path in paths]


def remove_keys(obj, made):
    """Takes keys the add-on made away, with the curves that key them."""
    keys = _keys(obj)
    if keys is None:
        return
    curves = compat.fcurves(keys)
    for curve in own_curves(obj, made):
        curves.remove(curve)
    for key in made:
        _remove(obj, key)


def remove_bake(obj):
    """Takes away the bake's keys and their curves; the artist's keys and curves stay as they are."""
    keys = _keys(obj)
    if keys is None or BAKED not in keys:
        return
    remove_keys(obj, baked_keys(obj))
    keys = _keys(obj)
    if keys is not None:
        del keys[BAKED]
        anim = keys.animation_data
        if keys.get(BAKE_ACTION) and anim is not None and anim.action is not None and not len(compat.fcurves(keys)):
            action, anim.action = anim.action, None
            if compat.action_users(action) == 0:
                bpy.data.actions.remove(action)
        if BAKE_ACTION in keys:
            del keys[BAKE_ACTION]
    _forget_basis(obj)


def mark_bake(obj, made, made_action):
    keys = obj.data.shape_keys
    keys[BAKED] = [k.name for k in made]
    if made_action:
        keys[BAKE_ACTION] = True


def bake_action_made(obj):
    keys = _keys(obj)
    return bool(keys is not None and keys.get(BAKE_ACTION))


def rest_everywhere():
    """Every live key muted: what shows (and what a save keeps) is the artist's mesh."""
    for obj in getattr(bpy.data, "objects", ()):  # none while Blender starts or quits
        if obj.type == "MESH":
            show_rest(obj)
