#!/usr/bin/env bash
# Plays a scene's frames on a Slurm cluster: an array job whose tasks each run `vistrelle run` over
# a chunk of the frames, and a job that starts only once every task has succeeded (afterok) and
# puts the chunks together with `vistrelle assemble`, byte for byte what one machine writes.
#
#   examples/slurm/run-frames.sh SCENE OUT FIRST LAST CHUNKS [RUN OPTIONS...]
#   examples/slurm/run-frames.sh "$PWD/examples/bush.json" "$PWD/out/farm" 0 47 4 --gltf
#
# SCENE, OUT and the command must be on storage every node sees; the chunks go to OUT.parts/. The
# command is $VISTRELLE (default: vistrelle on the PATH), resolved at submission. Each task gets
# --jobs from the CPUs Slurm gave it (sbatch's --cpus-per-task; $CPUS_PER_TASK here, default 1),
# never one worker per core of the whole node. A failed chunk leaves the assembly job's dependency
# never satisfied, and --kill-on-invalid-dep=yes cancels it then, so that it never waits in the
# queue; the job ids are printed. Any further sbatch options go in $SBATCH_OPTIONS (e.g.
# "--partition=render --time=1:00:00").
set -euo pipefail
mode=${1:-}
case "$mode" in
  --chunk)  # in an array task: chunk $SLURM_ARRAY_TASK_ID of CHUNKS
    shift
    command=$1 scene=$2 out=$3 first=$4 last=$5 chunks=$6
    shift 6
    task=${SLURM_ARRAY_TASK_ID:?not in a Slurm array task}
    total=$((last - first + 1))
    per=$(((total + chunks - 1) / chunks))
    from=$((first + task * per))
    to=$((from + per - 1 < last ? from + per - 1 : last))
    if [ "$from" -gt "$last" ]; then echo "chunk $task: no frames left" >&2; exit 0; fi
    exec "$command" run "$scene" --out "$out.parts/chunk$task" --frames "$from-$to" \
      --jobs "${SLURM_CPUS_PER_TASK:-1}" --quiet "$@"
    ;;
  --assemble)  # in the job that runs after every chunk succeeded
    shift
    command=$1 out=$2 chunks=$3
    parts=()
    for ((k = 0; k < chunks; k++)); do
      [ -d "$out.parts/chunk$k" ] && parts+=("$out.parts/chunk$k")
    done
    exec "$command" assemble "$out" "${parts[@]}"
    ;;
esac

if [ $# -lt 5 ]; then
  sed -n '2,15p' "$0" >&2
  exit 2
fi
scene=$(realpath "$1") out=$(realpath -m "$2") first=$3 last=$4 chunks=$5
shift 5
command=$(command -v "${VISTRELLE:-vistrelle}") || { echo "vistrelle: not found (set VISTRELLE)" >&2; exit 1; }
command=$(realpath "$command")
script=$(realpath "$0")
read -r -a extra <<<"${SBATCH_OPTIONS:-}"
mkdir -p "$out.parts"
array=$(sbatch --parsable "${extra[@]}" --job-name=vistrelle-chunks --array="0-$((chunks - 1))" \
  --cpus-per-task="${CPUS_PER_TASK:-1}" --output="$out.parts/chunk%a.log" \
  "$script" --chunk "$command" "$scene" "$out" "$first" "$last" "$chunks" "$@")
array=${array%%;*}
assemble=$(sbatch --parsable "${extra[@]}" --job-name=vistrelle-assemble \
  --dependency="afterok:$array" --kill-on-invalid-dep=yes --output="$out.parts/assemble.log" \
  "$script" --assemble "$command" "$out" "$chunks")
echo "chunks: job $array (logs in $out.parts/), assembly: job ${assemble%%;*}"
