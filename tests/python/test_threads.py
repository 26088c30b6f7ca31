"""A frame turns without the GIL, and always of one consistent state of the session."""
import ctypes
import threading

from vistrelle import _native as native

from conftest import EXAMPLES, bits, obj_points, shifted, zeros_like


def test_a_turn_lets_other_threads_run_python(session, monkeypatch):
    """ctypes lets the GIL go around every call into a CDLL's functions (a PyDLL's keep it): the turn goes
    to the module through such a function, so other threads run Python meanwhile, however long it plays."""
    base = obj_points(EXAMPLES / "bush.obj")
    session.add_target("T", position=(0.0, 3.0, 4.0))
    session.add_object("Bush", base, settings=[4, 1, 0, 1, 1])
    entry = native.lib.vistrelle_turn
    calls = []

    def recorded(*arguments):
        calls.append(arguments)
        return entry(*arguments)

    monkeypatch.setattr(native.lib, "vistrelle_turn", recorded)
    turned, = session.turn(3)
    assert len(calls) == 1
    assert not entry._flags_ & ctypes._FUNCFLAG_PYTHONAPI
    assert bits(turned) != bits(base)


def test_changes_from_another_thread_never_tear_a_frame(session):
    """One thread turns frame 5 a thousand times, and on until it has seen two states, while another
    switches the points, the settings and the target between two values each: every frame is one of the
    eight states' own frames."""
    base = obj_points(EXAMPLES / "bush.obj")
    raised = shifted(base, 0.25)
    points = [base, raised]
    settings = [[4, 1, 0, 1, 1], [4, 1, 3, 1, 0]]
    targets = [(2.5, 0.7, 0.0), (-1.0, 2.0, 3.0)]
    target = session.add_target("T", position=targets[0])
    bush = session.add_object("Bush", base, settings=settings[0])
    expected = {}
    for p in range(2):
        for s in range(2):
            for t in range(2):
                bush.points, bush.settings = points[p], settings[s]
                session.move_target(target, position=targets[t])
                expected[bits(session.turn(5)[0])] = (p, s, t)
    assert len(expected) == 8
    stop = threading.Event()

    def change():
        k = 0
        while not stop.is_set():
            k += 1
            bush.points = points[k % 2]
            bush.settings = settings[(k // 2) % 2]
            session.move_target(target, position=targets[(k // 4) % 2])

    changer = threading.Thread(target=change)
    changer.start()
    out = zeros_like(base)
    seen, torn, rounds = set(), 0, 0
    try:
        # As long as the other thread takes to be scheduled; bounded, so a library that never let the
        # other thread's changes through fails rather than hangs.
        while rounds < 1000 or (len(seen) < 2 and rounds < 1_000_000):
            rounds += 1
            session.turn(5, out=[out])
            state = expected.get(bits(out))
            if state is None:
                torn += 1
            else:
                seen.add(state)
    finally:
        stop.set()
        changer.join()
    assert torn == 0 and len(seen) > 1
