"""scripts/mutants on small C++ texts.

A sampler fails quietly: a mutant inside a declaration, a template bracket or
a string does not build or changes nothing, and only lowers the numbers. These
cases hold the operators to code that runs, and the run to a tree put back."""

import importlib.machinery
import importlib.util
import json
import random
import shutil
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "mutants"
_loader = importlib.machinery.SourceFileLoader("mutants", str(SCRIPT))
mutants = importlib.util.module_from_spec(importlib.util.spec_from_loader("mutants", _loader))
_loader.exec_module(mutants)


def mutated_lines(code, compiled_lines=None):
    """{line: {(kind, that line after the mutation)}} of every mutant of code."""
    found = {}
    for line, candidates in mutants.mutants_by_line(code, "x.cpp", compiled_lines).items():
        for m in candidates:
            found.setdefault(line, set()).add((m.kind, m.apply(code).splitlines()[line - 1].strip()))
    return found


def kinds(found, line):
    return {kind for kind, _ in found.get(line, ())}


class TokenTest(unittest.TestCase):
    def test_template_brackets_arrows_and_shifts_of_streams_are_not_operators(self):
        found = mutated_lines(
            "int f(Foo* p, std::ostream& out) {\n"
            "    out << p->m_n << std::max<int>(p->m_a, 2);\n"
            "    return static_cast<int>(p->m_a) < p->m_b;\n"
            "}\n")
        self.assertEqual(kinds(found, 2), {"delete", "constant"})
        self.assertIn(("relational", "return static_cast<int>(p->m_a) <= p->m_b;"), found[3])
        for line in found.values():
            for _, text in line:
                self.assertNotIn("+>", text)
                self.assertNotIn("<=int", text)
                self.assertNotIn("int>=", text)

    def test_strings_characters_and_comments_are_left_alone(self):
        found = mutated_lines(
            'void f() {\n'
            '    g("a < b + 1", \'-\', u8"x == y", R"(p && q)"); // a && b - 1\n'
            '    /* if (x) return 1; */\n'
            '}\n')
        self.assertEqual(kinds(found, 2), {"delete"})
        self.assertNotIn(3, found)

    def test_pointers_and_references_are_not_products_or_conjunctions(self):
        found = mutated_lines(
            "int f(const char* p, int&& r, int* q) {\n"
            "    return *p * r && q;\n"
            "    for (auto&& s = p; *s != 0; ++s) r = r * 2;\n"
            "}\n")
        self.assertNotIn(1, found)
        self.assertFalse({t for _, t in found[3]} & {"for (auto|| s = p; *s != 0; ++s) r = r * 2;",
                                                   "for (auto/ s = p; *s != 0; ++s) r = r * 2;"})
        self.assertIn(("arithmetic", "for (auto&& s = p; *s != 0; ++s) r = r / 2;"), found[3])
        self.assertIn(("arithmetic", "return *p / r && q;"), found[2])
        self.assertIn(("logical", "return *p * r || q;"), found[2])
        self.assertEqual(len([t for k, t in found[2] if k == "arithmetic"]), 1)

    def test_a_swapped_logical_operator_of_a_chain_is_bracketed(self):
        found = mutated_lines("bool f(char c) { return c == '7' || c == '8' || g(c, 1); }\n")
        logical = {t for k, t in found[1] if k == "logical"}
        self.assertEqual(logical, {"bool f(char c) { return (c == '7' && c == '8') || g(c, 1); }",
                                   "bool f(char c) { return c == '7' || (c == '8' && g(c, 1)); }"})

    def test_constants_keep_their_base_and_suffix(self):
        found = mutated_lines("unsigned f() { return 0x0F + 0777u - 0; }\n")
        texts = {t for _, t in found[1]}
        self.assertTrue({"unsigned f() { return 0x10 + 0777u - 0; }",
                         "unsigned f() { return 0x0E + 0777u - 0; }",
                         "unsigned f() { return 0x0F + 01000u - 0; }",
                         "unsigned f() { return 0x0F + 0777u - 1; }"} <= texts)
        self.assertNotIn("unsigned f() { return 0x0F + 0777u - -1; }", texts)


