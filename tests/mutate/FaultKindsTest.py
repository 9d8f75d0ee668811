"""The semantic fault kinds of scripts/mutate: for a few pieces of C++, the whole text of each fault
derived, in order; and the pick, which a seed makes the same each time."""

import importlib.machinery
import importlib.util
import sys
import textwrap
import unittest
from pathlib import Path

sys.dont_write_bytecode = True
_loader = importlib.machinery.SourceFileLoader("mutate", str(Path(__file__).resolve().parents[2] / "scripts" / "mutate"))
mutate = importlib.util.module_from_spec(importlib.util.spec_from_loader("mutate", _loader))
_loader.exec_module(mutate)


def code(text):
    return textwrap.dedent(text).lstrip("\n")


class FaultKinds(unittest.TestCase):
    def faults(self, kind, source, companion=None):
        """Each fault of `kind` in `source`, as the whole text it makes."""
        lines = code(source).split("\n")
        header = code(companion).split("\n") if companion else None
        found = mutate.faults_of("a.cpp", lines, mutate.chosen_kinds([kind]), header)
        self.assertTrue(all(f.kind == kind for f in found))
        return ["\n".join(f.apply(lines)) for f in found]

    def test_reset(self):
        # A reference member stays in the initializer list; in reset() a declaration stays, and so does a
        # call that sets nothing.
        source = """
            struct Count {
                Count(int start, Log& log) : m_log(log), m_count(start), m_seen(0) {}
                void reset() {
                    m_count = 0;
                    m_items.clear();
                    int const kept = m_seen;
                    note(kept);
                }
                Log& m_log;
                int m_count;
                int m_seen;
            };
            """
        self.assertEqual(self.faults("reset", source), [
            code(source).replace("m_count(start), m_seen(0)", "m_seen(0)"),
            code(source).replace("m_count(start), m_seen(0)", "m_count(start)"),
            code(source).replace("        m_count = 0;\n", ""),
            code(source).replace("        m_items.clear();\n", ""),
        ])
        # A move constructor's only entry takes its colon along; an if's body becomes {}.
        source = """
            Buffer::Buffer(Buffer&& other) noexcept : m_data(other.m_data) {
                other.m_data = nullptr;
            }
            void Buffer::clearAll() {
                if (m_open) m_size = 0;
                m_open = false;
            }
            """
        self.assertEqual(self.faults("reset", source), [
            code(source).replace(" : m_data(other.m_data)", ""),
            code(source).replace("    other.m_data = nullptr;\n", ""),
            code(source).replace("if (m_open) m_size = 0;", "if (m_open) {}"),
            code(source).replace("    m_open = false;\n", ""),
        ])

    def test_variable(self):
        # The nearest of the same type: a member for a member, a local or parameter for a local; a
        # variable is not named in its own declaration.
        source = """
            struct Tally {
                void add(std::size_t n) {
                    std::size_t const before = m_total;
                    m_total += n;
                    m_count = before;
                }
                static std::size_t none();
                std::size_t m_total = 0;
                std::size_t m_count = 0;
                std::string m_name;
            };
            """
        header = source
        self.assertEqual(self.faults("variable", source), [
            code(source).replace("before = m_total", "before = m_count"),
            code(source).replace("m_total += n", "m_count += n"),
            code(source).replace("m_total += n", "m_total += before"),
            code(source).replace("m_count = before", "m_total = before"),
            code(source).replace("m_count = before", "m_count = n"),
        ])
        # A lambda that captures nothing sees neither the function's names nor the members; a parameter
        # has the members of the same type.
        source = """
            std::size_t Tally::twice(std::size_t n) {
                std::size_t const doubled = n + n;
                auto const half = [](std::size_t k) { return k / 2 + m_total; };
                return half(doubled);
            }
            """
        self.assertEqual(self.faults("variable", source, companion=header), [
            code(source).replace("doubled = n + n", "doubled = m_total + n"),
            code(source).replace("doubled = n + n", "doubled = n + m_total"),
            code(source).replace("half(doubled)", "half(n)"),
        ])
        # Members declared in the header; after . those of the object's class, Tally, not Meter's; none
        # in a static member function.
        source = """
            void Tally::merge(Tally const& other) {
                m_count += other.m_total;
            }
            std::size_t Tally::none() {
                std::size_t const zero = 0;
                return zero;
            }
            """
        self.assertEqual(self.faults("variable", source, companion=header + "struct Meter { double m_total; };\n"), [
            code(source).replace("m_count += other.m_total", "m_total += other.m_total"),
            code(source).replace("m_count += other.m_total", "m_count += other.m_count"),
        ])

    def test_clamp(self):
        source = """
            std::size_t fit(std::size_t n, std::size_t cap) {
                if (n > cap) throw Overflow();
                if (ready && n < cap && !full) ++n;
                if (!full || n >= cap) return n;
                while (i < n) ++i;
                return std::min<std::size_t>(n + 1, cap);
            }
            """
        self.assertEqual(self.faults("clamp", source), [
            code(source).replace("if (n > cap)", "if (false)"),
            code(source).replace("if (ready && n < cap && !full)", "if (ready && !full)"),
            code(source).replace("if (!full || n >= cap)", "if (!full)"),
            code(source).replace("std::min<std::size_t>(n + 1, cap)", "(n + 1)"),
            code(source).replace("std::min<std::size_t>(n + 1, cap)", "cap"),
        ])

    def test_catch(self):
        source = """
            void write(Sink& sink) {
                try {
                    sink.put();
                } catch (Full const& e) {
                    sink.undo();
                    throw;
                }
            }
            int count() {
                try {
                    return tally();
                } catch (...) {
                    throw;
                }
            }
            """
        self.assertEqual(self.faults("catch", source), [
            code(source).replace("(Full const& e) {\n        sink.undo();\n        throw;\n    }", "(Full const& e) {}"),
            code(source).replace("sink.undo();\n        throw;", "sink.undo();\n        return;"),
            code(source).replace("(...) {\n        throw;\n    }", "(...) {}"),
            code(source).replace("(...) {\n        throw;", "(...) {\n        return {};"),
        ])

    def test_handoff(self):
        # A call whose result is kept stays: dropping it drops an assignment too.
        source = """
            void Writer::end() {
                m_out.flush();
                if (m_target) handOn();
                notify([&](Observer& o) { o.onEnd(m_name); });
                std::cerr << "ended\\n";
                m_count = m_out.write(m_text);
            }
            """
        self.assertEqual(self.faults("handoff", source), [
            code(source).replace("    m_out.flush();\n", ""),
            code(source).replace("if (m_target) handOn();", "if (m_target) {}"),
            code(source).replace("    notify([&](Observer& o) { o.onEnd(m_name); });\n", ""),
            code(source).replace("{ o.onEnd(m_name); }", "{ }"),
            code(source).replace('    std::cerr << "ended\\n";\n', ""),
        ])

    def test_scale(self):
        # 16 * 1024 * 1024 loses one 1024 whichever is dropped: one fault.
        source = """
            double average(Totals const& t) {
                return t.sum / t.count;
            }
            std::size_t const limit = 16 * 1024 * 1024;
            std::size_t bytes(std::size_t n) { return sizeof(Node) * n * 2; }
            """
        self.assertEqual(self.faults("scale", source), [
            code(source).replace("t.sum / t.count", "t.sum"),
            code(source).replace("16 * 1024 * 1024", "16 * 1024"),
            code(source).replace("16 * 1024 * 1024", "1024 * 1024"),
            code(source).replace("sizeof(Node) * n * 2", "sizeof(Node) * 2"),
            code(source).replace("sizeof(Node) * n * 2", "n * 2"),
            code(source).replace("sizeof(Node) * n * 2", "sizeof(Node) * n"),
        ])
        # An operand in brackets after a comparison, and one after a template's arguments, each named whole.
        source = "bool big(std::size_t n) { return n > (max - k) / std::max<std::size_t>(p, 1); }\n"
        found = mutate.faults_of("a.cpp", code(source).split("\n"), mutate.chosen_kinds(["scale"]), None)
        self.assertEqual([f.what for f in found], [
            "divisor std::max<std::size_t>(p, 1) dropped from (max - k) / std::max<std::size_t>(p, 1)"])

    def test_swap(self):
        # Not swapped: two that share nothing and call nothing, a declaration and its use, a return.
        source = """
            void Stream::restart() {
                m_depth = 0;
                m_open = false;
                flush();
                m_text.clear();
                std::size_t const kept = m_text.size();
                m_size = kept;
                return;
            }
            void Stream::exchange() { m_a = m_b; m_b = m_a; }
            """
        self.assertEqual(self.faults("swap", source), [
            code(source).replace("m_open = false;\n    flush();", "flush();\n    m_open = false;"),
            code(source).replace("flush();\n    m_text.clear();", "m_text.clear();\n    flush();"),
            code(source).replace("m_text.clear();\n    std::size_t const kept = m_text.size();",
                                 "std::size_t const kept = m_text.size();\n    m_text.clear();"),
            code(source).replace("{ m_a = m_b; m_b = m_a; }", "{ m_b = m_a; m_a = m_b; }"),
        ])


