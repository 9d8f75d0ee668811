// The timed cases of the workloads, each beside its baselines: reading
// against libxml2's SAX2 pass and pugixml over the same text (writing is in
// WriteCases.h); and their registration. A "memory" case per workload takes
// the heap figures (HeapFigures.h) in a process of its own. The workload
// the cases run on is held in HeldWorkload.h.

#include "WorkloadCases.h"
#include "CountingAllocator.h"
#include "EventsPass.h"
#include "HeapFigures.h"
#include "HeldWorkload.h"
#include "PugixmlBinding.h"
#include "PugixmlPass.h"
#include "Sax2Pass.h"
#include "Summary.h"
#include "Workloads.h"
#include "WriteCases.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlMessageSource.h"
#include "host/XmlStream.h"
#include "importexport/AnyMessage.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::isRequest;  // their records can be read and written one at a time
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::readAny;
using Kestrune::Soa::Common::Xml::ReadPolicy;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlMessageSource;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

char const e1[] = "ExportToApplicationInput";
char const e2[] = "GetExportTemplateResponse";
char const e3[] = "ImportFromApplicationInput";

template <class Message>
void parse(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    XmlReadLimits const limits = limitsFor(built.text);
    for (auto _ : state) {
        XmlDocument const document = XmlDocument::parse(built.text, limits);
        benchmark::DoNotOptimize(&document.root());
    }
    setBytes(state, built.text);
}

template <class Message>
void parseAndBind(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    XmlReadLimits const limits = limitsFor(built.text);
    for (auto _ : state) {
        XmlDocument const document = XmlDocument::parse(built.text, limits);
        Message message;
        message.parse(document.root());
        benchmark::DoNotOptimize(&message);
    }
    setBytes(state, built.text);
}

// Straight from the text into the message, without a tree, with one reader
// kept from message to message.
template <class Message>
void directRead(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    MessageReader reader(limitsFor(built.text));
    for (auto _ : state) {
        Message const message = reader.read<Message>(built.text);
        benchmark::DoNotOptimize(&message);
    }
    setBytes(state, built.text);
}

// Messages read back to back from one std::istream, as a server reads a
// connection: a reused reader, readNext until the input's clean end. The
// summary sets the time per message beside the reused reader's from memory.
constexpr std::size_t kMessagesInOneStream = 1000;

template <class Message>
void directNextFromStream(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    std::string text;
    for (std::size_t i = 0; i < kMessagesInOneStream; ++i) text += built.text + '\n';
    MessageReader reader(limitsFor(built.text));
    std::istringstream in(text);
    std::size_t read = 0;
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        XmlMessageSource source(in);
        while (std::optional<Message> const message = reader.readNext<Message>(source)) {
            benchmark::DoNotOptimize(&*message);
            ++read;
        }
    }
    if (read != kMessagesInOneStream * state.iterations()) note(workload.name + "/direct_next_stream", "messages lost");
    state.counters["messages_per_op"] = static_cast<double>(kMessagesInOneStream);
    setBytes(state, text);
}

// The same read held to the schemas (ReadPolicy::Validate): what checking
// every element as it is read costs.
template <class Message>
void directValidating(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    MessageReader reader(limitsFor(built.text), ReadPolicy::Validate);
    for (auto _ : state) {
        Message const message = reader.read<Message>(built.text);
        benchmark::DoNotOptimize(&message);
    }
    setBytes(state, built.text);
}

// The same read without the type known before: the root tells it (readAny).
template <class Message>
void directAny(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    MessageReader reader(limitsFor(built.text));
    if (!std::holds_alternative<Message>(readAny(reader, built.text)))
        note(workload.name + "/direct_any", "read as another type");
    for (auto _ : state) {
        AnyMessage const message = readAny(reader, built.text);
        benchmark::DoNotOptimize(&message);
    }
    setBytes(state, built.text);
}

// The text refused in its last record, where the refusal's place and path
// are built: against the direct read of the whole text, what an error's
// place costs.
template <class Message>
void directRefused(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    std::string text = built.text;
    text.insert(text.rfind("</ns1:inputs>"), "<ns1:refused/>");
    std::string const path = "/" + workload.elementName + "/inputs[" + std::to_string(workload.records) + "]/refused";
    MessageReader reader(limitsFor(text));
    benchmark::IterationCount placed = 0;
    for (auto _ : state) {
        try {
            reader.read<Message>(text);
        } catch (DomException const& e) {
            placed += e.path() == path;
        }
    }
    if (placed != state.iterations()) note(workload.name + "/direct_refused", "not refused at " + path);
    setBytes(state, text);
}

// Each record handed on as its element ends, read from a std::istream and
// kept by nobody: the request of any size in the memory of one record. The
// peak heap above what was held before (the stream's own copy of the text
// is made before) is a counter.
template <class Message>
void directEachFromStream(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    std::istringstream in(built.text);
    MessageReader reader(limitsFor(built.text));
    std::size_t records = 0;
    std::size_t peak = 0;
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        HeapScope scope;
        reader.readEach<Message>(in, [&records](auto const& record) { benchmark::DoNotOptimize(&record), ++records; });
        peak = std::max(peak, scope.peakAbove());
    }
    if (records != workload.records * state.iterations()) note(workload.name + "/direct_each_stream", "records lost");
    setBytes(state, built.text);
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
}

