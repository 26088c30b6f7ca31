"""Packs the vistrelle package, with the native parts it holds, as a wheel that pip installs:
vistrelle-VERSION-py3-none-PLATFORM.whl. Pure Python over ctypes, so one wheel serves every CPython 3.8
or later on its platform.

    python3 make_wheel.py OUT_FOLDER PACKAGE_FOLDER VERSION PLATFORM     (PLATFORM: linux_x86_64, win_amd64)
"""
import base64
import hashlib
import sys
import zipfile
from pathlib import Path

WHEEL = """Wheel-Version: 1.0
Generator: vistrelle make_wheel.py
Root-Is-Purelib: false
Tag: py3-none-{platform}
"""
# Every zip entry's time and mode are fixed, and entries go in the order given, so that two packings
# of one tree are the same bytes. (A zip's times start in 1980.)
ENTRY_TIME = (2020, 1, 1, 0, 0, 0)
RUNNABLE = (".so", ".dll", ".p")

METADATA = """Metadata-Version: 2.1
Name: vistrelle
Version: {version}
Summary: Play the Vistrelle displacement (vistrel.p) from Python, through the stand-in host's C library
Requires-Python: >=3.8
"""


def digest(data):
    return "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


def write_zip(path, files):
    """Writes `files`, (entry name, bytes) pairs, as the zip `path` in their order, each with ENTRY_TIME and
    mode 0755 (a library or module) or 0644; through a .part file, so that no half zip is left."""
    partial = Path(str(path) + ".part")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            entry = zipfile.ZipInfo(name, date_time=ENTRY_TIME)
            entry.external_attr = (0o100755 if name.endswith(RUNNABLE) else 0o100644) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix, whatever system packs it, so that the modes count
            z.writestr(entry, data)
    partial.replace(path)


def main(out, package, version, platform):
    out, package = Path(out), Path(package)
    info = "vistrelle-%s.dist-info" % version
    files = [("vistrelle/" + p.relative_to(package).as_posix(), p.read_bytes())
             for p in sorted(package.rglob("*")) if p.is_file() and "__pycache__" not in p.parts]
    files.append((info + "/METADATA", METADATA.format(version=version).encode()))
    files.append((info + "/WHEEL", WHEEL.format(platform=platform).encode()))
    record = "".join("%s,%s,%d\n" % (name, digest(data), len(data)) for name, data in files)
    files.append((info + "/RECORD", (record + info + "/RECORD,,\n").encode()))
    out.mkdir(parents=True, exist_ok=True)
    wheel = out / ("vistrelle-%s-py3-none-%s.whl" % (version, platform))
    write_zip(wheel, files)
    print(wheel)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip())
    main(*sys.argv[1:])
