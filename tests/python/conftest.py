"""What the package's tests share: the built module and command, sessions, the command's frames, and
points made and compared alike with numpy or, in Pythons without it, as array.array('f') buffers."""
import array
import json
import os
import shutil
import subprocess
from pathlib import Path

import pytest
import vistrelle

try:
    import numpy
except ImportError:  # the package takes array buffers there, and so do these tests
    numpy = None

MODULE = Path(os.environ["VISTREL_MODULE"])
COMMAND = Path(os.environ["VISTRELLE_COMMAND"])
EXAMPLES = Path(os.environ["VISTREL_EXAMPLES"])
BUSH_SCENE = EXAMPLES / "bush.json"


needs_numpy = pytest.mark.skipif(numpy is None, reason="numpy is not installed in this Python")


def points_of(rows):
    """Points from rows of three numbers: a float32 (N, 3) numpy array, or without numpy a flat
    array.array('f'), as the package makes them."""
    if numpy is not None:
        return numpy.array(rows, dtype=numpy.float32).reshape(-1, 3)
    return array.array("f", [float(v) for row in rows for v in row])


def obj_points(path):
    """The v records of an OBJ file, as points_of makes them."""
    return points_of([line.split()[1:4] for line in path.read_text().splitlines() if line.startswith("v ")])


def bits(points):
    """The bytes of float32 points (a numpy array or any buffer): equal bytes, equal bits."""
    view = memoryview(points)
    assert view.format in ("f", "<f", "=f", "@f") and view.c_contiguous, view.format
    return view.tobytes()


def floats(points):
    """The points' coordinates as a flat list of Python floats."""
    return memoryview(bits(points)).cast("f").tolist()


def count_of(points):
    return memoryview(points).nbytes // 12


def first_points(points, count):
    return points[:count] if numpy is not None else points[:3 * count]


def shifted(points, by):
    """The points moved by `by` on every axis, rounded to float32."""
    if numpy is not None:
        return points + numpy.float32(by)
    return array.array("f", [v + by for v in points])


def zeros_like(points):
    return numpy.zeros_like(points) if numpy is not None else array.array("f", bytes(memoryview(points).nbytes))


@pytest.fixture
def session():
    with vistrelle.Session(MODULE) as s:
        yield s


@pytest.fixture
def bush_session():
    with vistrelle.Session.from_scene(MODULE, BUSH_SCENE) as s:
        yield s


@pytest.fixture(scope="session")
def command_frames(tmp_path_factory):
    """command_frames(data, frames): the bush's points as `vistrelle run` writes them, by frame, with
    the displacement's five integers `data`."""
    made = {}

    def run(data, frames):
        key = (tuple(data), tuple(frames))
        if key in made:
            return made[key]
        folder = tmp_path_factory.mktemp("run")
        scene = json.loads(BUSH_SCENE.read_text())
        scene["displacements"][0]["data"] = list(data)
        shutil.copy(EXAMPLES / "bush.obj", folder / "bush.obj")
        (folder / "bush.json").write_text(json.dumps(scene))
        result = {}
        for frame in frames:
            out = folder / f"out{frame}"
            subprocess.run([COMMAND, "run", folder / "bush.json", "--out", out, "--frames", f"{frame}-{frame}",
                            "--no-svg", "--jobs", "1", "--module", MODULE], check=True, capture_output=True)
            result[frame] = obj_points(out / f"Bush.{frame:04d}.obj")
        made[key] = result
        return result

    return run
