// Throughput of writing and reading a large export request, against the two
// baselines that bound it: libxml2's bare SAX2 pass over the same text (for
// reading) and a hand-written writer appending the same bytes to a string
// (for writing).
//
//   build/default/bench/bench_readwrite --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "host/XmlString.h"
#include "importexport/2007_06/ExportToApplicationInput.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using namespace Kestrune::Soa::Common::Xml;

namespace {

constexpr int kRecords = 2500;
constexpr int kObjectsPerRecord = 8;
constexpr int kAttributesPerRecord = 8;

ie::ExportToApplicationInput const& request() {
    static ie::ExportToApplicationInput const built = [] {
        ie::ExportToApplicationInput r;
        for (int i = 0; i < kRecords; ++i) {
            ie::ExportToApplicationInputData record("application/vnd.spreadsheet", "template-" + std::to_string(i));
            for (int j = 0; j < kObjectsPerRecord; ++j)
                record.addObjectsToExport(ModelObject("QmXk" + std::to_string(i * 100 + j) + "AbCdEf", "ItemRevision"));
            for (int j = 0; j < kAttributesPerRecord; ++j)
                record.addAttributesToExport(j % 4 == 0 ? "owning_user & group" : "object_name_" + std::to_string(j));
            r.addInput(record);
        }
        return r;
    }();
    return built;
}

std::string const& requestText() {
    static std::string const text = [] {
        XmlStream stream;
        request().outputXML(stream, "exportToApplication");
        return stream.str();
    }();
    return text;
}

// The same bytes as the library writes, appended by hand: what writing
// costs at the least.
void handWritten(std::string& out) {
    std::string const ie07 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
    std::string const base = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";
    out += "<ns1:exportToApplication xmlns:ns1=\"" + ie07 + "\" xmlns:ns2=\"" + base + "\">";
    for (ie::ExportToApplicationInputData const& record : request().getInputArray()) {
        out += "<ns1:inputs applicationFormat=\"";
        appendXmlString(out, record.getApplicationFormat());
        out += "\" templateId=\"";
        appendXmlString(out, record.getTemplateId());
        out += "\">";
        for (ModelObject const& object : record.getObjectsToExportArray()) {
            out += "<ns1:objectsToExport uid=\"";
            appendXmlString(out, object.getUid());
            out += "\" type=\"";
            appendXmlString(out, object.getType());
            out += "\"/>";
        }
        for (std::string const& attribute : record.getAttributesToExportArray()) {
            out += "<ns1:attributesToExport>";
            appendXmlString(out, attribute);
            out += "</ns1:attributesToExport>";
        }
        out += "</ns1:inputs>";
    }
    out += "</ns1:exportToApplication>";
}

std::string handWritten() {
    std::string out;
    handWritten(out);
    return out;
}

// Appends to a string that the benchmark reuses, so that both writers are
// measured without the cost of growing the string and touching fresh pages.
class ReusedString : public std::streambuf {
public:
    std::string text;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) text.push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(char const* s, std::streamsize n) override {
        text.append(s, static_cast<std::size_t>(n));
        return n;
    }
};

// Into a fresh string each time, as a caller that keeps nothing would.
void WriteRequest(benchmark::State& state) {
    for (auto _ : state) {
        XmlStream stream;
        request().outputXML(stream, "exportToApplication");
        benchmark::DoNotOptimize(stream.str().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * requestText().size()));
}

void WriteByHand(benchmark::State& state) {
    if (handWritten() != requestText()) throw std::logic_error("the baseline does not write the same bytes");
    for (auto _ : state) {
        std::string const text = handWritten();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * requestText().size()));
}

// Into a string whose memory is reused: the formatting work alone.
void WriteRequestReused(benchmark::State& state) {
    ReusedString target;
    for (auto _ : state) {
        target.text.clear();
        XmlStream stream(&target);
        request().outputXML(stream, "exportToApplication");
        benchmark::DoNotOptimize(target.text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * requestText().size()));
}

void WriteByHandReused(benchmark::State& state) {
    std::string text;
    for (auto _ : state) {
        text.clear();
        handWritten(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * requestText().size()));
}

// libxml2's SAX2 pass with callbacks that only count: what reading costs at the least.
void ReadBareSax2(benchmark::State& state) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = [](void* count, xmlChar const*, xmlChar const*, xmlChar const*, int, xmlChar const**, int,
                                int, xmlChar const**) { ++*static_cast<long*>(count); };
    handler.characters = [](void* count, xmlChar const*, int) { ++*static_cast<long*>(count); };
    std::string const& text = requestText();
    for (auto _ : state) {
        long events = 0;
        xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&handler, &events, nullptr, 0, nullptr);
        xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_HUGE);
        xmlParseChunk(context, text.data(), static_cast<int>(text.size()), 1);
        xmlFreeParserCtxt(context);
        benchmark::DoNotOptimize(events);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void ReadDocument(benchmark::State& state) {
    std::string const& text = requestText();
    for (auto _ : state) {
        XmlDocument const document = XmlDocument::parse(text);
        benchmark::DoNotOptimize(&document.root());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void ReadRequest(benchmark::State& state) {
    std::string const& text = requestText();
    for (auto _ : state) {
        XmlDocument const document = XmlDocument::parse(text);
        ie::ExportToApplicationInput parsed;
        parsed.parse(document.root());
        benchmark::DoNotOptimize(parsed.getInputArray().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace

BENCHMARK(WriteByHandReused)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRequestReused)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteByHand)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRequest)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBareSax2)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRequest)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
