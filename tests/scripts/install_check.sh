#!/usr/bin/env bash
# The installed command on its own. Installs BUILD into a temporary prefix, moves the prefix, and
# plays the demo bush from it in a private mount namespace where SOURCE and BUILD are empty folders,
# so that nothing can come from the clone or the build: the default module, three.js and the viewer
# page must all come from the install. No installed file may name the clone or the build (left out
# for "sanitized" builds); with "browser", the page is then checked in headless Chromium.
#   install_check.sh BUILD SOURCE plain|browser|sanitized
# Exits 77 (skipped) where no mount namespace can be made.
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd) checks=$3
fail() { echo "install_check: $*" >&2; exit 1; }

unshare --mount true 2>/dev/null || { echo "install_check: cannot make a mount namespace here; skipped"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vistrelle-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
case "$work/" in "$source"/* | "$build"/*) fail "$work lies inside the clone or the build; set TMPDIR elsewhere" ;; esac

cmake --install "$build" --prefix "$work/first" --strip >/dev/null
mv "$work/first" "$work/prefix"
for file in bin/vistrelle lib/vistrelle/vistrel.p share/vistrelle/three.cjs share/vistrelle/three.LICENSE; do
  [ -f "$work/prefix/$file" ] || fail "the install has no $file"
done
if [ "$checks" != sanitized ] && grep -rlF -e "$source" -e "$build" "$work/prefix"; then
  fail "the installed files above name $source or $build"
fi

mkdir "$work/demo"
cp "$source/examples/bush.json" "$source/examples/bush.obj" "$work/demo/"
# In the namespace: the clone and the build hidden under empty folders, then the demo from the install.
unshare --mount -- bash -euo pipefail -c '
  source=$1 build=$2 prefix=$3 demo=$4
  mount -t tmpfs none "$source"
  [ -d "$build" ] && mount -t tmpfs none "$build"
  [ ! -e "$source/web" ] && [ ! -e "$build/bin" ] || { echo "install_check: the clone is still visible" >&2; exit 1; }
  cd "$demo"
  "$prefix/bin/vistrelle" --version | grep -qF "module $prefix/lib/vistrelle/vistrel.p" ||
    { echo "install_check: the default module is not the installed one" >&2; exit 1; }
  "$prefix/bin/vistrelle" run bush.json --out out --frames 0-11 --quiet >/dev/null 2>run.err
  [ ! -s run.err ] || { echo "install_check: the run warned:" >&2; cat run.err >&2; exit 1; }
' install_check "$source" "$build" "$work/prefix" "$work/demo"

out=$work/demo/out
grep -qF '})(window.THREE = {});' "$out/three.js" || fail "the run's three.js is not three's build"
[ "$(find "$out/viewer" -name 'Bush.*.js' | wc -l)" -eq 13 ] || fail "the run did not write the base and 12 frames of the viewer"
grep -qF '<script src="three.js"></script>' "$out/index.html" || fail "the run wrote no viewer page"
if [ "$checks" = browser ]; then
  node "$source/web/viewer_check.mjs" "$out/index.html" "$work/shots"
fi
echo "the installed command played the demo with the clone and the build hidden"
