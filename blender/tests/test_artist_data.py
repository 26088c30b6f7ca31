"""What the artist made stays as made: their keys (one named "Vistrelle" too), the active key, custom
normals, their curves (in an action other meshes share too), absolute keys; a bake replaces only its
own earlier bake and never adds to the live turn; disabling the add-on shows the rest."""
import sys
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from bush import (FILE_SETTINGS, EXAMPLES, SCRATCH, animated_curves, bake, evaluated_points, expected_at, install,  # noqa: E402
                  make_bush_scene, near_key)
from harness import obj_points, run  # noqa: E402

REST = obj_points(EXAMPLES / "bush.obj")


def key_points(key):
    points = numpy.empty(len(key.data) * 3, numpy.float32)
    key.data.foreach_get("co", points)
    return points.reshape(-1, 3)


def with_wind(obj, name="Wind", keyed=True):
    """An artist's key: every point lifted a little, eased in over frames 0 to 20 (Bezier) when `keyed`."""
    if obj.data.shape_keys is None:
        obj.shape_key_add(name="Basis", from_mix=False)
    wind = obj.shape_key_add(name=name, from_mix=False)
    lifted = key_points(wind)
    lifted[:, 1] += numpy.float32(0.25)
    wind.data.foreach_set("co", lifted.ravel())
    wind.value = 0.0  # Blender 5 makes a new key at 1
    for frame, value in ((0, 0.0), (20, 1.0)) if keyed else ():
        wind.value = value
        wind.keyframe_insert("value", frame=frame)
    return wind


def curve_record(curves):
    return {(c.data_path, c.array_index): [(tuple(p.co), p.interpolation, tuple(p.handle_left), tuple(p.handle_right))
                                           for p in c.keyframe_points] for c in curves}


def test_installs():
    install()


def test_an_artists_key_named_vistrelle_is_never_taken():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    bush.vistrelle.enabled = False
    theirs = with_wind(bush, "Vistrelle", keyed=False)
    made = key_points(theirs).copy()
    bush.vistrelle.enabled = True
    scene.frame_set(7)
    assert numpy.array_equal(key_points(theirs), made) and not theirs.mute
    names = [k.name for k in bush.data.shape_keys.key_blocks]
    assert names == ["Basis", "Vistrelle", "Vistrelle.001"], names
    assert near_key(evaluated_points(bush), expected_at(7))
    bush.vistrelle.enabled = False
    assert [k.name for k in bush.data.shape_keys.key_blocks] == ["Basis", "Vistrelle"]
    assert numpy.array_equal(key_points(bush.data.shape_keys.key_blocks["Vistrelle"]), made)


def test_the_active_key_and_custom_normals_stay_as_the_artist_had_them():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    assert bush.data.has_custom_normals  # the OBJ file's normals
    bush.vistrelle.enabled = False
    with_wind(bush)
    bush.active_shape_key_index = 1
    bush.vistrelle.enabled = True
    scene.frame_set(7)
    scene.frame_set(8)
    assert bush.active_shape_key.name == "Wind"
    assert bush.data.has_custom_normals
    bush.vistrelle.enabled = False
    assert bush.active_shape_key.name == "Wind" and bush.data.has_custom_normals


def share_action(source, target):
    """`target` (a Key) plays the action that `source` plays, the same curves."""
    from vistrelle_addon import compat
    anim = target.animation_data_create()
    anim.action = source.animation_data.action
    if compat.SLOTTED and anim.action_slot is None:
        anim.action_slot = source.animation_data.action_slot


def test_bake_keeps_the_artists_curves_and_a_shared_action():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    bush.vistrelle.enabled = False
    with_wind(bush)
    other = bpy.data.objects.new("Other", bush.data.copy())  # another mesh playing the same action
    scene.collection.objects.link(other)
    shared = bush.data.shape_keys.animation_data.action
    share_action(bush.data.shape_keys, other.data.shape_keys)
    before = curve_record(animated_curves(bush.data.shape_keys))
    scene.frame_set(10)
    wind_at_10 = bush.data.shape_keys.key_blocks["Wind"].value
    assert 0.0 < wind_at_10 < 1.0
    bush.vistrelle.enabled = True
    assert bake(bush) == {"FINISHED"}
    assert curve_record(animated_curves(other.data.shape_keys)) == before  # the shared action as it was
    assert other.data.shape_keys.animation_data.action == shared
    mine = curve_record(animated_curves(bush.data.shape_keys))
    assert {k: v for k, v in mine.items() if k in before} == before  # the artist's curve, in this mesh's copy
    assert len(mine) == 1 + 48
    scene.frame_set(10)
    assert bush.data.shape_keys.key_blocks["Wind"].value == wind_at_10
    assert other.data.shape_keys.key_blocks["Wind"].value == wind_at_10


def test_bake_twice_or_turning_on_after_a_bake_turns_once():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    assert bake(bush) == {"FINISHED"}
    scene.frame_set(7)
    assert near_key(evaluated_points(bush), expected_at(7))
    bush.vistrelle.enabled = True  # the live turn plays; the bake is muted meanwhile
    scene.frame_set(6)
    scene.frame_set(7)
    assert near_key(evaluated_points(bush), expected_at(7))
    assert bake(bush) == {"FINISHED"}
    names = [k.name for k in bush.data.shape_keys.key_blocks]
    assert names == ["Basis"] + [f"Vistrelle {f:04d}" for f in range(48)], names[:3] + names[-3:]
    assert len(animated_curves(bush.data.shape_keys)) == 48
    scene.frame_set(8)
    scene.frame_set(7)
    assert near_key(evaluated_points(bush), expected_at(7))


def test_disabling_the_add_on_or_the_object_shows_the_rest():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    scene.frame_set(7)
    assert not numpy.array_equal(evaluated_points(bush), REST)
    bush.vistrelle.enabled = False
    assert numpy.array_equal(evaluated_points(bush), REST)
    bush.vistrelle.enabled = True
    scene.frame_set(7)
    assert near_key(evaluated_points(bush), expected_at(7))
    bpy.ops.preferences.addon_disable(module="vistrelle_addon")
    try:
        assert numpy.array_equal(evaluated_points(bush), REST)
        path = SCRATCH / "disabled.blend"
        bpy.ops.wm.save_as_mainfile(filepath=str(path))
        bpy.ops.wm.open_mainfile(filepath=str(path))
        assert numpy.array_equal(evaluated_points(bpy.data.objects["Bush"]), REST)
    finally:
        bpy.ops.preferences.addon_enable(module="vistrelle_addon")
    bpy.context.scene.frame_set(7)
    assert near_key(evaluated_points(bpy.data.objects["Bush"]), expected_at(7))


def test_absolute_keys_are_refused_and_left_alone():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    bush.vistrelle.enabled = False
    with_wind(bush)
    bush.data.shape_keys.use_relative = False
    bush.vistrelle.enabled = True
    scene.frame_set(7)
    assert [k.name for k in bush.data.shape_keys.key_blocks] == ["Basis", "Wind"]
    assert bush.vistrelle.message.startswith("Bush has absolute shape keys")
    bush.data.shape_keys.use_relative = True
    scene.frame_set(8)
    assert bush.vistrelle.message == ""


run([test_installs, test_an_artists_key_named_vistrelle_is_never_taken,
     test_the_active_key_and_custom_normals_stay_as_the_artist_had_them,
     test_bake_keeps_the_artists_curves_and_a_shared_action, test_bake_twice_or_turning_on_after_a_bake_turns_once,
     test_disabling_the_add_on_or_the_object_shows_the_rest, test_absolute_keys_are_refused_and_left_alone])
