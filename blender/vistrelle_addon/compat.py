"""Where Blender's API differs between the versions the add-on runs in (3.4 to 5.x), and only that.

- Animation curves: up to 4.3 an action holds its F-curves itself; from 4.4 on they live in a
  channelbag per slot of the action's layers, and 5.0 took `Action.fcurves` away.
- Evaluation at load: from 4.x on, handlers that run as a file opens see objects whose world
  matrices are not evaluated yet; reading them through an evaluated depsgraph gives their place."""
import bpy

SLOTTED = hasattr(bpy.types, "ActionSlot")  # Blender 4.4 and later


def fcurves(id_data):
    """The F-curves that animate `id_data` (an ID: an object, a mesh's Key, ...): a collection with
    new/remove/find, or an empty tuple when nothing animates it."""
    anim = id_data.animation_data
    action = anim.action if anim is not None else None
    if action is None:
        return ()
    if not SLOTTED:
        return action.fcurves
    slot = anim.action_slot
    if slot is None:
        return ()
    for layer in action.layers:
        for strip in layer.strips:
            bag = strip.channelbag(slot)
            if bag is not None:
                return bag.fcurves
    return ()


def action_users(action):
    """How many IDs play `action` (its fake user left out)."""
    return action.users - (1 if action.use_fake_user else 0)


def give_own_action(id_data):
    """Gives `id_data` a copy of its action when other IDs play that action too, so that curves added
    to it change nothing the others play. Answers the shared action's name, or None."""
    anim = id_data.animation_data
    action = anim.action if anim is not None else None
    if action is None or action_users(action) <= 1:
        return None
    slot = anim.action_slot.identifier if SLOTTED and anim.action_slot is not None else None
    copy = action.copy()
    anim.action = copy
    if slot is not None and anim.action_slot is None:
        anim.action_slot = next(s for s in copy.slots if s.identifier == slot)
    return action.name


def evaluated_depsgraph(context):
    """The view layer's depsgraph, evaluated now (world matrices included), or None where the
    context has no view layer."""
    view_layer = getattr(context, "view_layer", None)
    if view_layer is None:
        return None
    return context.evaluated_depsgraph_get()
