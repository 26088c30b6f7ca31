"""Fails loudly unless the Vistrelle add-on is enabled in the Blender that runs this, so that a
render node without it stops with exit 1 instead of rendering the plain mesh:

    blender -b scene.blend --python-exit-code 1 --python require_vistrelle.py -f 7

The add-on comes from the user profile ($BLENDER_USER_SCRIPTS, $BLENDER_USER_CONFIG) where it was
installed and enabled with the preferences saved (examples/slurm/blender-profile.sh does that)."""
import sys

import bpy

enabled = "vistrelle_addon" in bpy.context.preferences.addons
registered = hasattr(bpy.types.Object, "vistrelle")
if not (enabled and registered):
    print("vistrelle: the Vistrelle add-on is not enabled in this Blender "
          f"({'enabled but not registered' if enabled else 'not in the preferences'}); "
          "set BLENDER_USER_SCRIPTS and BLENDER_USER_CONFIG to a profile that has it "
          "(examples/slurm/blender-profile.sh makes one)", file=sys.stderr)
    sys.stderr.flush()
    raise SystemExit(1)
turned = [o.name for o in bpy.data.objects if getattr(o, "vistrelle", None) and o.vistrelle.enabled]
print(f"vistrelle: add-on enabled; objects turned: {', '.join(turned) or 'none'}")
