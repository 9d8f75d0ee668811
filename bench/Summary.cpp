#include "Summary.h"

#include "SummaryFigures.h"

#include <cmath>
#include <optional>

namespace kxsoa_bench {

using namespace summary;

namespace {

std::string rate(double bytes, double seconds) { return format("%.0f MB/s", bytes / seconds / 1e6); }

// One line: the library's time and speed, the baseline's, and the ratio of
// the baseline's time to the library's (1.0 is the baseline's speed).
// `targetId`, when given, judges the ratio.
void compare(std::ostream& out, std::string const& label, std::string const& group, char const* library,
             char const* baselineLabel, char const* baseline, double bytes, char const* targetId = nullptr) {
    std::optional<double> const mine = cpu(group + "/" + library);
    std::optional<double> const theirs = cpu(group + "/" + baseline);
    if (!mine || !theirs) {
        if (targetId != nullptr) judge(targetId, group, NAN);
        out << "  " << label << ": n/a (a case did not run)\n";
        return;
    }
    out << format("  %-22s %10s %9s | %-11s %10s %9s | ratio %5.2f", label.c_str(), duration(*mine).c_str(),
                  rate(bytes, *mine).c_str(), baselineLabel, duration(*theirs).c_str(), rate(bytes, *theirs).c_str(),
                  *theirs / *mine);
    if (targetId != nullptr) out << "  " << judge(targetId, group, *theirs / *mine);
    out << '\n';
}

void workload(std::ostream& out, std::string const& group, bool targets) {
    std::string const memory = group + "/memory";
    std::optional<double> const bytes = counter(memory, "doc_bytes");
    std::optional<double> const records = counter(memory, "records");
    if (!bytes || !records) {
        out << group << ": n/a (its memory case did not run)\n";
        return;
    }
    auto const c = [&](char const* key) { return counter(memory, key).value_or(NAN); };
    out << format("%s: %.0f records, %s\n", group.c_str(), *records,
                  *bytes < 1e6 ? format("%.0f bytes", *bytes).c_str() : format("%.2f MB", *bytes / 1e6).c_str());
    auto const targeted = [&](char const* id) { return targets ? id : nullptr; };
    compare(out, "write, fresh stream", group, "write", "hand writer", "write_hand", *bytes, targeted("write_fresh"));
    if (counter(group + "/write_hand", "same_bytes").value_or(1) == 0)
        out << "  ^ THE HAND WRITER WROTE OTHER BYTES THAN THE LIBRARY: see the notes\n";
    compare(out, "write, reused buffer", group, "write_reused", "hand writer", "write_hand_reused", *bytes,
            targeted("write_reused"));
    if (targets || cpu(group + "/pugixml_write"))
        compare(out, "write, reused buffer", group, "write_reused", "pugixml", "pugixml_write", *bytes);
    compare(out, "reader to events", group, "events", "SAX2 pass", "sax2", *bytes, targeted("events_sax2"));
    compare(out, "reader to events", group, "events", "pugixml", "pugixml", *bytes, targeted("events_pugixml"));
    compare(out, "direct read", group, "direct", "SAX2 pass", "sax2", *bytes, targeted("direct_sax2"));
    if (targets) {
        std::optional<double> const direct = cpu(group + "/direct"), sax2 = cpu(group + "/sax2");
        double const overBefore = direct && sax2 ? *sax2 / *direct / kDirectReadOnLibxml2 : NAN;
        std::string const verdict = judge("direct_gain", group, overBefore);
        if (direct && sax2) {
            out << format("  %-22s %.2f x the direct read before (%.2f of the SAX2 pass)  %s\n", "direct read",
                          overBefore, kDirectReadOnLibxml2, verdict.c_str());
        }
    }
    if (targets || cpu(group + "/pugixml_bind")) {
        compare(out, "direct read", group, "direct", "pugixml bind", "pugixml_bind", *bytes,
                targeted("direct_pugixml"));
    }
    compare(out, "direct, reused reader", group, "direct", "SAX2 reused", "sax2_reused", *bytes,
            group == "W1-small" ? "direct_reused" : nullptr);
    if (targets || cpu(group + "/direct_validate"))
        compare(out, "direct read", group, "direct", "validating", "direct_validate", *bytes, targeted("validating"));
    if (cpu(group + "/direct_any")) {  // W1-small and W1 at 1k
        compare(out, "direct, any type", group, "direct_any", "known type", "direct", *bytes);
        compare(out, "refused at its end", group, "direct_refused", "direct read", "direct", *bytes);
    }
    compare(out, "XmlDocument::parse", group, "parse", "SAX2 pass", "sax2", *bytes, targeted("parse_sax2"));
    compare(out, "parse + bind", group, "parse_bind", "SAX2 pass", "sax2", *bytes, targeted("parse_bind_sax2"));
    out << format("  %-22s %5.2f x doc (text + objects; without the text %.2f)", "peak heap, direct",
                  c("direct_peak_x_doc"), c("direct_peak_x_doc") - 1);
    if (targets) out << "  without the text: " << judge("direct_peak", group, c("direct_peak_x_doc") - 1);
    out << format("\n  %-22s %5.2f x doc (text + tree + objects; the SAX2 pass alone: %.2f x)", "peak heap, tree",
                  c("peak_read_x_doc"), c("sax2_peak_x_doc"));
    out << format("\n  %-22s %5.2f x doc\n", "tree alone", c("tree_x_doc"));
    out << format("  %-22s %5.2f x doc (%.0f bytes per record)", "bound objects alone", c("objects_x_doc"),
                  c("objects_bytes_per_record"));
    if (targets) out << "  " << judge("bound_objects", group, c("objects_x_doc"));
    double const read = c("parse_allocs_per_record") + c("bind_allocs_per_record");
    double const steadyRead = c("steady_parse_allocs_per_record") + c("steady_bind_allocs_per_record");
    bool const steady = counter(memory, "write_steady_allocs_per_record").has_value();  // not taken when large
    out << format("\n  %-22s write %.2f", "allocations per record", c("write_allocs_per_record"));
    if (steady) {
        out << format(", written again into a reused buffer %.3f (%.0f per document)",
                      c("write_steady_allocs_per_record"), c("write_steady_allocs_per_record") * *records);
    }
    if (targets) {
        std::string const verdict =
            judge("write_allocations", group, steady ? c("write_steady_allocs_per_record") : NAN);
        if (steady) out << "  " << verdict;
    }
    out << format("\n  %-22s direct read %.2f", "", c("direct_allocs_per_record"));
    if (steady) out << format(", read again by the same reader %.2f", c("steady_direct_allocs_per_record"));
    if (targets || group == "W1-small") {
        std::string const verdict = judge(
            "read_allocations", group, steady ? c("steady_direct_allocs_per_record") : NAN, c("bind_bound_per_record"));
        if (steady) out << "  " << verdict << " (only the message's own objects)";
    }
    out << format("\n  %-22s through the tree %.2f (parse %.2f + bind %.2f)", "", read, c("parse_allocs_per_record"),
                  c("bind_allocs_per_record"));
    if (steady) {
        out << format("; read again %.2f (parse %.2f + bind %.2f)", steadyRead, c("steady_parse_allocs_per_record"),
                      c("steady_bind_allocs_per_record"));
    }
    out << format("\n  %-22s bound: objects + long strings read %.2f (non-empty lists %.2f)", "",
                  c("bind_bound_per_record"), c("lists_per_record"));
    out << '\n';
}

// Per-record time at `large` over that at `small`, for one case.
void scaling(std::ostream& out, std::string const& shape, char const* what, char const* label) {
    std::string const small = shape + "/1k/", large = shape + "/100k/";
    std::optional<double> const a = cpu(small + what), b = cpu(large + what);
    std::optional<double> const ra = counter(shape + "/1k/memory", "records");
    std::optional<double> const rb = counter(shape + "/100k/memory", "records");
    std::string const subject = shape + " " + label;
    if (!a || !b || !ra || !rb) {
        judge("scaling", subject, NAN);
        out << format("  %s %s: n/a\n", shape.c_str(), label);
        return;
    }
    double const ratio = (*b / *rb) / (*a / *ra);
    out << format("  %-3s %-14s %s per record at 1k, %s at 100k: %.2f  %s\n", shape.c_str(), label,
                  duration(*a / *ra).c_str(), duration(*b / *rb).c_str(), ratio,
                  judge("scaling", subject, ratio).c_str());
}

// The records of W1 at 100k read one at a time from a stream, against the
// direct read of the whole request from memory.
void streaming(std::ostream& out) {
    std::optional<double> const each = cpu("W1/100k/direct_each_stream"), whole = cpu("W1/100k/direct");
    std::optional<double> const peak = counter("W1/100k/direct_each_stream", "peak_MB");
    if (!each || !whole || !peak) {
        judge("streaming_read_peak", "W1/100k", NAN);
        judge("streaming_read_time", "W1/100k", NAN);
        out << "\nStreaming read of W1 at 100k records: n/a\n";
        return;
    }
    std::string const peakVerdict = judge("streaming_read_peak", "W1/100k", *peak);
    out << format(
        "\nStreaming read of W1 at 100k records from a std::istream, one record at a time:\n"
        "  peak heap %.1f MB  %s\n  time %s against the direct read from memory %s: %.2f  %s\n",
        *peak, peakVerdict.c_str(), duration(*each).c_str(), duration(*whole).c_str(), *each / *whole,
        judge("streaming_read_time", "W1/100k", *each / *whole).c_str());
}

// A stream reset between messages, and a request written record by record
// onto a caller's buffer against the whole request written onto it.
void writing(std::ostream& out) {
    std::optional<double> const reused = cpu("W1-small/write_stream_reused");
    std::optional<double> const allocations = counter("W1-small/write_stream_reused", "allocs_per_message");
    std::optional<double> const hand = cpu("W1-small/write_hand_reused");
    if (reused && allocations && hand) {
        out << format(
            "\nW1-small written into one stream, reset between messages: %s (hand writer into a reused "
            "string %s: %.2f)\n  allocations per message %.2f  %s\n",
            duration(*reused).c_str(), duration(*hand).c_str(), *hand / *reused, *allocations,
            judge("reset_allocations", "W1-small", *allocations).c_str());
    } else {
        judge("reset_allocations", "W1-small", NAN);
        out << "\nW1-small written into one stream, reset between messages: n/a\n";
    }
    std::optional<double> const each = cpu("W1/100k/write_each"), whole = cpu("W1/100k/write_onto_buffer");
    std::optional<double> const eachPeak = counter("W1/100k/write_each", "peak_MB");
    std::optional<double> const wholePeak = counter("W1/100k/write_onto_buffer", "peak_MB");
    std::optional<double> const records = counter("W1/100k/memory", "records");
    if (!each || !whole || !eachPeak || !wholePeak) {
        judge("streaming_write_peak", "W1/100k", NAN);
        judge("streaming_write_time", "W1/100k", NAN);
        out << "\nStreaming write of W1 at 100k records: n/a\n";
        return;
    }
    double const n = records.value_or(100000);
    std::string const peakVerdict = judge("streaming_write_peak", "W1/100k", *eachPeak);
    out << format(
        "\nStreaming write of W1 at 100k records onto a caller's buffer, one record at a time (RequestWriter):\n"
        "  peak heap while writing %.2f MB (outputXML onto the same buffer: %.2f MB, with the whole request "
        "built first)  %s\n"
        "  time per record %s against the whole request's %s: %.2f  %s\n",
        *eachPeak, *wholePeak, peakVerdict.c_str(), duration(*each / n).c_str(), duration(*whole / n).c_str(),
        *each / *whole, judge("streaming_write_time", "W1/100k", *each / *whole).c_str());
}

// Messages per second written and read again on two threads, each with its
// own stream and reader, against one thread.
void threads(std::ostream& out) {
    out << "\nThreads: messages written and read per second, two threads over one (each its own stream and reader):\n";
    for (char const* group : {"W1-small", "W1/1k"}) {
        std::string const name = std::string(group) + "/threads";
        std::optional<double> const one = counter(name + "/threads:1", "items_per_second");
        std::optional<double> const two = counter(name + "/threads:2", "items_per_second");
        if (!one || !two) {
            judge("threads", group, NAN);
            out << format("  %-9s n/a\n", group);
            continue;
        }
        out << format("  %-9s one thread %.0f/s, two %.0f/s: %.2f  %s\n", group, *one, *two, *two / *one,
                      judge("threads", group, *two / *one).c_str());
    }
}

}  // namespace

void printSummary(std::ostream& out) {
    out << "\nSummary. Times are the benchmark thread's CPU time per operation, the median of 3 repetitions\n"
           "(one run for W1 at 100k records); ratio = baseline time / library time (1.00 is the baseline's speed). "
           "Targets apply to W1 at 1k.\n\n";
    workload(out, "W1-small", false);
    for (char const* group : {"W1/1k", "W1/10k", "W1/100k", "W2", "W3/1k", "W3/10k", "W3/100k"})
        workload(out, group, std::string(group) == "W1/1k");

    std::optional<double> const write = cpu("W1-small/write_stream_reused"), read = cpu("W1-small/direct"),
                                sax2 = cpu("W1-small/sax2_reused");
    if (write && read && sax2) {
        double const ratio = (*write + *read) / *sax2;
        out << format(
            "\nW1-small: (write, reused stream %s + direct read, reused reader %s) / SAX2 pass, reused "
            "context %s = %.2f  %s\n",
            duration(*write).c_str(), duration(*read).c_str(), duration(*sax2).c_str(), ratio,
            judge("round_trip", "W1-small", ratio).c_str());
    } else {
        judge("round_trip", "W1-small", NAN);
    }
    // The same round trip against what a programmer writes by hand on pugixml.
    std::optional<double> const pugixmlWrite = cpu("W1-small/pugixml_write"),
                                pugixmlBind = cpu("W1-small/pugixml_bind");
    if (write && read && pugixmlWrite && pugixmlBind) {
        double const ratio = (*pugixmlWrite + *pugixmlBind) / (*write + *read);
        out << format("W1-small: (pugixml hand write %s + load and hand binding %s) / the same round trip = %.2f  %s\n",
                      duration(*pugixmlWrite).c_str(), duration(*pugixmlBind).c_str(), ratio,
                      judge("round_trip_pugixml", "W1-small", ratio).c_str());
    } else {
        judge("round_trip_pugixml", "W1-small", NAN);
    }

    // A connection's messages, read back to back from one stream: the time per
    // message against the reused reader's from memory, as messages per second.
    std::optional<double> const stream = cpu("W1-small/direct_next_stream");
    std::optional<double> const inStream = counter("W1-small/direct_next_stream", "messages_per_op");
    if (stream && inStream && read) {
        double const each = *stream / *inStream;
        out << format(
            "\nW1-small read back to back from one std::istream: %s per message (a reused reader from memory: "
            "%s) = %.2f  %s\n",
            duration(each).c_str(), duration(*read).c_str(), *read / each,
            judge("next_stream", "W1-small", *read / each).c_str());
    } else {
        judge("next_stream", "W1-small", NAN);
    }

    out << "\nScaling: time per record at 100k records over that at 1k\n";
    scaling(out, "W1", "write", "write");
    scaling(out, "W1", "write_stream_reused", "write, reset");  // without growing a buffer: the writer alone
    scaling(out, "W1", "direct", "direct read");
    scaling(out, "W1", "parse_bind", "parse + bind");
    scaling(out, "W3", "write", "write");
    scaling(out, "W3", "parse_bind", "parse + bind");

    streaming(out);
    writing(out);
    threads(out);

    printHostileShapes(out);

    printTargets(out);
    printNotes(out);
}

}  // namespace kxsoa_bench
