"""The check that every entry of the host headers states its protocol finds each kind of fault,
and only faults: run on small headers written for each case."""
import pathlib
import sys
import tempfile
import unittest

SCRIPTS = pathlib.Path(__file__).resolve().parents[1] / "scripts"
sys.path.insert(0, str(SCRIPTS))
import check_host_protocols as check  # noqa: E402  (found through the path above)

SOUND = "/* When: a.  Thread: b.  Owner: c.  Null: d.  Answers: FAULTY_DONE. */"


class Headers(unittest.TestCase):
    """Writes one header into a fresh folder and gives the entries found and the faults."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def entries(self, text):
        path = pathlib.Path(self.folder.name) / "record.h"
        path.write_text(text)
        return {name: check.protocol_fault(comment) for name, _, comment in check.entries(path)}


class EntriesFound(Headers):
    def test_members_functions_and_function_types_are_entries(self):
        found = self.entries(
            f"typedef struct R {{\n    {SOUND}\n    int (*member)(void);\n}} R;\n"
            f"{SOUND}\nint function(int value);\n"
            f"{SOUND}\ntypedef void (*Callback)(void *data);\n")
        self.assertEqual(set(found), {"member", "function", "Callback"})

    def test_a_declaration_over_several_lines_is_one_entry(self):
        found = self.entries(f"{SOUND}\nvoid (*spread)(\n    int first,\n    int second);\n")
        self.assertEqual(found, {"spread": None})

    def test_words_macros_and_slot_checks_are_no_entries(self):
        found = self.entries(
            "#define FAULTY_DONE 0\n#define TWICE(x) \\\n    ((x) * 2)\n"
            "typedef struct R {\n    void *slot1; /* slot 1: host's own */\n"
            "    ActivateFn activate; /* slot 2: protocol at its type */\n} R;\n"
            "VISTREL_SLOT(R, slot1, 1);\nstatic_assert(sizeof(R) == 2 * sizeof(void *), \"R\");\n")
        self.assertEqual(found, {})


class FaultsFound(Headers):
    def test_an_entry_without_a_comment(self):
        found = self.entries("typedef struct R {\n    int (*bare)(void);\n} R;\n")
        self.assertEqual(found["bare"], "no comment above it")

    def test_a_comment_parted_from_its_entry_by_code_does_not_count(self):
        found = self.entries(f"{SOUND}\nint other;\nint (*parted)(void);\n")
        self.assertEqual(found["parted"], "no comment above it")

    def test_a_missing_field_is_named(self):
        found = self.entries("/* When: a.  Thread: b.  Null: d.  Answers: nothing. */\n"
                             "void (*noOwner)(void);\n")
        self.assertEqual(found["noOwner"], "its comment lacks Owner:")

    def test_fields_out_of_order(self):
        found = self.entries("/* When: a.  Owner: c.  Thread: b.  Null: d.  Answers: nothing. */\n"
                             "void (*shuffled)(void);\n")
        self.assertIn("out of order", found["shuffled"])

    def test_a_bare_number_among_the_answers(self):
        found = self.entries("/* When: a.  Thread: b.  Owner: c.  Null: d.  Answers: 3 always. */\n"
                             "int (*numbered)(void);\n")
        self.assertIn("bare number", found["numbered"])

    def test_numbers_inside_names_are_no_bare_numbers(self):
        found = self.entries("/* When: a.  Thread: b.  Owner: c.  Null: d.  Answers: readInts32's"
                             " count, as FAULTY_V2. */\nint (*named)(void);\n")
        self.assertEqual(found["named"], None)


class TheFolderCheck(unittest.TestCase):
    def test_the_host_headers_pass_and_a_faulty_folder_fails(self):
        host = SCRIPTS.parents[1] / "host"
        self.assertEqual(check.main(["check", str(host)]), 0)
        with tempfile.TemporaryDirectory() as folder:
            (pathlib.Path(folder) / "faulty.h").write_text("void (*bare)(void);\n")
            self.assertEqual(check.main(["check", folder]), 1)
            (pathlib.Path(folder) / "faulty.h").write_text("#define NOTHING 0\n")
            self.assertEqual(check.main(["check", folder]), 1)


if __name__ == "__main__":
    unittest.main()
