"""What the package's tests share: the built module and command, sessions, and the command's frames."""
import json
import os
import shutil
import subprocess
from pathlib import Path

import numpy
import pytest
import vistrelle

MODULE = Path(os.environ["VISTREL_MODULE"])
COMMAND = Path(os.environ["VISTRELLE_COMMAND"])
EXAMPLES = Path(os.environ["VISTREL_EXAMPLES"])
BUSH_SCENE = EXAMPLES / "bush.json"


def obj_points(path):
    """The v records of an OBJ file, as float32 (N, 3)."""
    rows = [line.split()[1:4] for line in path.read_text().splitlines() if line.startswith("v ")]
    return numpy.array(rows, dtype=numpy.float32)


def bits(points):
    return numpy.ascontiguousarray(points, dtype=numpy.float32).view(numpy.uint32)


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
