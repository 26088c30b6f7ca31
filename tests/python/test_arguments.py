"""Settings, frames, times, points and names are taken as whole, checked values or refused in one
clear exception naming what is wrong, before anything changes: nothing is wrapped, cut or truncated."""
import array

import pytest
import vistrelle

from conftest import MODULE, bits, needs_numpy, numpy, points_of

CARD = points_of([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]])


@pytest.fixture
def card_session(session):
    target = session.add_target("T", position=(0.0, 1.0, 5.0))
    obj = session.add_object("Card", CARD, settings=[4, target, 0, 1, 1])
    return session, obj


@pytest.mark.parametrize("settings, words", [
    ([4, 1, 0, 1, 2 ** 40], "setting \"pitch alignment\" takes a 32-bit whole number (-2147483648 to 2147483647), "
                            "not 1099511627776"),
    ([2 ** 32 + 4, 1, 0, 1, 1], "setting \"leaf points\" takes a 32-bit whole number"),
    ([-2 ** 31 - 1, 1, 0, 1, 1], "not -2147483649"),
    ([4, 99, 0, 1, 1], "setting \"target\" takes 0 (no target) to 2 (the items), not 99"),
    ([4, 1, 4, 1, 1], "setting \"pivot rule\" takes 0 to 3, not 4"),
    ([4, 1, 0, 2, 1], "setting \"heading alignment\" takes 0 (off) or 1 (on), not 2"),
    ([-5, 999, 77, 3, -1], "setting \"target\""),
])
def test_settings_the_panel_does_not_take_are_refused_naming_the_setting(card_session, settings, words):
    session, obj = card_session
    with pytest.raises(vistrelle.HostError) as raised:
        obj.settings = settings
    assert words in str(raised.value) and "\n" not in str(raised.value)
    assert obj.settings == [4, 1, 0, 1, 1]
    with pytest.raises(vistrelle.HostError, match="setting \""):
        session.add_object("Other", CARD, settings=settings)
    assert session.items == ["T", "Card"]


@pytest.mark.parametrize("value", [4.0, 4.5, "4", None])
def test_settings_that_are_not_whole_numbers_are_a_type_error_naming_the_setting(card_session, value):
    _, obj = card_session
    with pytest.raises(TypeError, match="setting \"leaf points\" takes a whole number, not "):
        obj.settings = [value, 1, 0, 1, 1]
    assert obj.settings == [4, 1, 0, 1, 1]


def test_whole_numbers_of_any_integer_type_are_settings(card_session):
    _, obj = card_session
    obj.settings = [3, 1, 3, True, False]
    assert obj.settings == [3, 1, 3, 1, 0]
    obj.settings = [-(2 ** 31), 0, 0, 0, 0]  # leaf points take every 32-bit number, as the panel's field
    assert obj.settings == [-(2 ** 31), 0, 0, 0, 0]


def test_a_frame_is_a_whole_number(card_session):
    session, _ = card_session
    seven = bits(session.turn(7)[0])
    assert bits(session.turn(7.0)[0]) == seven
    for fraction in (7.9, 7.5, -0.25, float("nan"), float("inf")):
        with pytest.raises(ValueError, match="is not a whole number; a sub-frame is turn"):
            session.turn(fraction)
    with pytest.raises(TypeError, match=r"frame: expected a whole number \(int\), not str '7'"):
        session.turn("7")
    with pytest.raises(ValueError, match="outside the 32-bit frames"):
        session.turn(2 ** 31)
    with pytest.raises(TypeError, match="time: expected a number of seconds, not str '0.5'"):
        session.turn(7, time="0.5")
    assert bits(session.objects[0].positions) == seven


@needs_numpy
def test_numpy_integers_are_settings_and_numpy_whole_numbers_are_frames(card_session):
    session, obj = card_session
    obj.settings = [numpy.int64(3), numpy.int32(1), 3, True, False]
    assert obj.settings == [3, 1, 3, 1, 0]
    seven = bits(session.turn(7)[0])
    assert bits(session.turn(numpy.int64(7))[0]) == seven
    assert bits(session.turn(numpy.float32(7.0))[0]) == seven
    with pytest.raises(ValueError, match="is not a whole number"):
        session.turn(numpy.float32(7.5))


def test_zero_points_are_refused_plainly(card_session):
    session, obj = card_session
    empties = [array.array("f"), memoryview(bytearray()).cast("f")]
    if numpy is not None:
        empties.append(numpy.zeros((0, 3), numpy.float32))
    for empty in empties:
        with pytest.raises(vistrelle.HostError, match="^vistrelle: object 'Empty': no points; an object needs at least one$"):
            session.add_object("Empty", empty)
        with pytest.raises(vistrelle.HostError, match="^vistrelle: object 0: no points"):
            obj.points = empty
    assert session.items == ["T", "Card"] and obj.point_count == 4


def test_names_with_a_nul_byte_are_refused_not_cut(card_session, tmp_path):
    session, obj = card_session
    with pytest.raises(ValueError, match="name holds a NUL byte"):
        session.add_target("Cam\0era", position=(0.0, 0.0, 0.0))
    with pytest.raises(ValueError, match="name holds a NUL byte"):
        session.add_object("Card\0copy", CARD)
    with pytest.raises(ValueError, match="label holds a NUL byte"):
        obj.set("Pivot Type\0", 1)
    with pytest.raises(ValueError, match="value holds a NUL byte"):
        obj.set("Pivot Type", "last point\0")
    assert session.items == ["T", "Card"] and obj.settings == [4, 1, 0, 1, 1]
    session.close()
    with pytest.raises(ValueError, match="module holds a NUL byte"):
        vistrelle.Session(str(MODULE) + "\0.txt")
    with pytest.raises(ValueError, match="scene holds a NUL byte"):
        vistrelle.Session.from_scene(MODULE, str(tmp_path) + "/a\0.json")


def test_a_path_that_is_not_utf8_is_refused_by_the_library(tmp_path):
    with pytest.raises(vistrelle.HostError, match="^vistrelle: the module path is not UTF-8$"):
        vistrelle.Session(bytes(tmp_path) + b"/\xff.p")
