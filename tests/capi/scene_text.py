"""Writes the demo bush as play_scene reads it (hexadecimal floats, every bit kept), and compares the
floats two builds wrote.

    python3 scene_text.py write SCENE.json OUT.txt    one target (the scene's first item), one object
    python3 scene_text.py same A B                    A and B hold the same bits
    python3 scene_text.py near A B ULPS               every float of B within ULPS float steps of its
                                                      point's largest coordinate in A; prints counts
    python3 scene_text.py floats DOUBLES OUT          the doubles of DOUBLES rounded to float
"""
import array
import json
import math
import struct
import sys
from pathlib import Path


def write(scene_path, out):
    scene_path = Path(scene_path)
    scene = json.loads(scene_path.read_text())
    target, obj = scene["items"][0], scene["items"][1]
    frames = scene["frames"]
    data = scene["displacements"][0]["data"]
    points = [line.split()[1:4] for line in (scene_path.parent / obj["mesh"]["file"]).read_text().splitlines()
              if line.startswith("v ")]
    lines = ["fps %s %d %d" % (float(frames["fps"]).hex(), frames["start"], frames["end"]),
             "settings " + " ".join(str(int(v)) for v in data),
             "keys %d" % len(target["keys"])]
    lines += ["%s %s %s %s" % ((float(k["time"]).hex(),) + tuple(float(v).hex() for v in k["position"]))
              for k in target["keys"]]
    lines.append("points %d" % len(points))
    as_float = array.array("f")
    for p in points:
        as_float.extend(float(v) for v in p)
    lines += ["%s %s %s" % tuple(float(v).hex() for v in as_float[3 * i:3 * i + 3]) for i in range(len(points))]
    Path(out).write_text("\n".join(lines) + "\n")


def floats_of(path):
    values = array.array("f")
    values.frombytes(Path(path).read_bytes())
    if sys.byteorder != "little":
        values.byteswap()
    return values


def same(a, b):
    if Path(a).read_bytes() != Path(b).read_bytes():
        sys.exit("%s and %s differ" % (a, b))
    print("%s and %s hold the same %d floats, bit for bit" % (a, b, len(floats_of(a))))


def near(a, b, bound):
    a, b, bound = floats_of(a), floats_of(b), float(bound)
    if len(a) != len(b):
        sys.exit("%d floats against %d" % (len(a), len(b)))
    worst, differing = 0.0, 0
    for p in range(0, len(a), 3):
        scale = max(abs(v) for v in a[p:p + 3])
        ulp = 2.0 ** (math.frexp(scale)[1] - 24) if scale > 0 else 2.0 ** -149  # a float's step there
        for x, y in zip(a[p:p + 3], b[p:p + 3]):
            if struct.pack("f", x) != struct.pack("f", y):
                differing += 1
                worst = max(worst, abs(x - y) / ulp)
    print("%d of %d floats differ, the largest by %g float steps" % (differing, len(a), worst))
    if worst > bound:
        sys.exit("more than %g float steps apart" % bound)


def floats(doubles, out):
    values = array.array("d")
    values.frombytes(Path(doubles).read_bytes())
    Path(out).write_bytes(array.array("f", values).tobytes())


if __name__ == "__main__":
    commands = {"write": write, "same": same, "near": near, "floats": floats}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit(__doc__.strip())
    commands[sys.argv[1]](*sys.argv[2:])