template <class Message>
void sax2(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    if (!sax2Pass(built.text).wellFormed) note(workload.name + "/sax2", "the SAX2 pass found the text not well-formed");
    for (auto _ : state) benchmark::DoNotOptimize(sax2Pass(built.text));
    setBytes(state, built.text);
}

// Messages written and read again, each thread with its own message, reset
// stream and reader: how reading and writing scale over threads.
template <class Message>
void writeAndReadOnThreads(benchmark::State& state, Workload<Message> const& workload) {
    static std::mutex building;  // the first thread builds the workload, the other waits for it
    std::unique_lock<std::mutex> built(building);
    std::string const text = get(workload).text;
    built.unlock();
    MessageReader reader(limitsFor(text));
    Message const own = reader.read<Message>(text);
    XmlStream stream;
    for (auto _ : state) {
        stream.reset();
        own.outputXML(stream, workload.elementName);
        Message const read = reader.read<Message>(stream.str());
        benchmark::DoNotOptimize(&read);
    }
    state.SetItemsProcessed(state.iterations());
}

// The library's reader to events alone, one reader kept from document to
// document: the pass that stands beside the SAX2 pass and pugixml's load.
template <class Message>
void events(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    EventsPass pass(limitsFor(built.text));
    for (auto _ : state) benchmark::DoNotOptimize(pass.pass(built.text));
    setBytes(state, built.text);
}

template <class Message>
void pugixml(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    if (pugixmlLoad(built.text) == 0) note(workload.name + "/pugixml", "pugixml refused the text");
    for (auto _ : state) benchmark::DoNotOptimize(pugixmlLoad(built.text));
    setBytes(state, built.text);
}

// What a programmer writes by hand on pugixml instead of the binding: the
// text loaded and every value copied into plain structs, new each time as
// the direct read's message is (W1 only; PugixmlBinding.h).
void pugixmlBound(benchmark::State& state, Workload<ie08::ExportToApplicationInput> const& workload) {
    Built<ie08::ExportToApplicationInput> const& built = get(workload);
    for (auto _ : state) {
        PlainExportRequest request;
        if (!pugixmlBind(built.text, request)) {
            state.SkipWithError("pugixml refused the text");
            break;
        }
        benchmark::DoNotOptimize(request.inputs.data());
    }
    setBytes(state, built.text);
}

template <class Message>
void sax2Reused(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    Sax2Reused parser;
    for (auto _ : state) benchmark::DoNotOptimize(parser.pass(built.text));
    setBytes(state, built.text);
}

std::string executable;  // this program, to measure the heap in a process of its own

// Runs this program again to take one workload's heap figures, and reports them as counters.
void memory(benchmark::State& state, std::string const& name) {
    for (auto _ : state) {
        std::string const command = "'" + executable + "' --kxsoa_measure_memory='" + name + "'";
        FILE* const child = popen(command.c_str(), "r");
        if (child == nullptr) {
            state.SkipWithError("cannot run the heap measurement");
            return;
        }
        char key[128];
        double value = 0;
        while (std::fscanf(child, "%127s %lf", key, &value) == 2) state.counters[key] = value;
        if (pclose(child) != 0) state.SkipWithError("the heap measurement failed");
    }
}

struct Entry {
    std::string name;
    std::function<void()> registerCases;
    std::function<Figures()> measure;
    std::function<std::string()> text;
};

