"""Packs the Blender add-on: the extension's Python files and the vistrelle package with the native
parts it holds (the C library and vistrel.p of each platform, under vistrelle/native/<platform>/),
under one folder, as Edit > Preferences > Add-ons > Install takes it.

    python3 make_zip.py OUT.zip ADDON_FOLDER PACKAGE_FOLDER
"""
import sys
import zipfile
from pathlib import Path

FOLDER = "vistrelle_addon"


def main(out, addon, package):
    addon, package = Path(addon), Path(package)
    files = [(p, f"{FOLDER}/{p.name}") for p in sorted(addon.glob("*.py"))]
    files += [(p, f"{FOLDER}/vistrelle/{p.relative_to(package).as_posix()}") for p in sorted(package.rglob("*"))
              if p.is_file() and "__pycache__" not in p.parts]
    partial = Path(str(out) + ".part")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for source, name in files:
            z.write(source, name)
    partial.replace(out)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip())
    main(*sys.argv[1:])
