"""Bad input raises one clear exception and changes nothing."""
import numpy
import pytest
import vistrelle

from conftest import MODULE, bits


@pytest.fixture
def card_session(session):
    card = numpy.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], numpy.float32)
    target = session.add_target("T", position=(0.0, 1.0, 5.0))
    obj = session.add_object("Card", card, settings=[4, target, 0, 1, 1])
    session.turn(0)
    return session, obj


@pytest.mark.parametrize("bad, error, words", [
    (numpy.zeros((4, 3), numpy.float64), TypeError, "expected dtype float32, not float64"),
    (numpy.zeros((4, 2), numpy.float32), ValueError, "expected shape (N, 3)"),
    (numpy.zeros(12, numpy.float32), ValueError, "expected shape (N, 3)"),
    (numpy.zeros((5, 3), numpy.float32), ValueError, "holds 5 points, object 0 has 4"),
    (numpy.zeros((3, 4), numpy.float32).T, ValueError, "C-contiguous"),
    ([[0.0, 0.0, 0.0]] * 4, TypeError, "expected a numpy array"),
])
def test_wrong_output_array_is_refused_before_writing(card_session, bad, error, words):
    session, obj = card_session
    before = obj.positions.copy()
    with pytest.raises(error) as raised:
        session.turn(5, out=[bad])
    assert words in str(raised.value)
    assert numpy.array_equal(obj.positions, before)


def test_read_only_output_is_refused(card_session):
    session, _ = card_session
    frozen = numpy.zeros((4, 3), numpy.float32)
    frozen.flags.writeable = False
    with pytest.raises(ValueError, match="read-only"):
        session.turn(0, out=[frozen])
    assert not frozen.any()


def test_wrong_number_of_outputs_is_refused(card_session):
    session, _ = card_session
    with pytest.raises(ValueError, match="2 arrays for 1 objects"):
        session.turn(0, out=[numpy.zeros((4, 3), numpy.float32)] * 2)


@pytest.mark.parametrize("points, error", [
    (numpy.zeros((4, 3), numpy.float64), TypeError),
    (numpy.zeros((4, 3, 1), numpy.float32), ValueError),
    (numpy.array([[0, 0, 0], [numpy.nan, 0, 0]], numpy.float32), vistrelle.HostError),
])
def test_bad_points_add_nothing(session, points, error):
    with pytest.raises(error):
        session.add_object("Bad", points)
    assert session.items == [] and session.objects == []


def test_bad_new_points_keep_the_old(card_session):
    session, obj = card_session
    before = obj.points
    with pytest.raises(vistrelle.HostError, match="point 1 is not finite"):
        obj.points = numpy.array([[0, 0, 0], [numpy.inf, 0, 0]], numpy.float32)
    assert numpy.array_equal(obj.points, before)


@pytest.mark.parametrize("position", [(numpy.nan, 0.0, 0.0), (0.0, numpy.inf, 0.0)])
def test_target_that_is_not_finite_is_refused(card_session, position):
    session, obj = card_session
    turned = bits(session.turn(3)[0]).copy()
    with pytest.raises(vistrelle.HostError, match="target position is not finite"):
        session.move_target(1, position=position)
    with pytest.raises(vistrelle.HostError, match="not finite"):
        session.add_target("Nan", keys=[(0.0, (0.0, 0.0, 0.0)), (1.0, position)])
    assert session.items == ["T", "Card"]
    assert numpy.array_equal(bits(session.turn(3)[0]), turned)


@pytest.mark.parametrize("label, value, words", [
    ("Pivot Type", 4, "has no entry 4"),
    ("Pivot Type", "middle", "has no entry \"middle\""),
    ("Target object", 3, "has no entry 3"),
    ("H Align", 2, "takes on, off"),
    ("P Align", "maybe", "takes on, off"),
    ("Object points", 2.5, "takes a whole number"),
    ("Object points", 2**31, "takes a whole number"),
    ("Object points", "four", "takes a number"),
    ("Clones", 3, "is shown only"),
    ("Leaf size", 3, "no control \"Leaf size\"; controls: Object points, Clones"),
])
def test_panel_refuses_what_its_controls_do_not_take(card_session, label, value, words):
    _, obj = card_session
    before = obj.settings
    with pytest.raises(vistrelle.HostError) as raised:
        obj.set(label, value)
    assert words in str(raised.value) and "\n" not in str(raised.value)
    assert obj.settings == before


