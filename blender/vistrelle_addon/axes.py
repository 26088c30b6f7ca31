"""The object's own axes and the host's. The host (like OBJ and glTF files) has Y up. A mesh made in
Blender has Z up: its point (x, y, z) is (x, z, -y) to the host. A mesh that Blender 3.4's OBJ importer
brought in keeps the file's Y-up points and carries the turn to Z-up in its object's rotation: its
points are the host's as they are. Only signs and places change, so no bit is lost either way."""
import numpy

UP_AXES = (("Z", "Z (Blender)", "The mesh's points have Z up, as meshes made in Blender do"),
           ("Y", "Y (as in the file)", "The mesh's points have Y up, as the OBJ importer keeps them"))


def to_host(points, up, out=None):
    """The object's points (N, 3) as the host's, float32."""
    out = numpy.empty(points.shape, numpy.float32) if out is None else out
    if up == "Y":
        out[:] = points
        return out
    out[:, 0] = points[:, 0]
    out[:, 1] = points[:, 2]
    out[:, 2] = points[:, 1]
    numpy.negative(out[:, 2], out=out[:, 2])
    return out


def to_object(points, up, out=None):
    """Host points (N, 3) in the object's axes, float32."""
    out = numpy.empty(points.shape, numpy.float32) if out is None else out
    if up == "Y":
        out[:] = points
        return out
    out[:, 0] = points[:, 0]
    out[:, 1] = points[:, 2]
    numpy.negative(out[:, 1], out=out[:, 1])
    out[:, 2] = points[:, 1]
    return out


def vector_to_host(v, up):
    if up == "Y":
        return (float(v[0]), float(v[1]), float(v[2]))
    return (float(v[0]), float(v[2]), -float(v[1]))
