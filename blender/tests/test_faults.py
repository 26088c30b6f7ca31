"""One object's fault is that object's one-line message, gone as soon as its cause is: a scale of 0, a
deleted target, a bake in Edit Mode or a bake that cannot turn every frame (nothing half made, the
frame kept); and motion blur's sub-frames turn at their own time."""
import os
import sys
import tempfile
from pathlib import Path

import bpy
import numpy

sys.path.insert(0, str(Path(__file__).parent))
from bush import FILE_SETTINGS, EXAMPLES, FPS, alone_turn, bake, evaluated_points, expected_at, install, make_bush_scene, near_key  # noqa: E402
from harness import obj_points, run  # noqa: E402

REST = obj_points(EXAMPLES / "bush.obj")


def grow_in(scene, bush, last_hidden=8):
    """A copy of the bush with a mesh of its own, keyed to scale 0 until `last_hidden`, then 1."""
    grow = bush.copy()
    grow.data = bush.data.copy()
    grow.name = "Grow"
    scene.collection.objects.link(grow)
    for frame, scale in ((0, 0.0), (last_hidden, 0.0), (last_hidden + 1, 1.0)):
        grow.scale = (scale,) * 3
        grow.keyframe_insert("scale", frame=frame)
    return grow


def printed_while(action):
    """What Blender printed to its error stream (tracebacks of handlers included) while `action` ran."""
    sys.stderr.flush()
    with tempfile.TemporaryFile() as caught:
        kept = os.dup(2)
        os.dup2(caught.fileno(), 2)
        try:
            action()
        finally:
            sys.stderr.flush()
            os.dup2(kept, 2)
            os.close(kept)
        caught.seek(0)
        return caught.read().decode("utf-8", "replace")


def test_installs():
    install()


def test_a_scale_0_object_is_told_and_the_others_turn_on():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    grow = grow_in(scene, bush)
    printed = printed_while(lambda: [scene.frame_set(f) for f in (3, 4, 5)])
    assert "Traceback" not in printed, printed
    assert near_key(evaluated_points(bush), expected_at(5)) and bush.vistrelle.message == ""
    assert grow.vistrelle.message == ("Grow has a scale of 0 at frame 5: it has no space of its own to turn in, "
                                      "so it shows as modelled")
    assert numpy.array_equal(evaluated_points(grow), REST)
    scene.frame_set(9)
    assert grow.vistrelle.message == ""  # cleared with its cause
    assert near_key(evaluated_points(grow), expected_at(9)) and near_key(evaluated_points(bush), expected_at(9))


def test_a_deleted_target_is_told_until_another_is_picked():
    scene, bush, camera = make_bush_scene(settings=FILE_SETTINGS)
    scene.frame_set(3)
    bpy.ops.object.select_all(action="DESELECT")
    camera.select_set(True)
    bpy.ops.object.delete()
    scene.frame_set(4)
    assert bush.vistrelle.message.startswith("The target Camera is not in this scene any more"), bush.vistrelle.message
    assert numpy.array_equal(evaluated_points(bush), REST)
    eye = bpy.data.objects.new("Eye", None)
    scene.collection.objects.link(eye)
    eye.location = (0.0, 1.0, 2.0)
    bush.vistrelle.target = eye
    scene.frame_set(5)
    assert bush.vistrelle.message == ""
    assert not numpy.array_equal(evaluated_points(bush), REST)


def test_bake_in_edit_mode_is_refused_and_the_frame_kept():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    scene.frame_set(5)
    bpy.context.view_layer.objects.active = bush
    bpy.ops.object.mode_set(mode="EDIT")
    try:
        names = [k.name for k in bush.data.shape_keys.key_blocks]
        try:
            bake(bush)
        except RuntimeError as refusal:  # an operator's error, as a script sees it
            assert "Bush is in Edit Mode: bake in Object Mode" in str(refusal), str(refusal)
        else:
            raise AssertionError("baked in Edit Mode")
        assert scene.frame_current == 5
        assert [k.name for k in bush.data.shape_keys.key_blocks] == names
    finally:
        bpy.ops.object.mode_set(mode="OBJECT")


def test_a_bake_that_cannot_turn_every_frame_changes_nothing():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    grow = grow_in(scene, bush, last_hidden=30)
    scene.frame_set(40)
    names = [k.name for k in grow.data.shape_keys.key_blocks]
    try:
        bake(grow)
    except RuntimeError as refusal:
        assert "Grow does not turn at frame 0: Grow has a scale of 0 at frame 0" in str(refusal), str(refusal)
    else:
        raise AssertionError("baked a frame that does not turn")
    assert scene.frame_current == 40 and grow.vistrelle.enabled
    assert [k.name for k in grow.data.shape_keys.key_blocks] == names
    assert near_key(evaluated_points(grow), expected_at(40))


def test_motion_blur_sub_frames_turn_at_their_own_time():
    from vistrelle_addon.player import PLAYER
    scene, bush, camera = make_bush_scene(settings=FILE_SETTINGS)
    scene.frame_set(7)
    asked = []
    turn = PLAYER.session.turn
    PLAYER.session.turn = lambda frame, time=None, out=None: asked.append((frame, time)) or turn(frame, time, out)
    scene.frame_set(7, subframe=0.5)
    shown = evaluated_points(bush).copy()
    at = numpy.array(camera.evaluated_get(bpy.context.evaluated_depsgraph_get()).matrix_world.translation, numpy.float32)
    assert asked == [(7, 7.5 / FPS)], asked
    assert near_key(shown, alone_turn(REST, at, 7, time=7.5 / FPS))
    assert not near_key(shown, expected_at(7))  # the target between frames 7 and 8, not at 7


run([test_installs, test_a_scale_0_object_is_told_and_the_others_turn_on,
     test_a_deleted_target_is_told_until_another_is_picked, test_bake_in_edit_mode_is_refused_and_the_frame_kept,
     test_a_bake_that_cannot_turn_every_frame_changes_nothing, test_motion_blur_sub_frames_turn_at_their_own_time])
