"""Compares the points of two OBJ files written from the same mesh on two platforms.

usage: obj_ulps.py REFERENCE.obj OTHER.obj BOUND

Every other line must be the same; each coordinate of a `v` line must lie within BOUND ulps (of a
float, at the largest coordinate of its point) of the reference's. Prints how many coordinates
differ and by how much at most; exits 1 past the bound or on any other difference.
"""
import math
import sys


def float_ulp(scale):
    """The gap between floats at `scale` (the smallest normal float's gap below it)."""
    if scale < 2.0**-126:
        return 2.0**-149
    return 2.0 ** (math.floor(math.log2(scale)) - 23)


def main(reference_path, other_path, bound):
    with open(reference_path, encoding="utf-8") as f:
        reference = f.read().splitlines()
    with open(other_path, encoding="utf-8") as f:
        other = f.read().splitlines()
    if len(reference) != len(other):
        print(f"{len(other)} lines, the reference has {len(reference)}")
        return 1
    differing = 0
    largest = 0.0
    for number, (a, b) in enumerate(zip(reference, other), start=1):
        if a == b:
            continue
        if not (a.startswith("v ") and b.startswith("v ")):
            print(f"line {number} differs: {a!r} against {b!r}")
            return 1
        xs = [float(t) for t in a.split()[1:4]]
        ys = [float(t) for t in b.split()[1:4]]
        ulp = float_ulp(max(abs(x) for x in xs))
        for x, y in zip(xs, ys):
            if x != y:
                differing += 1
                largest = max(largest, abs(x - y) / ulp)
    print(f"{differing} coordinates differ, by {largest:g} ulps at most")
    return 0 if largest <= bound else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], float(sys.argv[3])))
