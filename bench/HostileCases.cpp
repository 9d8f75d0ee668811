// Documents shaped to make a reader spend time out of proportion to their
// size: one element with 10^5 attributes, 10^6 distinct element names, and
// a 100 MB comment read from a string and from a std::istream. Each is read
// once with the default limits; a refusal (DomException) is a result, not a
// failure, and shows as refused=1. The summary sets the CPU time per MB
// beside that of a plain document (W1).

#include "CountingAllocator.h"
#include "Summary.h"
#include "WorkloadCases.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;

namespace {

std::string manyAttributes(std::size_t count) {
    std::string text = "<r";
    for (std::size_t i = 0; i < count; ++i) text += " a" + std::to_string(i) + "=\"v\"";
    return text + "/>";
}

std::string manyNames(std::size_t count) {
    std::string text = "<r>";
    for (std::size_t i = 0; i < count; ++i) text += "<e" + std::to_string(i) + "/>";
    return text + "</r>";
}

std::string longComment(std::size_t bytes) { return "<r><!--" + std::string(bytes, 'c') + "--></r>"; }

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
}

void addHostile(std::string const& name, std::string (*make)(), bool byStream) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [name, make, byStream](benchmark::State& state) {
                                     std::string const text = make();
                                     if (byStream) {
                                         // The stream holds its own copy of the text, made before the timing.
                                         std::istringstream in(text);
                                         hostile(state, name, text, [&in](std::string const&) {
                                             in.clear();
                                             in.seekg(0);
                                             return XmlDocument::parse(in);
                                         });
                                     } else {
                                         hostile(state, name, text,
                                                 [](std::string const& t) { return XmlDocument::parse(t); });
                                     }
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

void registerHostileCases() {
    addHostile(
        "hostile/attributes_1e5", [] { return manyAttributes(100000); }, false);
    addHostile(
        "hostile/names_1e6", [] { return manyNames(1000000); }, false);
    addHostile(
        "hostile/comment_100MB_string", [] { return longComment(100000000); }, false);
    addHostile(
        "hostile/comment_100MB_stream", [] { return longComment(100000000); }, true);
}

}  // namespace kxsoa_bench