class DeclarationTest(unittest.TestCase):
    def test_declarations_offer_no_mutant_and_initialisers_do(self):
        found = mutated_lines(
            "using Text = std::basic_string<char16_t>;\n"
            "constexpr size_t kChunk = 64 * 1024;\n"
            "struct CFoo : public CBar<2> {\n"
            "    int Get(int n = 3) const;\n"
            "    int m_nCount = 1;\n"
            "    char m_szName[32];\n"
            "};\n"
            "static_assert(sizeof(CFoo) == 40, \"layout\");\n"
            "int CFoo::Get(int n) const {\n"
            "    int nResult;\n"
            "    std::vector<int> values;\n"
            "    int nFirst = n - 1;\n"
            "    int nLast{n + 1};\n"
            "    nResult = n;\n"
            "    return nResult + nFirst;\n"
            "}\n")
        self.assertEqual(sorted(found), [2, 5, 12, 13, 14, 15])
        self.assertEqual(kinds(found, 2), {"arithmetic", "constant"})
        self.assertEqual(kinds(found, 12), {"arithmetic", "constant"})
        self.assertEqual(kinds(found, 13), {"arithmetic", "constant"})
        self.assertEqual(kinds(found, 14), {"delete"})

    def test_windows_blocks_are_not_drawn_and_do_not_break_the_braces(self):
        code = ("#ifdef _WIN32\n"              # 1
                "int Open(const char* p) {\n"  # 2
                "    return _open(p, 1);\n"    # 3
                "#else\n"                      # 4
                "int Open(const char* p) {\n"  # 5
                "    return open(p, 2);\n"     # 6
                "#endif\n"                     # 7
                "}\n"                          # 8
                "void Close(int n) { n = close(n + 1); }\n")
        found = mutated_lines(code, compiled_lines={5, 6, 8, 9})
        self.assertEqual(sorted(found), [6, 9])
        self.assertEqual(kinds(found, 9), {"arithmetic", "constant", "delete"})


class CompiledLinesTest(unittest.TestCase):
    @unittest.skipUnless(shutil.which("c++"), "no C++ compiler")
    def test_the_compile_command_of_a_file_tells_which_of_its_blocks_are_built(self):
        with tempfile.TemporaryDirectory() as directory:
            source = Path(directory) / "x.cpp"
            source.write_text("#include <csignal>\n"
                              "#define TWICE(x) ((x) * 2)\n"
                              "int f(int n) {\n"
                              "#ifdef _WIN32\n"
                              "    n = n + 1;\n"
                              "#elif defined(SIGHUP)\n"
                              "    n = n - 1;\n"
                              "#endif\n"
                              "    n = TWICE(n +\n"  # the preprocessor joins the call,
                              "        3 +\n"        # leaving this line empty
                              "        4);\n"
                              "    return n;\n"
                              "}\n")
            (Path(directory) / "compile_commands.json").write_text(json.dumps([{
                "directory": directory, "file": str(source),
                "command": f"c++ -std=c++17 -MD -MF x.d -o x.o -c {source}"}]))
            lines = mutants.BuildTree(directory, directory).compiled_lines(source)
            self.assertTrue({3, 7, 9, 12, 13} <= lines <= set(range(1, 14)) - {5})
            found = mutated_lines(source.read_text(), lines)
            self.assertEqual(sorted(found), [7, 9, 10, 11])


