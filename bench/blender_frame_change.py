"""A frame change in headless Blender with the Vistrelle add-on against Blender's own Geometry Nodes
doing the same job, side by side in one Blender session, at 12k points (the demo bush) and at about
a million (the bush 84 times over): frames interleaved, medians of one run. Run by
scripts/bench-blender, which installs the add-on into a scratch user folder:

    scripts/bench-blender

Each size has two scenes with the same points and the same camera, keyed as the demo scene keys it:
- "Add-on": the bush as a mesh, turned by the add-on (its "Vistrelle" shape key rewritten on each
  frame change, 4 points a leaf, the camera as target, the add-on's default settings);
- "Nodes": one point per leaf (each leaf's first point), a Geometry Nodes modifier that instances one
  4-point card on every point, turned by Align Euler to Vector toward the camera (Object Info,
  relative), then Realize Instances: a mesh of as many points and faces as the bush.

A frame change is `scene.frame_set(frame)` then the update of the view layer's graph, which is
where Blender evaluates the mesh that the add-on's frame handler rewrote (the wall time of both).
The add-on's frame handler is taken off while the Nodes scene changes frame, so the add-on neither
runs nor rebuilds its session there. Beside the frame changes, also interleaved: the add-on's own
time in its handler (CPU time it records), the module's turn alone through the add-on's session,
and Blender's write of the shape key alone, to show where a frame change's time goes."""
import os
import statistics
import sys
import time
from pathlib import Path

import bpy
import numpy

ZIP = Path(os.environ["VISTREL_ADDON_ZIP"])
EXAMPLES = Path(os.environ["VISTREL_EXAMPLES"])
SIZES = ((1, 192), (84, 15))  # (copies of the bush, frame changes of each kind)


def host_to_blender(points):
    out = numpy.empty_like(points)
    out[:, 0], out[:, 1], out[:, 2] = points[:, 0], -points[:, 2], points[:, 1]
    return out


def read_bush():
    points, faces = [], []
    for line in (EXAMPLES / "bush.obj").read_text().splitlines():
        if line.startswith("v "):
            points.append(line.split()[1:4])
        elif line.startswith("f "):
            faces.append([int(corner.split("/")[0]) - 1 for corner in line.split()[1:]])
    return host_to_blender(numpy.array(points, numpy.float32)), numpy.array(faces, numpy.int32)