template <class Message>
Entry entry(Workload<Message> const& workload, bool large) {
    auto const registerCases = [workload, large] {
        auto const timed = [&](char const* what, void (*run)(benchmark::State&, Workload<Message> const&)) {
            benchmark::internal::Benchmark* const b =
                benchmark::RegisterBenchmark((workload.name + "/" + what).c_str(), run, workload);
            b->Unit(large ? benchmark::kMillisecond : benchmark::kMicrosecond);
            if (large)
                b->Iterations(1);  // seconds each: one run
            else
                b->Repetitions(3)->DisplayAggregatesOnly();
        };
        timed("write", write<Message>);
        timed("write_hand", writeByHand<Message>);
        timed("write_reused", writeReused<Message>);
        timed("write_hand_reused", writeByHandReused<Message>);
        timed("write_stream_reused", writeReusedStream<Message>);
        if constexpr (isRequest<Message>) {
            // Under a second each, but compared with each other: the median of 3.
            for (bool each : {false, true}) {
                if (!large) break;
                benchmark::RegisterBenchmark((workload.name + (each ? "/write_each" : "/write_onto_buffer")).c_str(),
                                             each ? writeOntoBuffer<Message, true> : writeOntoBuffer<Message, false>,
                                             workload)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1)
                    ->Repetitions(3)
                    ->DisplayAggregatesOnly();
            }
        }
        timed("parse", parse<Message>);
        timed("parse_bind", parseAndBind<Message>);
        timed("direct", directRead<Message>);
        if (workload.name == "W1-small" || workload.name == "W1/1k") {
            timed("direct_any", directAny<Message>);
            timed("direct_validate", directValidating<Message>);
            if constexpr (isRequest<Message>) timed("direct_refused", directRefused<Message>);
        }
        if (workload.name == "W1-small") timed("direct_next_stream", directNextFromStream<Message>);
        if constexpr (isRequest<Message>) {
            if (large) timed("direct_each_stream", directEachFromStream<Message>);
        }
        timed("events", events<Message>);
        timed("pugixml", pugixml<Message>);
        if constexpr (std::is_same_v<Message, ie08::ExportToApplicationInput>) {
            if (workload.name == "W1-small" || workload.name == "W1/1k") {
                timed("pugixml_bind", pugixmlBound);
                timed("pugixml_write", pugixmlWritten);
            }
        }
        timed("sax2_reused", sax2Reused<Message>);
        timed("sax2", sax2<Message>);
        if (workload.name == "W1-small" || workload.name == "W1/1k") {
            benchmark::RegisterBenchmark((workload.name + "/threads").c_str(), writeAndReadOnThreads<Message>, workload)
                ->Threads(1)
                ->Threads(2)
                ->UseRealTime()
                ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark((workload.name + "/memory").c_str(), memory, workload.name)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    };
    return {workload.name, registerCases, [workload, large] { return heapFigures(workload, large); },
            [workload] { return writeMessage(workload.build(), workload.elementName); }};
}

std::vector<Entry> workloads() {
    auto const w1 = [](std::size_t records) { return [records] { return exportRequest(records, 20, 20, 5); }; };
    auto const w3 = [](std::size_t records) { return [records] { return importRequest(records); }; };
    using W1 = Workload<ie08::ExportToApplicationInput>;
    using W2 = Workload<ie08::GetExportTemplateResponse>;
    using W3 = Workload<ie07::ImportFromApplicationInput>;
    return {entry(W1{"W1-small", 1, e1, [] { return exportRequest(1, 3, 3, 1); }}, false),
            entry(W1{"W1/1k", 1000, e1, w1(1000)}, false), entry(W1{"W1/10k", 10000, e1, w1(10000)}, false),
            entry(W1{"W1/100k", 100000, e1, w1(100000)}, true),
            // A "record" of W2 is one name in each string list and one configured template.
            entry(W2{"W2", 10000, e2, [] { return templateResponse(10000, 10000); }}, false),
            entry(W3{"W3/1k", 1000, e3, w3(1000)}, false), entry(W3{"W3/10k", 10000, e3, w3(10000)}, false),
            entry(W3{"W3/100k", 100000, e3, w3(100000)}, false)};
}

// Of each shape, a small instance: the hand writer must write the library's bytes.
void checkHandWriter(std::string const& name, std::string const& library, std::string const& hand) {
    std::string const differs = difference(library, hand, "by hand");
    if (differs.empty()) return;
    note(name, "THE HAND WRITER WRITES OTHER BYTES: " + differs);
    std::fprintf(stderr, "%s: THE HAND WRITER WRITES OTHER BYTES: %s\n", name.c_str(), differs.c_str());
}

}  // namespace

void registerWorkloadCases(std::string const& program) {
    executable = program;
    checkHandWriter("W1", writeMessage(exportRequest(3, 3, 3, 2), e1), handWritten(exportRequest(3, 3, 3, 2), e1));
    // The pugixml hand binding reads and writes what the library does.
    if (std::string const differs = checkPugixmlBinding(exportRequest(3, 3, 3, 2)); !differs.empty()) {
        note("W1", "THE PUGIXML HAND BINDING DIFFERS: " + differs);
        std::fprintf(stderr, "W1: THE PUGIXML HAND BINDING DIFFERS: %s\n", differs.c_str());
    }
    checkHandWriter("W2", writeMessage(templateResponse(3, 4), e2), handWritten(templateResponse(3, 4), e2));
    checkHandWriter("W3", writeMessage(importRequest(3), e3), handWritten(importRequest(3), e3));
    for (Entry const& e : workloads()) e.registerCases();
}

namespace {

// Runs `use` on the workload named `name`; nonzero if there is none.
int withWorkload(std::string const& name, std::function<void(Entry const&)> const& use) {
    for (Entry const& e : workloads()) {
        if (e.name != name) continue;
        use(e);
        return 0;
    }
    std::fprintf(stderr, "no workload named %s\n", name.c_str());
    return 1;
}

}  // namespace

int measureMemory(std::string const& name) {
    return withWorkload(name, [](Entry const& e) {
        for (auto const& [key, value] : e.measure()) std::printf("%s %.17g\n", key.c_str(), value);
    });
}

int writeWorkload(std::string const& name) {
    return withWorkload(name, [](Entry const& e) {
        std::string const text = e.text();
        std::fwrite(text.data(), 1, text.size(), stdout);
    });
}

}  // namespace kxsoa_bench