class StatementTest(unittest.TestCase):
    def test_labels_else_if_and_do_while_start_statements(self):
        found = mutated_lines(
            "void f(int n) {\n"
            "    switch (n) {\n"
            "        case 1: g(); break;\n"
            "    }\n"
            "    if (n) h(); else if (n > 2) k();\n"
            "    do m(); while (n < 3);\n"
            "}\n")
        self.assertIn(("delete", "case 1:  break;"), found[3])
        self.assertIn(("negate", "if (n) h(); else if (!(n > 2)) k();"), found[5])
        self.assertIn(("delete", "if (n) h(); else if (n > 2) {}"), found[5])
        self.assertIn(("delete", "do {} while (n < 3);"), found[6])
        self.assertIn(("relational", "do m(); while (n <= 3);"), found[6])

    def test_inline_members_and_constant_tables_are_code(self):
        found = mutated_lines(
            "class CImage {\n"
            "    int IsComplete() const { return m_bIncomplete ? 0 : 1; }\n"
            "    static constexpr Pair kTable[] = {\n"
            "        {0x2013, 0x96}, {0x2014, 0x97},\n"
            "    };\n"
            "};\n")
        self.assertEqual(kinds(found, 2), {"constant"})
        self.assertIn(("constant", "{0x2013, 0x97}, {0x2014, 0x97},"), found[4])


    def test_a_deleted_body_of_an_if_leaves_an_empty_block(self):
        found = mutated_lines(
            "void f(int& n) {\n"
            "    if (n > 0) g(n);\n"
            "    else n = 0;\n"
            "    h();\n"
            "    int m = k();\n"
            "    return;\n"
            "}\n")
        self.assertIn(("delete", "if (n > 0) {}"), found[2])
        self.assertIn(("delete", "else {}"), found[3])
        self.assertIn(("delete", ""), found[4])
        self.assertNotIn("delete", kinds(found, 5))
        self.assertNotIn(6, found)

    def test_a_condition_over_several_lines_is_negated_whole(self):
        code = "void f(int a, int b) {\n    if (a == 1 &&\n        b == 2) g();\n}\n"
        negations = [m for m in mutants.mutants_by_line(code, "x.cpp")[2] if m.kind == "negate"]
        self.assertEqual(len(negations), 1)
        self.assertIn("if (!(a == 1 &&\n        b == 2)) g();", negations[0].apply(code))

    def test_returned_booleans_are_flipped_where_they_are_booleans(self):
        found = mutated_lines(
            "bool Is(int a) { return a; }\n"
            "int Count(int a) { return a; }\n"
            "bool Never() { return true; }\n"
            "auto less = [&] { return n < 3; };\n"
            "int Pick(int a) { return a < 3 ? a : 3; }\n")
        self.assertEqual(found[1], {("return", "bool Is(int a) { return !(a); }")})
        self.assertNotIn(2, found)
        self.assertEqual(found[3], {("return", "bool Never() { return false; }")})
        self.assertIn(("return", "auto less = [&] { return !(n < 3); };"), found[4])
        self.assertNotIn("return", kinds(found, 5))


class RunTest(unittest.TestCase):
    def test_a_seed_repeats_the_draw_and_lines_without_mutants_are_skipped(self):
        code = "int f(int a) {\n    // nothing here\n    return a + 1;\n}\n" * 20
        analysed = mutants.mutants_by_line(code, "x.cpp")
        draw = lambda seed: [(m.line, m.describe()) for m in mutants.draw(
            [("x.cpp", code.count("\n"))], lambda _: analysed, 10, random.Random(seed))]
        self.assertEqual(draw(7), draw(7))
        self.assertEqual(len(draw(7)), 10)
        self.assertTrue(all(line % 4 == 3 for line, _ in draw(7)))

    def test_the_file_gets_its_exact_bytes_back_when_the_run_is_stopped(self):
        original = b"int f() {\r\n    return 1; // \xe9\xff\r\n}"
        with tempfile.TemporaryDirectory() as directory:
            path = Path(directory) / "x.cpp"
            path.write_bytes(original)
            with self.assertRaises(mutants.Interrupted):
                with mutants.mutated(path, "int f() { return 2; }"):
                    self.assertEqual(path.read_bytes(), b"int f() { return 2; }")
                    raise mutants.Interrupted("SIGTERM")
            self.assertEqual(path.read_bytes(), original)

    def test_the_first_failed_test_and_a_timeout_are_read_from_ctest(self):
        log = ("  1/3 Test  #1: A.Passes .......   Passed    0.01 sec\n"
               "  2/3 Test  #7: B.Crashes ......Subprocess aborted***Exception:   0.02 sec\n"
               "  3/3 Test  #9: C.Hangs ........***Timeout  60.00 sec\n")
        self.assertEqual(mutants.first_failure(log), ("B.Crashes", "Exception"))
        self.assertEqual(mutants.first_failure(log.split("\n", 2)[2]), ("C.Hangs", "Timeout"))
        self.assertIsNone(mutants.first_failure(log.split("\n")[0]))


if __name__ == "__main__":
    unittest.main()
