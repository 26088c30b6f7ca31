#!/usr/bin/env python3
"""Finds every entry of the host interface's C headers (each function-pointer member, each
function-pointer type and each function) and fails, naming header, line and entry, where the
comment right above it lacks the fixed protocol fields, in order:

    /* When: ...  Thread: ...  Owner: ...  Null: ...  Answers: ... */

A member whose type is a function-pointer type of these headers carries the protocol at the type.
The Answers field names its values as constants of the headers: a bare number there is a fault.

    check_host_protocols.py FOLDER          checks FOLDER/*.h (or FOLDER itself, when it is a header)
    check_host_protocols.py --list FOLDER   prints every entry found, with its answers
"""
import pathlib
import re
import sys

FIELDS = ("When:", "Thread:", "Owner:", "Null:", "Answers:")

# One C declaration: a type, then `(*name)(` for a function pointer, or `name(` for a function.
POINTER = re.compile(r"\(\s*\*\s*(\w+)\s*\)\s*\(")
FUNCTION = re.compile(r"^\s*(?:extern\s+)?[A-Za-z_][\w\s\*]*?[\s\*](\w+)\s*\([^()]*\)\s*;")
NUMBER = re.compile(r"(?<![\w.])\d+(?![\w.])")


def code_and_comments(text):
    """The text with every comment blanked out (lines kept), and the comments as (end, body)."""
    code, comments, i = [], [], 0
    for match in re.finditer(r"/\*.*?\*/|//[^\n]*", text, re.S):
        code.append(text[i:match.start()])
        code.append(re.sub(r"[^\n]", " ", match.group()))
        comments.append((match.start(), match.end(), match.group()))
        i = match.end()
    code.append(text[i:])
    # Preprocessor lines (with their continuations) declare nothing.
    blank = lambda match: re.sub(r"[^\n]", " ", match.group())
    return re.sub(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", blank, "".join(code), flags=re.M), comments


def statements(code):
    """Each top-level or member declaration ending in `;`, with its start offset."""
    start = 0
    for match in re.finditer(r"[;{}]", code):
        piece = code[start:match.end()]
        if match.group() == ";":
            yield start + len(piece) - len(piece.lstrip()), piece.strip()
        start = match.end()


def comment_above(text, comments, offset):
    """The comment that ends right before `offset`, only blank space between; None if there is none."""
    for begin, end, body in reversed(comments):
        if end <= offset:
            return body if text[end:offset].strip() == "" else None
    return None


def entries(path):
    text = path.read_text()
    code, comments = code_and_comments(text)
    for offset, statement in statements(code):
        if "static_assert" in statement or "VISTREL_" in statement:
            continue
        flat = " ".join(statement.split())
        match = POINTER.search(flat) or FUNCTION.match(flat)
        if match is None:
            continue
        yield match.group(1), text.count("\n", 0, offset) + 1, comment_above(text, comments, offset)


def protocol_fault(comment):
    """What is wrong with an entry's comment, or None."""
    if comment is None:
        return "no comment above it"
    places = [comment.find(field) for field in FIELDS]
    missing = [field for field, place in zip(FIELDS, places) if place < 0]
    if missing:
        return "its comment lacks " + ", ".join(missing)
    if places != sorted(places):
        return "its comment has the fields out of order (" + "  ".join(FIELDS) + ")"
    answers = comment[places[-1] + len("Answers:"):]
    if NUMBER.search(answers.replace("UTF-8", "UTF")):  # the encoding's name is no answer
        return "its Answers field has a bare number: " + " ".join(answers.split()).rstrip("*/ ")
    return None


def main(argv):
    listing = "--list" in argv
    folders = [a for a in argv[1:] if a != "--list"]
    if len(folders) != 1:
        print(__doc__)
        return 2
    given = pathlib.Path(folders[0])
    headers = [given] if given.is_file() else sorted(given.glob("*.h"))
    faults, found = [], 0
    for header in headers:
        for name, line, comment in entries(header):
            found += 1
            if listing:
                answers = comment.split("Answers:")[-1] if comment and "Answers:" in comment else ""
                print(f"{header.name}:{line}: {name}: {' '.join(answers.split()).rstrip('*/ ')}")
            if fault := protocol_fault(comment):
                faults.append(f"{header}:{line}: {name}: {fault}")
    for fault in faults:
        print(fault)
    if found == 0:
        print(f"{folders[0]}: no entry found; is this the host interface's folder?")
        return 1
    if not faults:
        print(f"{found} entries of {len(headers)} headers state their protocol")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