def tiled(points, faces, copies):
    """The bush `copies` times over, side by side, 12 to a row."""
    shifts = [numpy.array([1.2 * (i % 12), 1.2 * (i // 12), 0], numpy.float32) for i in range(copies)]
    return (numpy.concatenate([points + shift for shift in shifts]),
            numpy.concatenate([faces + i * len(points) for i in range(copies)]))


def mesh_of(name, points, quads):
    mesh = bpy.data.meshes.new(name)
    mesh.vertices.add(len(points))
    mesh.vertices.foreach_set("co", points.ravel())
    mesh.loops.add(quads.size)
    mesh.loops.foreach_set("vertex_index", quads.ravel())
    mesh.polygons.add(len(quads))
    mesh.polygons.foreach_set("loop_start", numpy.arange(0, quads.size, 4, dtype=numpy.int32))
    mesh.polygons.foreach_set("loop_total", numpy.full(len(quads), 4, numpy.int32))
    mesh.update()
    return mesh


def new_scene(name):
    scene = bpy.data.scenes.new(name)
    scene.render.fps, scene.render.fps_base = 24, 1.0
    scene.frame_start, scene.frame_end = 0, 47
    camera = bpy.data.objects.new(name + " Camera", None)
    scene.collection.objects.link(camera)
    # The demo scene's camera: round the bush once in 48 frames at 2.5 from its middle, 0.7 up.
    for frame in range(48):
        angle = 2 * numpy.pi * frame / 48
        camera.location = (2.5 * numpy.cos(angle), -2.5 * numpy.sin(angle), 0.7)
        camera.keyframe_insert("location", frame=frame)
    return scene, camera


def addon_scene(points, quads):
    scene, camera = new_scene("Add-on %d" % len(points))
    bush = bpy.data.objects.new("Bush %d" % len(points), mesh_of("Bush %d" % len(points), points, quads))
    scene.collection.objects.link(bush)
    bush.vistrelle.enabled = True
    bush.vistrelle.target = camera
    return scene, bush


def card_tree(camera):
    """Points in, one 4-point card instanced on each, turned toward `camera`, realized."""
    tree = bpy.data.node_groups.new("Cards toward the camera", "GeometryNodeTree")
    tree.inputs.new("NodeSocketGeometry", "Geometry")
    tree.outputs.new("NodeSocketGeometry", "Geometry")
    nodes, links = tree.nodes, tree.links
    given, result = nodes.new("NodeGroupInput"), nodes.new("NodeGroupOutput")
    card = nodes.new("GeometryNodeMeshGrid")
    card.inputs["Size X"].default_value, card.inputs["Size Y"].default_value = 0.1, 0.1
    card.inputs["Vertices X"].default_value, card.inputs["Vertices Y"].default_value = 2, 2
    target = nodes.new("GeometryNodeObjectInfo")
    target.transform_space = "RELATIVE"
    target.inputs["Object"].default_value = camera
    toward = nodes.new("ShaderNodeVectorMath")
    toward.operation = "SUBTRACT"
    links.new(target.outputs["Location"], toward.inputs[0])
    links.new(nodes.new("GeometryNodeInputPosition").outputs["Position"], toward.inputs[1])
    align = nodes.new("FunctionNodeAlignEulerToVector")
    align.axis = "Z"
    links.new(toward.outputs["Vector"], align.inputs["Vector"])
    place = nodes.new("GeometryNodeInstanceOnPoints")
    links.new(given.outputs["Geometry"], place.inputs["Points"])
    links.new(card.outputs["Mesh"], place.inputs["Instance"])
    links.new(align.outputs["Rotation"], place.inputs["Rotation"])
    realize = nodes.new("GeometryNodeRealizeInstances")
    links.new(place.outputs["Instances"], realize.inputs["Geometry"])
    links.new(realize.outputs["Geometry"], result.inputs["Geometry"])
    return tree


def nodes_scene(points):
    scene, camera = new_scene("Nodes %d" % len(points))
    pivots = points[0::4].copy()
    mesh = bpy.data.meshes.new("Pivots %d" % len(points))
    mesh.vertices.add(len(pivots))
    mesh.vertices.foreach_set("co", pivots.ravel())
    obj = bpy.data.objects.new("Cards %d" % len(points), mesh)
    scene.collection.objects.link(obj)
    modifier = obj.modifiers.new("Cards", "NODES")
    modifier.node_group = card_tree(camera)
    return scene, obj


def frame_change(scene, frame):
    started = time.perf_counter()
    scene.frame_set(frame)
    scene.view_layers[0].depsgraph.update()
    return (time.perf_counter() - started) * 1000


def evaluated(scene, obj):
    """The points (float32 (N, 3)) and the face count of `obj` as `scene` shows it."""
    mesh = obj.evaluated_get(scene.view_layers[0].depsgraph).data
    points = numpy.empty(len(mesh.vertices) * 3, numpy.float32)
    mesh.vertices.foreach_get("co", points)
    return points.reshape(-1, 3), len(mesh.polygons)


def measure(copies, rounds, bush_points, bush_quads):
    import vistrelle_addon.keys as keys
    import vistrelle_addon.player as player
    points, quads = tiled(bush_points, bush_quads, copies)
    addon, bush = addon_scene(points, quads)
    nodes, cards = nodes_scene(points)
    handler = player._on_frame_change
    # Once each, before timing: the add-on builds its session, Blender its graphs.
    frame_change(addon, 1)
    bpy.app.handlers.frame_change_post.remove(handler)
    frame_change(nodes, 1)
    bpy.app.handlers.frame_change_post.append(handler)
    # The same job: as many points and faces on both sides, and both turned (the add-on's key is
    # mixed in, the cards move when the camera does).
    turned, turned_faces = evaluated(addon, bush)
    carded, carded_faces = evaluated(nodes, cards)
    assert len(turned) == len(carded) == len(points) and turned_faces == carded_faces == len(quads)
    assert not numpy.array_equal(turned, points)
    bpy.app.handlers.frame_change_post.remove(handler)
    frame_change(nodes, 13)
    bpy.app.handlers.frame_change_post.append(handler)
    assert not numpy.array_equal(evaluated(nodes, cards)[0], carded)
    key = keys.live_key(bush)
    with_addon, with_nodes, in_handler, module, key_write = [], [], [], [], []
    for round_ in range(rounds):
        frame = 2 + round_ % 46
        # Which of the two goes first alternates from frame to frame.
        for which in ((0, 1) if round_ % 2 == 0 else (1, 0)):
            if which == 0:
                with_addon.append(frame_change(addon, frame))
                in_handler.append(player.PLAYER.last_turn_ms)
            else:
                bpy.app.handlers.frame_change_post.remove(handler)
                try:
                    with_nodes.append(frame_change(nodes, frame))
                finally:
                    bpy.app.handlers.frame_change_post.append(handler)
        turned = player.PLAYER.turned_points(bush)
        started = time.perf_counter()
        player.PLAYER.session.turn(frame, frame / 24.0, out=[numpy.empty_like(turned)])
        module.append((time.perf_counter() - started) * 1000)
        started = time.perf_counter()
        key.data.foreach_set("co", turned.ravel())
        key_write.append((time.perf_counter() - started) * 1000)
    figures = [statistics.median(m) for m in (with_addon, with_nodes, in_handler, module, key_write)]
    for scene in (addon, nodes):
        bpy.data.scenes.remove(scene)
    return len(points), figures


def main():
    bpy.ops.preferences.addon_install(filepath=str(ZIP), overwrite=True)
    bpy.ops.preferences.addon_enable(module="vistrelle_addon")
    bush_points, bush_quads = read_bush()
    print("| points | frame change, add-on | frame change, Geometry Nodes | add-on / nodes | "
          "add-on's handler (CPU) | module's turn alone | shape key's write alone | frames |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for copies, rounds in SIZES:
        count, (addon, nodes, handler, module, key_write) = measure(copies, rounds, bush_points, bush_quads)
        print("| %d | %.2f ms | %.2f ms | %.3f | %.2f ms | %.2f ms | %.2f ms | %d |"
              % (count, addon, nodes, addon / nodes, handler, module, key_write, rounds))
    print("Blender %s, %d threads" % (bpy.app.version_string, bpy.context.scene.render.threads))
    sys.stdout.flush()


main()