def test_settings_must_be_five_integers(card_session):
    _, obj = card_session
    with pytest.raises(vistrelle.HostError, match="five integers, not 4"):
        obj.settings = [4, 1, 0, 1]
    assert obj.settings == [4, 1, 0, 1, 1]


def test_file_that_is_not_a_module_is_refused(tmp_path):
    fake = tmp_path / "fake.p"
    fake.write_text("not a library\n")
    with pytest.raises(vistrelle.HostError) as raised:
        vistrelle.Session(fake)
    message = str(raised.value)
    assert message.startswith(str(fake) + ": ") and "\n" not in message
    with pytest.raises(vistrelle.HostError, match="missing.p"):
        vistrelle.Session(tmp_path / "missing.p")
    # nothing is left loaded: a good session opens after the refusals
    with vistrelle.Session(MODULE) as s:
        assert s.items == []


def test_one_session_at_a_time_and_closed_sessions_refuse(session, tmp_path):
    with pytest.raises(vistrelle.HostError, match="is loaded in this process already"):
        vistrelle.Session(MODULE)
    copy = tmp_path / "copy.p"
    copy.write_bytes(MODULE.read_bytes())
    with pytest.raises(vistrelle.HostError, match="another host is active"):
        vistrelle.Session(copy)
    session.close()
    with pytest.raises(vistrelle.HostError, match="the session is closed"):
        session.turn(0)


def test_platform_without_a_native_part_is_named(tmp_path):
    import shutil
    import subprocess
    import sys
    from pathlib import Path
    package = Path(vistrelle.__file__).parent
    shutil.copytree(package, tmp_path / "vistrelle", ignore=shutil.ignore_patterns("native", "__pycache__"))
    result = subprocess.run([sys.executable, "-c", "import vistrelle"], cwd=tmp_path, capture_output=True, text=True)
    assert result.returncode != 0
    last = result.stderr.strip().splitlines()[-1]
    assert "ImportError: vistrelle: no native part for this platform, %s (Python " % vistrelle.PLATFORM in last
    assert "this package carries: none" in last


def test_buffers_without_numpy_are_taken_and_checked(card_session):
    import array
    session, obj = card_session
    flat = array.array("f", bytes(48))
    written, = session.turn(0, out=[flat])
    assert written is flat and bits(numpy.frombuffer(flat, numpy.float32).reshape(4, 3)).tobytes() == bits(obj.positions).tobytes()
    with pytest.raises(ValueError, match="holds 3 points"):
        session.turn(0, out=[array.array("f", bytes(36))])
    with pytest.raises(TypeError, match="expected float32 items, not format 'd'"):
        session.turn(0, out=[array.array("d", bytes(96))])
    with pytest.raises(ValueError, match="read-only"):
        session.turn(0, out=[memoryview(bytes(48)).cast("f")])
    obj.points = array.array("f", [0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0])
    assert obj.points[1].tolist() == [2.0, 0.0, 0.0]


def test_scene_files_that_cannot_be_scenes_are_refused_at_once(tmp_path):
    import os
    import time
    fifo, sparse = tmp_path / "pipe.json", tmp_path / "sparse.json"
    os.mkfifo(fifo)
    sparse.touch()
    os.truncate(sparse, 64 << 30)  # takes no room on the disk
    for path in ("/dev/zero", fifo, sparse, tmp_path):
        started = time.monotonic()
        with pytest.raises(vistrelle.HostError) as raised:
            vistrelle.Session.from_scene(MODULE, path)
        assert time.monotonic() - started < 5, path
        message = str(raised.value)
        assert message.startswith(str(path) + ": ") and "\n" not in message
