#pragma once

// The timed cases of writing a workload, each beside its baselines: the
// library's stream, fresh and reused, against the hand writer (HandWriter.h)
// into a fresh and a reused string, and against a hand write through
// pugixml; and a request written onto a caller's buffer, whole or record by
// record. Registered by WorkloadCases.cpp.

#include "CountingAllocator.h"
#include "HandWriter.h"
#include "HeldWorkload.h"
#include "PugixmlBinding.h"
#include "Summary.h"
#include "TextDifference.h"

#include "host/XmlStream.h"
#include "xml/RequestWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <streambuf>
#include <string>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Xml::RequestWriter;
using Kestrune::Soa::Common::Xml::XmlStream;

template <class Message>
std::string handWritten(Message const& message, std::string const& elementName) {
    std::string out;
    handWrite(out, message, elementName);
    return out;
}

template <class Message>
void write(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    for (auto _ : state) {
        XmlStream stream;
        built.message.outputXML(stream, workload.elementName);
        benchmark::DoNotOptimize(stream.str().data());
    }
    setBytes(state, built.text);
}

template <class Message>
void writeByHand(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    std::string const differs = difference(built.text, handWritten(built.message, workload.elementName), "by hand");
    if (!differs.empty()) note(workload.name + "/write_hand", "THE HAND WRITER WRITES OTHER BYTES: " + differs);
    for (auto _ : state) {
        std::string out;
        handWrite(out, built.message, workload.elementName);
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, built.text);
    state.counters["same_bytes"] = differs.empty() ? 1 : 0;
}

// Both writers again, into a buffer whose memory is reused: the formatting
// work alone, without growing a string and touching fresh pages.
template <class Message>
void writeReused(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    ReusedString target;
    for (auto _ : state) {
        target.text.clear();
        XmlStream stream(&target);
        built.message.outputXML(stream, workload.elementName);
        benchmark::DoNotOptimize(target.text.data());
    }
    setBytes(state, built.text);
}

template <class Message>
void writeByHandReused(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    std::string out;
    for (auto _ : state) {
        out.clear();
        handWrite(out, built.message, workload.elementName);
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, built.text);
}

// The request written through pugixml by hand (PugixmlBinding.h) into a
// reused string, from plain structs copied once, untimed (W1 only).
inline void pugixmlWritten(benchmark::State& state, Workload<ie08::ExportToApplicationInput> const& workload) {
    Built<ie08::ExportToApplicationInput> const& built = get(workload);
    PlainExportRequest const request = plainOf(built.message);
    std::string out;
    for (auto _ : state) {
        pugixmlWrite(request, out);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != built.text) note(workload.name + "/pugixml_write", "pugixml wrote other bytes");
    setBytes(state, built.text);
}

// One stream written again and again, reset between messages, as a server
// writes its answers: its buffers keep their memory. Counter
// allocs_per_message: the allocations of the timed messages, after one
// untimed message.
template <class Message>
void writeReusedStream(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    XmlStream stream;
    built.message.outputXML(stream, workload.elementName);
    HeapScope const scope;
    for (auto _ : state) {
        stream.reset();
        built.message.outputXML(stream, workload.elementName);
        benchmark::DoNotOptimize(stream.str().data());
    }
    state.counters["allocs_per_message"] =
        static_cast<double>(scope.allocations()) / static_cast<double>(state.iterations());
    if (stream.str() != built.text) note(workload.name + "/write_stream_reused", "the reused stream wrote other bytes");
    setBytes(state, built.text);
}

// A caller's buffer that takes every byte and keeps none: a pipe whose
// reader keeps up.
class Discarding : public std::streambuf {
public:
    std::size_t bytes = 0;

protected:
    int_type overflow(int_type c) override {
        ++bytes;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(char const*, std::streamsize n) override {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
};

// A request written onto a caller's buffer whole (outputXML), or record by
// record as the records come (RequestWriter; here from the built request).
// Counter peak_MB: the most heap the writing held at once.
template <class Message, bool EachRecord>
void writeOntoBuffer(benchmark::State& state, Workload<Message> const& workload) {
    Built<Message> const& built = get(workload);
    Discarding target;
    std::size_t peak = 0;
    for (auto _ : state) {
        HeapScope const scope;
        XmlStream stream(&target);
        if constexpr (EachRecord) {
            RequestWriter<Message> writer(stream);
            writer.open(workload.elementName);
            for (auto const& record : built.message.getInputArray()) writer.write(record);
            writer.close();
        } else {
            built.message.outputXML(stream, workload.elementName);
        }
        peak = std::max(peak, scope.peakAbove());
    }
    if (target.bytes != built.text.size() * state.iterations())
        note(workload.name + (EachRecord ? "/write_each" : "/write_onto_buffer"), "bytes lost");
    setBytes(state, built.text);
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
}

}  // namespace kxsoa_bench
