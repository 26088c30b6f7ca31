#!/usr/bin/python3
"""Writes the seed inputs of the readers' fuzz target into FOLDER: a .gltf file with its buffer in a
data URI and one with it in buffer.bin, a .glb file, an OBJ file and a scene file, each behind the
byte that chooses its reader (its value modulo 4: 0 .gltf, 1 .glb, 2 OBJ, 3 scene; so the text
seeds start with the digit "0", "2" or "3"), and a run's record behind the byte 0xFF."""
import base64
import json
import pathlib
import struct
import sys

POINTS = [0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0]
UVS = [0, 0, 1, 0, 1, 1, 0, 1]
INDICES = [0, 1, 2, 0, 2, 3]


def buffer_bytes():
    data = struct.pack("<12f", *POINTS) + struct.pack("<8f", *UVS) + struct.pack("<6H", *INDICES)
    return data + b"\0" * (-len(data) % 4)


def document(buffer):
    return {
        "asset": {"version": "2.0"},
        "buffers": [buffer],
        "bufferViews": [
            {"buffer": 0, "byteOffset": 0, "byteLength": 48, "byteStride": 12},
            {"buffer": 0, "byteOffset": 48, "byteLength": 32},
            {"buffer": 0, "byteOffset": 80, "byteLength": 12},
        ],
        "accessors": [
            {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3"},
            {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
            {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"},
        ],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "mode": 4}]}],
        "images": [{"uri": "buffer.bin"}],
    }


def glb(json_text, binary):
    json_bytes = json_text.encode() + b" " * (-len(json_text) % 4)
    chunks = struct.pack("<II", len(json_bytes), 0x4E4F534A) + json_bytes + struct.pack("<II", len(binary), 0x004E4942) + binary
    return struct.pack("<III", 0x46546C67, 2, 12 + len(chunks)) + chunks


def main():
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    data = buffer_bytes()
    embedded = {"byteLength": len(data), "uri": "data:application/octet-stream;base64," + base64.b64encode(data).decode()}
    external = dict(document({"byteLength": 36, "uri": "buffer%2Ebin"}))
    external["bufferViews"] = [{"buffer": 0, "byteLength": 36}]
    external["accessors"] = [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"}]
    external["meshes"] = [{"primitives": [{"attributes": {"POSITION": 0}}]}]
    seeds = {
        "gltf-embedded": b"0" + json.dumps(document(embedded)).encode(),
        "gltf-external": b"0" + json.dumps(external).encode(),
        "glb": b"\1" + glb(json.dumps(document({"byteLength": len(data)})), data),
        "obj": b"2" + b"# a card\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 4/1/1\nl 1 2\np -1\n",
        "scene": b"3" + b"""{
  // a scene
  "format": 1,
  "frames": {"start": 0, "end": 2, "fps": 24},
  "items": [
    {"name": "Bee", "keys": [{"time": 0, "position": [0, 1, 0]}, {"time": 2, "position": [3, 1, 0]}]},
    {"name": "Bush", "position": [0, 0, 0], "mesh": {"file": "leaves.obj"}},
    {"name": "Card", "position": [1, 0, 0], "mesh": {"points": [[0, 0, 0], [1, 0, 0], [1, 1, 0]]}}
  ],
  "displacements": [{"object": "Bush", "server": "Vistrelle", "data": [4, 1, 0, 1, 0]}]
}
""",
    }
    # One seed for each refusal of bounded reading: line ends, what follows a point, primitive modes,
    # whole triangles, NUL bytes and a .glb that is no .glb.
    card = b"v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"
    seeds["obj-cr"] = b"2" + card.replace(b"\n", b"\r")
    seeds["obj-mixed-ends"] = b"2" + b"v 0 0 0\rv 1 0 0\r\nv 1 1 0\nv 0 1 0\rf 1 2 3\r\n"
    seeds["obj-point-extras"] = b"2" + b"v 0 0 0 1\nv 1 0 0 0.5 0.5 0.5\nv 1 1 0 # c\nv 0 1 0 1 junk\n"
    seeds["obj-point-two-extras"] = b"2" + b"v 0 0 0 1 1\n"
    seeds["obj-nul"] = b"2" + b"v 0 0 0\n\0v 1 0 0\n"
    for mode in (0, 1, 5, 6, 99):
        strip = document(embedded)
        strip["meshes"][0]["primitives"][0]["mode"] = mode
        if mode != 4:
            del strip["meshes"][0]["primitives"][0]["indices"]
        seeds["gltf-mode-%d" % mode] = b"0" + json.dumps(strip).encode()
    five = document(embedded)
    five["accessors"][2]["count"] = 5
    seeds["gltf-five-indices"] = b"0" + json.dumps(five).encode()
    seeds["glb-not-glb"] = b"\1" + b"\0" * 64
    seeds["scene-nul"] = b"3" + b'{"format": 1,\0 "items": []}'
    record = {"kind": "vistrelle run record 1", "scene": "0123456789abcdef", "module": "fedcba9876543210",
              "obj": True, "svg": True, "gltf": True, "every": 1, "framesPerSecond": 24.0, "digits": 4,
              "caption": "Object points 4", "leafPoints": 4, "pivotRule": 0,
              "objects": [{"name": "Bush", "stem": "Bush", "points": 8, "corners": 12, "texcoords": True}],
              "frames": [{"frame": 0, "seconds": 0.0, "target": [1.0, 2.0, 3.0]},
                         {"frame": 1, "seconds": 0.041666666666666664, "target": None}]}
    seeds["run-record"] = b"\xff" + json.dumps(record).encode()
    for name, content in seeds.items():
        (folder / name).write_bytes(content)


if __name__ == "__main__":
    main()
