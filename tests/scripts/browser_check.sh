#!/usr/bin/env bash
# Runs scenes through the vistrelle command and checks what a browser and glTF tools get from them.
#   browser_check.sh gltf|viewer|card|pictures VISTRELLE SOURCE_DIR WORK_DIR
# gltf:   the demo bush and the single card with --gltf, every .glb through the Khronos validator;
# viewer: the demo bush's index.html in headless Chromium (tests in web/viewer_check.mjs), whose
#         screenshot of the viewer is WORK_DIR/shots/viewer.png (the one in docs/ is a copy);
# card:   a single card's page, seen from the target, shows the card's facing colour.
# pictures: the demo bush's SVG picture of frame 11 in headless Chromium looks as the one the
#         renderer wrote before it left out what cannot be seen (tests/data/svg/, web/picture_compare.mjs).
set -euo pipefail
mode=$1 vistrelle=$2 source=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
case "$mode" in
  gltf)
    "$vistrelle" run "$source/examples/bush.json" --out "$work/bush" --frames 0-5 --gltf --quiet >/dev/null
    "$vistrelle" run "$source/tests/data/viewer/card.json" --out "$work/card" --gltf --quiet >/dev/null
    "$vistrelle" apply "$source/examples/bush.obj" --target 3,1,-2 --gltf "$work/turned.glb" >/dev/null
    node "$source/web/validate_gltf.mjs" "$work/bush/Bush.glb" "$work/card/Card.glb" "$work/turned.glb" ;;
  viewer)
    "$vistrelle" run "$source/examples/bush.json" --out "$work/bush" --frames 0-11 --quiet >/dev/null
    node "$source/web/viewer_check.mjs" "$work/bush/index.html" "$work/shots" ;;
  card)
    "$vistrelle" run "$source/tests/data/viewer/card.json" --out "$work/card" --quiet >/dev/null
    node "$source/web/viewer_check.mjs" "$work/card/index.html" "$work/shots" --single-card ;;
  pictures)
    # The reference frames the bush and the camera's path over frames 0 to 11: the pictures'
    # camera is fitted to the scene's own frames, so the scene here ends at frame 11.
    cp "$source/examples/bush.obj" "$work/bush.obj"
    sed 's/"end": 47/"end": 11/' "$source/examples/bush.json" >"$work/bush.json"
    "$vistrelle" run "$work/bush.json" --out "$work/bush" --no-obj --quiet >/dev/null
    node "$source/web/picture_compare.mjs" "$source/tests/data/svg/bush_frame11_before.svg.gz" \
      "$work/bush/Bush.0011.svg" "$work/bush/Bush.0000.svg" "$work/shots" ;;
  *) echo "usage: browser_check.sh gltf|viewer|card|pictures VISTRELLE SOURCE_DIR WORK_DIR" >&2; exit 2 ;;
esac
