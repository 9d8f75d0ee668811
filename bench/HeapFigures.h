#pragma once

// The heap figures of one workload: peaks while reading, what the tree and
// the bound objects hold, and allocations per record when writing and
// reading.

#include "CountingAllocator.h"
#include "HeldWorkload.h"
#include "Sax2Pass.h"

#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "xml/MessageReader.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using Kestrune::Soa::Common::Xml::XmlStream;

using Figures = std::map<std::string, double>;

// The heap figures of one workload. They are taken in a process of their
// own (see measureMemory): the reader keeps released arena blocks for the
// next document, and blocks left there by earlier cases would hide the
// tree's memory from the count. For a `large` workload the second passes
// (writing into a reused buffer, reading again) are left out, for time.
template <class Message>
Figures heapFigures(Workload<Message> const& workload, bool large) {
    Built<Message> const& built = get(workload);
    double const records = static_cast<double>(workload.records);
    double const size = static_cast<double>(built.text.size());
    XmlReadLimits const limits = limitsFor(built.text);
    Figures figures;
    {
        HeapScope scope;
        XmlStream stream;
        built.message.outputXML(stream, workload.elementName);
        figures["write_allocs_per_record"] = static_cast<double>(scope.allocations()) / records;
    }
    if (!large) {
        ReusedString target;
        for (int pass = 0; pass < 2; ++pass) {  // the second pass is measured
            target.text.clear();
            HeapScope scope;
            XmlStream stream(&target);
            built.message.outputXML(stream, workload.elementName);
            figures["write_steady_allocs_per_record"] = static_cast<double>(scope.allocations()) / records;
        }
    }
    for (char const* pass : {"", "steady_"}) {  // the first read in the process, then one after it
        bool const first = *pass == 0;
        if (!first && large) break;
        HeapScope scope;
        XmlDocument const document = XmlDocument::parse(built.text, limits);
        std::size_t const parsed = scope.allocations();
        std::size_t const tree = scope.liveAbove();
        Message message;
        message.parse(document.root());
        figures[std::string(pass) + "parse_allocs_per_record"] = static_cast<double>(parsed) / records;
        figures[std::string(pass) + "bind_allocs_per_record"] =
            static_cast<double>(scope.allocations() - parsed) / records;
        if (first) {
            // The text is held while reading, so it counts in the peak. The
            // objects hold what binding added and kept; released, the
            // document's blocks may stay with the reader for the next one.
            figures["peak_read_x_doc"] = (size + static_cast<double>(scope.peakAbove())) / size;
            figures["tree_x_doc"] = static_cast<double>(tree) / size;
            figures["objects_x_doc"] = static_cast<double>(scope.liveAbove() - tree) / size;
            figures["objects_bytes_per_record"] = static_cast<double>(scope.liveAbove() - tree) / records;
        }
    }
    {
        HeapScope scope;
        benchmark::DoNotOptimize(sax2Pass(built.text));
        figures["sax2_peak_x_doc"] = (size + static_cast<double>(scope.peakAbove())) / size;
    }
    {
        // Straight into the message: the peak with the text, then the
        // allocations of a second read by the same reader.
        MessageReader reader(limits);
        for (char const* pass : {"", "steady_"}) {
            if (*pass != 0 && large) break;
            HeapScope scope;
            Message const message = reader.read<Message>(built.text);
            if (*pass == 0) figures["direct_peak_x_doc"] = (size + static_cast<double>(scope.peakAbove())) / size;
            figures[std::string(pass) + "direct_allocs_per_record"] =
                static_cast<double>(scope.allocations()) / records;
        }
    }
    Contents const& c = built.contents;
    figures["records"] = records;
    figures["doc_bytes"] = size;
    figures["bind_bound_per_record"] = static_cast<double>(c.objects + c.longStrings) / records;
    figures["lists_per_record"] = static_cast<double>(c.lists) / records;
    return figures;
}

}  // namespace kxsoa_bench
