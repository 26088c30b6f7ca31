"""A frame turns without the GIL, and always of one consistent state of the session."""
import threading

import numpy

from conftest import EXAMPLES, bits, obj_points


def test_python_runs_while_a_frame_turns(session):
    base = obj_points(EXAMPLES / "bush.obj")
    session.add_target("T", position=(0.0, 3.0, 4.0))
    session.add_object("Big", numpy.concatenate([base] * 40), settings=[4, 1, 0, 1, 1])
    done = threading.Event()
    rounds = [0]

    def count():
        while not done.is_set():
            rounds[0] += 1

    counter = threading.Thread(target=count)
    counter.start()
    before = rounds[0]
    session.turn(3)
    during = rounds[0] - before
    done.set()
    counter.join()
    assert during > 1000  # the counter kept running: the turn let the GIL go


def test_changes_from_another_thread_never_tear_a_frame(session):
    """One thread turns frame 5 a thousand times while another switches the points, the settings and
    the target between two values each: every frame is one of the eight states' own frames."""
    base = obj_points(EXAMPLES / "bush.obj")
    raised = base + numpy.float32(0.25)
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
                expected[bits(session.turn(5)[0]).tobytes()] = (p, s, t)
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
    out = numpy.empty_like(base)
    seen, torn = set(), 0
    try:
        for _ in range(1000):
            session.turn(5, out=[out])
            state = expected.get(bits(out).tobytes())
            if state is None:
                torn += 1
            else:
                seen.add(state)
    finally:
        stop.set()
        changer.join()
    assert torn == 0
    assert len(seen) > 1  # the other thread did change the state between frames
