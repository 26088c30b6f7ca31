#!/usr/bin/env bash
# Renders a .blend's frames on a Slurm cluster, one array task per frame, each with the Vistrelle
# add-on from a profile on shared storage; each task first checks that the add-on is enabled there
# (require_vistrelle.py), so that a node without it fails with exit 1 instead of rendering the
# plain mesh.
#
#   examples/slurm/render-blender.sh PROFILE BLEND OUTPUT FIRST LAST [BLENDER ARGS...]
#   examples/slurm/render-blender.sh /shared/blender-profile "$PWD/bush.blend" "$PWD/out/frame_####" 0 47
#
# PROFILE is made by examples/slurm/blender-profile.sh; it is named on the command line of each
# task, so that it holds with `sbatch --export=NONE` too. OUTPUT is Blender's -o pattern. Each task
# renders with as many threads as Slurm gave it CPUs (-t; $CPUS_PER_TASK here, default 1). BLENDER
# ARGS go ahead of the frame (e.g. -F PNG, or --python-expr for a check of your own). Further
# sbatch options go in $SBATCH_OPTIONS.
set -euo pipefail
if [ "${1:-}" = --frame ]; then  # in an array task: frame $SLURM_ARRAY_TASK_ID
  shift
  profile=$1 blend=$2 output=$3
  shift 3
  export BLENDER_USER_SCRIPTS=$profile/scripts BLENDER_USER_CONFIG=$profile/config
  check=$(dirname "$(realpath "$0")")/require_vistrelle.py
  [ -f "$check" ] || check=$profile/require_vistrelle.py
  exec blender -b "$blend" --python-exit-code 1 --python "$check" -o "$output" \
    -t "${SLURM_CPUS_PER_TASK:-1}" "$@" -f "${SLURM_ARRAY_TASK_ID:?not in a Slurm array task}"
fi
if [ $# -lt 5 ]; then sed -n '2,14p' "$0" >&2; exit 2; fi
profile=$(realpath "$1") blend=$(realpath "$2") output=$(realpath -m "$3") first=$4 last=$5
shift 5
# The check travels with the profile, so that the task finds it wherever this script is.
cp "$(dirname "$(realpath "$0")")/require_vistrelle.py" "$profile/require_vistrelle.py"
mkdir -p "$(dirname "$output")"
read -r -a extra <<<"${SBATCH_OPTIONS:-}"
job=$(sbatch --parsable "${extra[@]}" --job-name=vistrelle-render --array="$first-$last" \
  --cpus-per-task="${CPUS_PER_TASK:-1}" --output="$(dirname "$output")/render-%a.log" \
  "$(realpath "$0")" --frame "$profile" "$blend" "$output" "$@")
echo "renders: job ${job%%;*} (logs beside $output)"
