"""Two copies of the package in one process (installed twice, at two paths), each with its own copy of
the C library: over one module file the second session is refused in one line, over each copy's own
module file the two sessions turn apart, each as it does alone. Run in a fresh interpreter, which
imports the copies under two names; with numpy the points are numpy arrays, without it array buffers."""
import json
import shutil
import subprocess
import sys
from pathlib import Path

import vistrelle

from conftest import MODULE, numpy

PLAY = r"""
import array, importlib.util, json, sys
try:
    import numpy
except ImportError:
    numpy = None

def copy(folder, name):
    where = importlib.util.spec_from_file_location(name, folder + "/vistrelle/__init__.py",
                                                   submodule_search_locations=[folder + "/vistrelle"])
    package = importlib.util.module_from_spec(where)
    sys.modules[name] = package
    where.loader.exec_module(package)
    return package

first, second = copy(sys.argv[1], "first_copy"), copy(sys.argv[2], "second_copy")
shared_module = sys.argv[3]
card = [0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0]
card = numpy.array(card, numpy.float32).reshape(4, 3) if numpy else array.array("f", card)

def card_session(package, module, x):
    s = package.Session(module)
    s.add_object("Card", card, settings=[4, s.add_target("T", position=(x, 1.0, 5.0)), 0, 1, 1])
    return s

said = {"libraries": [first._native.lib._name, second._native.lib._name]}
held = card_session(first, shared_module, 0.0)
try:
    second.Session(shared_module)
    said["refused"] = None
except second.HostError as refusal:
    said["refused"] = str(refusal)
held.close()

a, b = card_session(first, first.MODULE_PATH, 0.0), card_session(second, second.MODULE_PATH, 5.0)
turned = [bytes(a.turn(7)[0]), bytes(b.turn(7)[0]), bytes(a.turn(7)[0])]
a.close(), b.close()
alone = []
for x in (0.0, 5.0):
    with card_session(first, first.MODULE_PATH, x) as s:
        alone.append(bytes(s.turn(7)[0]))
said["numpy"] = numpy is not None
said["apart"] = [memoryview(t).cast("I").tolist() for t in turned]
said["alone"] = [memoryview(t).cast("I").tolist() for t in alone]
print(json.dumps(said))
"""


def test_two_copies_of_the_package_refuse_one_module_and_work_apart_on_two(tmp_path):
    package = Path(vistrelle.__file__).parent
    folders = []
    for name in ("first", "second"):
        shutil.copytree(package, tmp_path / name / "vistrelle", ignore=shutil.ignore_patterns("__pycache__"))
        folders.append(str(tmp_path / name))
    result = subprocess.run([sys.executable, "-c", PLAY, *folders, str(MODULE)], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    said = json.loads(result.stdout)
    assert said["numpy"] == (numpy is not None)
    assert said["libraries"][0] != said["libraries"][1]
    assert said["refused"] is not None and "\n" not in said["refused"]
    assert said["refused"].startswith(str(MODULE) + ": is loaded in this process already")
    first, second, first_again = said["apart"]
    assert first == first_again == said["alone"][0]
    assert second == said["alone"][1] != first
