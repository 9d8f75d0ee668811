// Documents shaped to make a reader spend time or memory out of proportion
// to their size, each read once; a refusal (DomException) is a result, not a
// failure, and shows as refused=1. The summary sets the CPU time per MB
// beside that of a plain document (W1) and gives the heap per byte of text.
// - With the default limits: one element with 10^5 attributes, in UTF-8
//   and behind each of three encoding tricks (a UTF-16 byte order mark over
//   single bytes, UTF-7, ISO-2022-JP); 10^6 distinct element names; a 100 MB
//   comment from a string and from a std::istream; the three shapes that need
//   the most memory per byte (empty elements, short attributes, deep
//   nesting) and the densest message of the library's types.
// - The same three shapes without the memory bound, to show what it saves.
// - With the limits raised past the counts: 10^5 attributes (and twice as
//   many), 10^5 namespace declarations, 10^6 distinct names (and twice as
//   many), each to be read in time linear in its size.

#include "CountingAllocator.h"
#include "Summary.h"
#include "WorkloadCases.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <limits>
#include <sstream>
#include <string>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

std::string repeated(std::size_t count, std::function<std::string(std::size_t)> const& piece) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece(i);
    return text;
}

std::string manyAttributes(std::size_t count) {
    return "<r" + repeated(count, [](std::size_t i) { return " a" + std::to_string(i) + "=\"v\""; }) + "/>";
}

std::string manyNamespaces(std::size_t count) {
    return "<r" +
           repeated(
               count,
               [](std::size_t i) { return " xmlns:p" + std::to_string(i) + "=\"urn:" + std::to_string(i) + "\""; }) +
           "/>";
}

std::string manyNames(std::size_t count) {
    return "<r>" + repeated(count, [](std::size_t i) { return "<e" + std::to_string(i) + "/>"; }) + "</r>";
}

std::string declared(char const* encoding, std::string const& text) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>" + text;
}

std::string longComment(std::size_t bytes) { return "<r><!--" + std::string(bytes, 'c') + "--></r>"; }

std::string emptyElements(std::size_t count) {
    return "<r>" + repeated(count, [](std::size_t) { return "<a/>"; }) + "</r>";
}

// Elements of 52 empty attributes with one-letter names, to about `bytes`.
std::string shortAttributes(std::size_t bytes) {
    std::string const element =
        "<e" +
        repeated(52,
                 [](std::size_t i) {
                     return std::string(" ") + static_cast<char>(i < 26 ? 'a' + i : 'A' + i - 26) + "=\"\"";
                 }) +
        "/>";
    return "<r>" + repeated(bytes / element.size(), [&](std::size_t) { return element; }) + "</r>";
}

// Elements nested as deep as the default limit allows, again and again, to about `bytes`.
std::string deepNesting(std::size_t bytes) {
    std::string const nest =
        repeated(255, [](std::size_t) { return "<d>"; }) + repeated(255, [](std::size_t) { return "</d>"; });
    return "<r>" + repeated(bytes / nest.size(), [&](std::size_t) { return nest; }) + "</r>";
}

// The densest message of the library's types: one export record of
// business objects with empty identifiers, in the default namespace.
std::string densestMessage(std::size_t objects) {
    return "<ExportToApplicationInput xmlns=\"http://" KXSOA_NAMESPACE_HOST
           "/Schemas/ImportExport/2008-06/FileImportExport\"><inputs applicationFormat=\"\" templateType=\"\" "
           "templateId=\"\">" +
           repeated(objects, [](std::size_t) { return "<objectsToExport uid=\"\" type=\"\"/>"; }) +
           "</inputs></ExportToApplicationInput>";
}

