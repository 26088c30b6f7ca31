"""Packs the Blender add-on: the extension's Python files, the compiled vistrelle package and vistrel.p,
under one folder, as Edit > Preferences > Add-ons > Install takes it.

    python3 make_zip.py OUT.zip ADDON_FOLDER PACKAGE_FOLDER MODULE_FILE
"""
import sys
import zipfile
from pathlib import Path

FOLDER = "vistrelle_addon"


def main(out, addon, package, module):
    addon, package, module = Path(addon), Path(package), Path(module)
    files = [(p, f"{FOLDER}/{p.name}") for p in sorted(addon.glob("*.py"))]
    files += [(p, f"{FOLDER}/vistrelle/{p.name}") for p in sorted(package.iterdir())
              if p.suffix in (".py", ".so", ".pyi") or p.name == "py.typed"]
    files.append((module, f"{FOLDER}/vistrel.p"))
    partial = Path(str(out) + ".part")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for source, name in files:
            z.write(source, name)
    partial.replace(out)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip())
    main(*sys.argv[1:])
