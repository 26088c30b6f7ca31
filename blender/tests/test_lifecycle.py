"""The add-on's life in Blender: a file opened shows its frame's turn at once, Reload Scripts takes the
add-on anew, and enabling needs no native library (one that is missing is told when a mesh turns)."""
import os
import subprocess
import sys
import zipfile
from pathlib import Path

import bpy
from mathutils import Euler, Matrix

sys.path.insert(0, str(Path(__file__).parent))
from bush import FILE_SETTINGS, SCRATCH, ZIP, evaluated_points, expected_at, install, make_bush_scene, near_key  # noqa: E402
from harness import run  # noqa: E402


def test_installs():
    install()


def test_a_file_opened_shows_its_frames_turn_without_a_frame_change():
    world = Matrix.Translation((3.0, -2.0, 1.5)) @ Euler((0.3, -0.7, 1.1)).to_matrix().to_4x4()
    scene, bush, _ = make_bush_scene("Y", world, FILE_SETTINGS)
    scene.frame_set(7)
    path = SCRATCH / "opened.blend"
    bpy.ops.wm.save_as_mainfile(filepath=str(path))
    bpy.ops.wm.read_homefile(use_empty=True)
    bpy.ops.wm.open_mainfile(filepath=str(path))
    bush = bpy.data.objects["Bush"]
    assert bpy.context.scene.frame_current == 7
    # The points in the object's own space: the command's frame, as for the rotated object live.
    assert abs(evaluated_points(bush) - expected_at(7)).max() < 2e-5


def test_reload_scripts_takes_the_add_on_anew():
    scene, bush, _ = make_bush_scene(settings=FILE_SETTINGS)
    scene.frame_set(7)
    import vistrelle_addon.player as before
    before.rest_points = None  # a module read anew defines it again
    # What Reload Scripts runs (it waits for the interface's next tick, which a script never sees).
    bpy.utils.load_scripts(reload_scripts=True)
    import vistrelle_addon.player as after
    assert callable(after.rest_points)  # the add-on's own modules were read again
    handlers = [h.__name__ for h in bpy.app.handlers.frame_change_post]
    assert handlers.count("_on_frame_change") == 1, handlers
    bush = bpy.data.objects["Bush"]
    assert tuple(bush.vistrelle.settings) == (4, 1, 0, 1, 1)
    scene.frame_set(8)
    assert near_key(evaluated_points(bush), expected_at(8))


NO_NATIVE = """
import bpy, sys
bpy.ops.preferences.addon_install(filepath=sys.argv[-1])
bpy.ops.preferences.addon_enable(module="vistrelle_addon")
assert "vistrelle_addon" in bpy.context.preferences.addons, "not enabled"
assert not any(m.startswith("vistrelle_addon.vistrelle") for m in sys.modules), "the package loaded at enabling"
bush = bpy.data.objects["Cube"]
bush.vistrelle.enabled = True
bpy.context.scene.frame_set(3)
print("MESSAGE", bush.vistrelle.message)
"""


def test_enabling_needs_no_native_library():
    """A zip without its native part (a platform it does not carry) enables, and the panel says why
    nothing turns; the package is not even imported until a mesh turns."""
    bare = SCRATCH / "bare.zip"
    with zipfile.ZipFile(ZIP) as full, zipfile.ZipFile(bare, "w") as out:
        for entry in full.infolist():
            if "/native/" not in entry.filename:
                out.writestr(entry, full.read(entry))
    env = dict(os.environ, BLENDER_USER_CONFIG=str(SCRATCH / "bare-config"), BLENDER_USER_SCRIPTS=str(SCRATCH / "bare-scripts"))
    done = subprocess.run([bpy.app.binary_path, "-b", "--factory-startup", "--python-exit-code", "1",
                           "--python-expr", NO_NATIVE, "--", str(bare)], capture_output=True, text=True, env=env, timeout=300)
    assert done.returncode == 0, done.stdout[-2000:] + done.stderr[-2000:]
    message = [line for line in done.stdout.splitlines() if line.startswith("MESSAGE ")]
    assert message and message[0].startswith("MESSAGE vistrelle: no native part for this platform"), done.stdout[-2000:]


run([test_installs, test_a_file_opened_shows_its_frames_turn_without_a_frame_change,
     test_reload_scripts_takes_the_add_on_anew, test_enabling_needs_no_native_library])
