#!/usr/bin/env bash
# Makes a Blender user profile on shared storage with the Vistrelle add-on installed and enabled,
# the preferences saved, for render nodes to use (examples/slurm/render-blender.sh):
#
#   examples/slurm/blender-profile.sh PROFILE ADDON_ZIP
#   examples/slurm/blender-profile.sh /shared/blender-profile build/native/blender/vistrelle_addon.zip
set -euo pipefail
if [ $# -ne 2 ]; then sed -n '2,6p' "$0" >&2; exit 2; fi
profile=$(realpath -m "$1") zip=$(realpath "$2")
mkdir -p "$profile/scripts" "$profile/config"
BLENDER_USER_SCRIPTS=$profile/scripts BLENDER_USER_CONFIG=$profile/config \
  blender -b --factory-startup --python-exit-code 1 --python-expr "
import bpy
bpy.ops.preferences.addon_install(filepath='$zip', overwrite=True)
bpy.ops.preferences.addon_enable(module='vistrelle_addon')
bpy.ops.wm.save_userpref()
" >/dev/null
BLENDER_USER_SCRIPTS=$profile/scripts BLENDER_USER_CONFIG=$profile/config \
  blender -b --python-exit-code 1 --python "$(dirname "$(realpath "$0")")/require_vistrelle.py" |
  grep '^vistrelle:'