// Reads `text` once per iteration through `read`, which gets the text and
// returns the parsed document.
template <class Read>
void hostile(benchmark::State& state, std::string const& name, std::string const& text, Read read) {
    bool refused = false;
    std::size_t peak = 0;
    for (auto _ : state) {
        HeapScope scope;
        try {
            XmlDocument const document = read(text);
            benchmark::DoNotOptimize(&document.root());
        } catch (DomException const& e) {
            refused = true;
            note(name, "refused: " + e.getMessage());
        }
        peak = scope.peakAbove();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["refused"] = refused ? 1 : 0;
    state.counters["doc_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["peak_x_doc"] = static_cast<double>(text.size() + peak) / static_cast<double>(text.size());
    state.counters["heap_per_byte"] = static_cast<double>(peak) / static_cast<double>(text.size());
}

void addHostile(std::string const& name, std::function<std::string()> make, bool byStream = false,
                XmlReadLimits const& limits = {}) {
    benchmark::RegisterBenchmark(
        ("hostile/" + name).c_str(),
        [name, make, byStream, limits](benchmark::State& state) {
            std::string const text = make();
            if (byStream) {
                // The stream holds its own copy of the text, made before the timing.
                std::istringstream in(text);
                hostile(state, name, text, [&in, &limits](std::string const&) {
                    in.clear();
                    in.seekg(0);
                    return XmlDocument::parse(in, limits);
                });
            } else {
                hostile(state, name, text, [&limits](std::string const& t) { return XmlDocument::parse(t, limits); });
            }
        })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

XmlReadLimits withoutMemoryBound() {
    XmlReadLimits limits;
    limits.maxTreeBytesPerByte = std::numeric_limits<std::size_t>::max();
    return limits;
}

XmlReadLimits raised() {
    XmlReadLimits limits = withoutMemoryBound();
    limits.maxAttributes = limits.maxNames = std::numeric_limits<std::size_t>::max();
    return limits;
}

}  // namespace

void registerHostileCases() {
    std::size_t const attributes = 100000;
    addHostile("attributes_1e5", [=] { return manyAttributes(attributes); });
    addHostile("attributes_1e5_utf16_mark_over_bytes",
               [=] { return "\xFF\xFE" + declared("ISO-8859-1", manyAttributes(attributes)); });
    addHostile("attributes_1e5_utf7", [=] { return declared("UTF-7", manyAttributes(attributes)); });
    addHostile("attributes_1e5_iso2022jp", [=] { return declared("ISO-2022-JP", manyAttributes(attributes)); });
    addHostile("names_1e6", [] { return manyNames(1000000); });
    addHostile("comment_100MB_string", [] { return longComment(100000000); });
    addHostile(
        "comment_100MB_stream", [] { return longComment(100000000); }, true);

    std::size_t const tenMB = 10000000;
    addHostile("empty_elements_1e7", [] { return emptyElements(10000000); });
    addHostile("short_attributes_10MB", [=] { return shortAttributes(tenMB); });
    addHostile("deep_nesting_10MB", [=] { return deepNesting(tenMB); });
    addHostile("densest_message_2e5", [] { return densestMessage(200000); });
    addHostile(
        "unbounded/empty_elements_1e6", [] { return emptyElements(1000000); }, false, withoutMemoryBound());
    addHostile(
        "unbounded/short_attributes_10MB", [=] { return shortAttributes(tenMB); }, false, withoutMemoryBound());
    addHostile(
        "unbounded/deep_nesting_10MB", [=] { return deepNesting(tenMB); }, false, withoutMemoryBound());

    addHostile(
        "raised/attributes_1e5", [] { return manyAttributes(100000); }, false, raised());
    addHostile(
        "raised/attributes_2e5", [] { return manyAttributes(200000); }, false, raised());
    addHostile(
        "raised/namespaces_1e5", [] { return manyNamespaces(100000); }, false, raised());
    addHostile(
        "raised/names_1e6", [] { return manyNames(1000000); }, false, raised());
    addHostile(
        "raised/names_2e6", [] { return manyNames(2000000); }, false, raised());
}

}  // namespace kxsoa_bench
