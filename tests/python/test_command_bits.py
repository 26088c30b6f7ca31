"""The package turns the demo bush to the very bits `vistrelle run` writes."""
import pytest
import vistrelle

from conftest import (BUSH_SCENE, EXAMPLES, MODULE, bits, count_of, first_points, floats, needs_numpy, numpy,
                      obj_points, points_of, zeros_like)

FRAMES = [0, 7, 23, 47]
SETTINGS = [
    [4, 1, 0, 1, 1],   # the scene's own
    [4, 1, 3, 1, 0],   # last point, heading only
    [3, 1, 2, 0, 1],   # three points a leaf, first and last, pitch only
    [4, 0, 1, 1, 1],   # no target
]


@pytest.mark.parametrize("data", SETTINGS, ids=lambda d: "-".join(map(str, d)))
def test_scene_session_matches_command_bit_for_bit(command_frames, data):
    expected = command_frames(data, FRAMES)
    with vistrelle.Session.from_scene(MODULE, BUSH_SCENE) as s:
        s.objects[0].settings = data
        for frame in FRAMES:
            turned, = s.turn(frame)
            assert bits(turned) == bits(expected[frame]), f"frame {frame}"


def test_panel_edits_match_command_with_saved_integers(bush_session, command_frames):
    expected = command_frames([3, 1, 2, 0, 1], [7])
    bush = bush_session.objects[0]
    bush.set("Object points", 3)
    bush.set("Pivot Type", "average of first and last point")
    bush.set("H Align", "off")
    bush.set("P Align", True)
    assert bush.settings == [3, 1, 2, 0, 1]
    assert bush.panel()["Clones"] == bush.get("Leaves") == 4000.0
    turned, = bush_session.turn(7)
    assert bits(turned) == bits(expected[7])


def test_session_built_from_arrays_matches_command(session, command_frames):
    expected = command_frames([4, 1, 0, 1, 1], [5, 30])
    from conftest import BUSH_SCENE as scene_file
    import json
    keys = [(k["time"], tuple(k["position"])) for k in json.loads(scene_file.read_text())["items"][0]["keys"]]
    camera = session.add_target("Camera", keys=keys)
    base = obj_points(EXAMPLES / "bush.obj")
    bush = session.add_object("Bush", base, settings=[4, camera, 0, 1, 1])
    buffer = zeros_like(base)
    for frame in (5, 30):
        written, = session.turn(frame, out=[buffer])
        assert written is buffer
        assert bits(buffer) == bits(expected[frame])
    assert bits(bush.points) == bits(base)


def test_default_arrays_are_the_objects_positions_written_again(bush_session, command_frames):
    expected = command_frames([4, 1, 0, 1, 1], [3, 9])
    bush = bush_session.objects[0]
    first, = bush_session.turn(3)
    assert first is bush.positions and bits(first) == bits(expected[3])
    again, = bush_session.turn(9)
    assert again is first and bits(again) == bits(expected[9])


@needs_numpy
def test_default_arrays_are_written_in_place(bush_session):
    bush = bush_session.objects[0]
    first, = bush_session.turn(3)
    assert first is not None and numpy.shares_memory(first, bush.positions)
    again, = bush_session.turn(9)
    assert numpy.shares_memory(again, first)


def test_objects_turn_in_order_each_toward_its_target(session):
    card = points_of([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]])
    left = session.add_target("Left", position=(-5.0, 0.5, 0.0))
    right = session.add_target("Right", position=(5.0, 0.5, 0.0))
    a = session.add_object("A", card, settings=[4, left, 0, 1, 0])
    b = session.add_object("B", card, settings=[4, right, 0, 1, 0])
    ta, tb = session.turn(0)
    assert (a.index, b.index) == (0, 1)
    assert floats(ta) != floats(tb)
    assert session.items == ["Left", "Right", "A", "B"]
    # the same object alone, turned by a second session, gives the same points
    session.close()
    with vistrelle.Session(MODULE) as alone:
        alone.add_target("Left", position=(-5.0, 0.5, 0.0))
        alone.add_target("Right", position=(5.0, 0.5, 0.0))
        alone.add_object("B", card, settings=[4, 2, 0, 1, 0])
        only, = alone.turn(0)
    assert bits(only) == bits(tb)


def test_new_point_count_makes_a_new_instance_with_the_same_settings(session):
    target = session.add_target("T", position=(0.0, 3.0, 4.0))
    base = obj_points(EXAMPLES / "bush.obj")
    bush = session.add_object("Bush", first_points(base, 400), settings=[4, target, 3, 1, 1])
    session.turn(0)
    bush.points = base
    assert bush.point_count == count_of(base) and memoryview(bush.positions).shape == memoryview(base).shape
    assert bush.settings == [4, target, 3, 1, 1]
    assert bush.panel()["Clones"] == count_of(base) / 4
    grown, = session.turn(0)
    session.close()
    with vistrelle.Session(MODULE) as fresh:
        fresh.add_target("T", position=(0.0, 3.0, 4.0))
        fresh.add_object("Bush", base, settings=[4, 1, 3, 1, 1])
        expected, = fresh.turn(0)
    assert bits(grown) == bits(expected)


def test_target_popup_lists_the_items(bush_session):
    bush = bush_session.objects[0]
    assert bush.entries("Target object") == ["(none)", "Camera", "Bush"]
    bush.set("target object", "(none)")
    assert bush.settings[1] == 0
    assert bush.get("Target object") == 0
