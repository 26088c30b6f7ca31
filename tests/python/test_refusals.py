"""Bad input raises one clear exception and changes nothing."""
import array

import pytest
import vistrelle

from conftest import MODULE, bits, floats, needs_numpy, numpy, points_of


def numpy_case(make, *rest):
    """A case whose value numpy makes, when the test runs (skipped without numpy)."""
    return pytest.param(lambda: make(numpy), *rest, marks=needs_numpy)


@pytest.fixture
def card_session(session):
    card = points_of([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]])
    target = session.add_target("T", position=(0.0, 1.0, 5.0))
    obj = session.add_object("Card", card, settings=[4, target, 0, 1, 1])
    session.turn(0)
    return session, obj


def frozen_numpy(numpy):
    frozen = numpy.zeros((4, 3), numpy.float32)
    frozen.flags.writeable = False
    return frozen


@pytest.mark.parametrize("make, error, words", [
    numpy_case(lambda numpy: numpy.zeros((4, 3), numpy.float64), TypeError, "expected dtype float32, not float64"),
    numpy_case(lambda numpy: numpy.zeros((4, 2), numpy.float32), ValueError, "expected shape (N, 3)"),
    numpy_case(lambda numpy: numpy.zeros(12, numpy.float32), ValueError, "expected shape (N, 3)"),
    numpy_case(lambda numpy: numpy.zeros((5, 3), numpy.float32), ValueError, "holds 5 points, object 0 has 4"),
    numpy_case(lambda numpy: numpy.zeros((3, 4), numpy.float32).T, ValueError, "C-contiguous"),
    numpy_case(frozen_numpy, ValueError, "read-only"),
    (lambda: [[0.0, 0.0, 0.0]] * 4, TypeError, "expected a numpy array"),
    (lambda: array.array("f", bytes(60)), ValueError, "holds 5 points, object 0 has 4"),
    (lambda: array.array("f", bytes(40)), ValueError, "expected shape (N, 3) or 3 floats a point"),
    (lambda: array.array("d", bytes(96)), TypeError, "expected float32 items, not format 'd'"),
    (lambda: memoryview(bytearray(96)).cast("f")[::2], ValueError, "C-contiguous"),
    (lambda: memoryview(bytes(48)).cast("f"), ValueError, "read-only"),
])
def test_wrong_output_array_is_refused_before_writing(card_session, make, error, words):
    session, obj = card_session
    bad = make()
    before, bad_before = bits(obj.positions), memoryview(bad).tobytes() if not isinstance(bad, list) else None
    with pytest.raises(error) as raised:
        session.turn(5, out=[bad])
    assert words in str(raised.value)
    assert bits(obj.positions) == before
    if bad_before is not None:
        assert memoryview(bad).tobytes() == bad_before


def test_wrong_number_of_outputs_is_refused(card_session):
    session, _ = card_session
    with pytest.raises(ValueError, match="2 arrays for 1 objects"):
        session.turn(0, out=[points_of([[0, 0, 0]] * 4)] * 2)


@pytest.mark.parametrize("make, error", [
    numpy_case(lambda numpy: numpy.zeros((4, 3), numpy.float64), TypeError),
    numpy_case(lambda numpy: numpy.zeros((4, 3, 1), numpy.float32), ValueError),
    (lambda: array.array("d", bytes(96)), TypeError),
    (lambda: array.array("f", bytes(16)), ValueError),
    (lambda: points_of([[0, 0, 0], [float("nan"), 0, 0]]), vistrelle.HostError),
])
def test_bad_points_add_nothing(session, make, error):
    with pytest.raises(error):
        session.add_object("Bad", make())
    assert session.items == [] and session.objects == []


def test_bad_new_points_keep_the_old(card_session):
    session, obj = card_session
    before = obj.points
    with pytest.raises(vistrelle.HostError, match="point 1 is not finite"):
        obj.points = points_of([[0, 0, 0], [float("inf"), 0, 0]])
    assert bits(obj.points) == bits(before)


@pytest.mark.parametrize("position", [(float("nan"), 0.0, 0.0), (0.0, float("inf"), 0.0)])
def test_target_that_is_not_finite_is_refused(card_session, position):
    session, obj = card_session
    turned = bits(session.turn(3)[0])
    with pytest.raises(vistrelle.HostError, match="target position is not finite"):
        session.move_target(1, position=position)
    with pytest.raises(vistrelle.HostError, match="not finite"):
        session.add_target("Nan", keys=[(0.0, (0.0, 0.0, 0.0)), (1.0, position)])
    assert session.items == ["T", "Card"]
    assert bits(session.turn(3)[0]) == turned


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


def test_array_buffers_are_taken_and_checked(card_session):
    session, obj = card_session
    flat = array.array("f", bytes(48))
    written, = session.turn(0, out=[flat])
    assert written is flat and bits(flat) == bits(obj.positions)
    rows = memoryview(bytearray(48)).cast("f", (4, 3))
    written, = session.turn(0, out=[rows])
    assert written is rows and bits(rows) == bits(flat)
    with pytest.raises(ValueError, match="holds 3 points"):
        session.turn(0, out=[array.array("f", bytes(36))])
    with pytest.raises(TypeError, match="expected float32 items, not format 'd'"):
        session.turn(0, out=[array.array("d", bytes(96))])
    with pytest.raises(ValueError, match="read-only"):
        session.turn(0, out=[memoryview(bytes(48)).cast("f")])
    obj.points = array.array("f", [0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0])
    assert floats(obj.points)[3:6] == [2.0, 0.0, 0.0]
    obj.points = memoryview(bytes(array.array("f", [1, 0, 0, 3, 0, 0, 3, 3, 0, 1, 3, 0]))).cast("f")
    assert floats(obj.points)[9:12] == [1.0, 3.0, 0.0]


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