class Picking(unittest.TestCase):
    def test_kinds_share_the_pick_and_a_seed_repeats_it(self):
        kinds = mutate.chosen_kinds(["catch,scale", "reset"])
        self.assertEqual([k.name for k in kinds], ["reset", "catch", "scale"])
        faults = [mutate.Fault("a.cpp", n, 0, 1, "", str(n), kind) for kind, count in
                  (("reset", 2), ("catch", 20), ("scale", 20)) for n in range(count)]
        picked = mutate.pick(faults, kinds, 12, seed=7)
        self.assertEqual([sum(f.kind == k for f in picked) for k in ("reset", "catch", "scale")], [2, 5, 5])
        self.assertEqual(picked, mutate.pick(faults, kinds, 12, seed=7))
        self.assertNotEqual(picked, mutate.pick(faults, kinds, 12, seed=8))
        self.assertEqual(len(mutate.pick(faults, kinds, 100, seed=7)), 42)
        self.assertEqual([k.name for k in mutate.chosen_kinds(["semantic"])],
                         ["reset", "variable", "clamp", "catch", "handoff", "scale", "swap"])
        with self.assertRaises(ValueError) as refused:
            mutate.chosen_kinds(["resets"])
        self.assertEqual(str(refused.exception), "no kind or family 'resets': give operator, semantic, all, or one "
                         "of comparison, constant, boolean, condition, ternary, arguments, statement, reset, "
                         "variable, clamp, catch, handoff, scale, swap")


if __name__ == "__main__":
    unittest.main()
