"""Packs the Blender add-on: the add-on's Python files and the vistrelle package with the native parts it
holds (the C library and vistrel.p of each platform, under vistrelle/native/<platform>/), as one
folder that Edit > Preferences > Add-ons > Install takes, or as a Blender 4.2+ extension
(blender_manifest.toml at the top). The package picks the native part of the platform it runs on.

    python3 make_zip.py OUT.zip ADDON_FOLDER PACKAGE_FOLDER [--native PLATFORM=FOLDER ...] [--extension MANIFEST]

--native adds a platform's native part (FOLDER holds its library and vistrel.p) to those the package
folder holds already; --extension packs an extension with MANIFEST (its "platforms" listing them).
"""
import sys
from pathlib import Path

# The zip writer of the wheels: fixed times, modes and order, so that two packings are the same bytes.
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "python"))
from make_wheel import write_zip  # noqa: E402

FOLDER = "vistrelle_addon"


def main(arguments):
    if len(arguments) < 3:
        sys.exit(__doc__.strip())
    out, addon, package = Path(arguments[0]), Path(arguments[1]), Path(arguments[2])
    natives, manifest, rest = {}, None, arguments[3:]
    while rest:
        option, value, rest = rest[0], rest[1] if len(rest) > 1 else None, rest[2:]
        if option == "--native" and value and "=" in value:
            platform, folder = value.split("=", 1)
            natives[platform] = Path(folder)
        elif option == "--extension" and value:
            manifest = Path(value)
        else:
            sys.exit(__doc__.strip())
    top = "" if manifest else FOLDER + "/"
    files = [(p, top + p.name) for p in sorted(addon.glob("*.py"))]
    files += [(p, top + "vistrelle/" + p.relative_to(package).as_posix()) for p in sorted(package.rglob("*"))
              if p.is_file() and "__pycache__" not in p.parts]
    for platform, folder in sorted(natives.items()):
        files += [(p, top + "vistrelle/native/%s/%s" % (platform, p.name)) for p in sorted(folder.iterdir()) if p.is_file()]
    if manifest:
        files.append((manifest, "blender_manifest.toml"))
    entries = dict((name, source) for source, name in files)  # a later file of one name replaces an earlier
    write_zip(out, [(name, source.read_bytes()) for name, source in entries.items()])


if __name__ == "__main__":
    main(sys.argv[1:])
