// A stream reset between messages writes what a new stream writes for each
// of them, whatever the one before did: failed writes leave nothing in the
// caller's buffer that had not gone on before the failure, no probe is left
// started, and the stream's error state and namespaces start clean.

#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"

#include "host/DomException.h"
#include "host/XmlReadLimits.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/MessageReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::RootName;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using Kestrune::Soa::Common::Xml::XmlStream;

ExportToApplicationInput requestOf(int records, std::string const& lastId = "last") {
    ExportToApplicationInput request;
    for (int i = 0; i < records; ++i) {
        ExportToApplicationInputData1 record("csv", "t", i + 1 == records ? lastId : std::to_string(i));
        record.addObjectsToExport(kxsoa_test::ModelObject("o", "Item"));
        request.addInput(record);
    }
    return request;
}

// What writing one message gave: the exception's message, or "written"; how
// many bytes of it the caller's buffer had taken when it ended; the probes.
struct Outcome {
    std::string result;
    std::size_t handedOn;
    std::vector<std::string> probes;
};

Outcome write(std::function<void(XmlStream&)> const& message, XmlStream& stream) {
    kxsoa_test::ProbeRecorder probes;
    std::string result = "written";
    try {
        message(stream);
    } catch (DomException const& e) {
        result = e.getMessage();
    }
    return {result, stream.bytesHandedOn(), probes.events};
}

TEST(StreamReuse, AResetStreamWritesWhatANewStreamWritesAfterAnyFailure) {
    std::size_t const maxName = XmlReadLimits().maxNameBytes;
    std::string const piece(64 * 1024, 'x');
    struct Message {
        char const* what;
        std::function<void(XmlStream&)> write;
        std::string result;   // "written" or the refusal
        bool handsOnNothing;  // of a failed message: nothing went on before the failure
    };
    std::vector<Message> const messages{
        {"a request", [](XmlStream& s) { requestOf(3).outputXML(s, "request"); }, "written", false},
        {"a control character in the last record",
         [](XmlStream& s) { requestOf(3, "bell\x07").outputXML(s, "request"); },
         "toXmlString: the control character U+0007 at byte offset 4 of a 5-byte text cannot be carried by XML 1.0",
         true},
        {"a refused root name, its namespaces gathered", [](XmlStream& s) { requestOf(1).outputXML(s, "a b"); },
         "XmlStream: 'a b' is not a valid element name", true},
        // The name as written, "ns1:" and all.
        {"a root name at the reader's limit",
         [&](XmlStream& s) { requestOf(1).outputXML(s, std::string(maxName - 4, 'r')); }, "written", false},
        {"a root name past it", [&](XmlStream& s) { requestOf(1).outputXML(s, std::string(maxName - 3, 'r')); },
         "XmlStream: an element name of " + std::to_string(maxName + 1) +
             " bytes is longer than XmlReadLimits::maxNameBytes (" + std::to_string(maxName) +
             " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxNameBytes)",
         true},
        {"a failure after a piece went on",
         [&](XmlStream& s) { requestOf(1000, piece + "\x01").outputXML(s, "request"); },
         "toXmlString: the control character U+0001 at byte offset 65536 of a 65537-byte text cannot be carried by XML "
         "1.0",
         false},
        {"the request again", [](XmlStream& s) { requestOf(3).outputXML(s, "request"); }, "written", false},
    };

    // Each message on a new stream, each stream on a buffer of its own.
    std::string const probe =
        "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput::outputXML";
    std::vector<Outcome> fresh;
    std::vector<std::string> freshTexts;
    for (Message const& message : messages) {
        std::stringbuf target;
        {
            XmlStream stream(&target);
            fresh.push_back(write(message.write, stream));
        }
        freshTexts.push_back(target.str());
        EXPECT_EQ(fresh.back().result, message.result) << message.what;
        // No probe is left started: a failed write abandons it.
        EXPECT_EQ(
            fresh.back().probes,
            (std::vector<std::string>{"start " + probe, (message.result == "written" ? "end " : "abandoned ") + probe}))
            << message.what;
        if (message.result == "written") {
            EXPECT_EQ(fresh.back().handedOn, target.str().size()) << message.what;
            // What the writer wrote, a reader with the default limits reads.
            MessageReader reader(XmlReadLimits(), RootName::anyName());
            ExportToApplicationInput const read = reader.read<ExportToApplicationInput>(target.str());
            int const records = static_cast<int>(read.getInputArray().size());
            EXPECT_EQ(kxsoa_test::written(read, "request"), kxsoa_test::written(requestOf(records), "request"));
        } else if (message.handsOnNothing) {
            EXPECT_EQ(target.str(), "") << message.what;  // the destructor dropped the unfinished text
            EXPECT_EQ(fresh.back().handedOn, 0u) << message.what;
        } else {
            // The first piece went on, and nothing after it.
            std::string const whole = kxsoa_test::written(requestOf(1000, piece + "y"), "request");
            EXPECT_EQ(fresh.back().handedOn, target.str().size()) << message.what;
            EXPECT_GE(target.str().size(), 64u * 1024) << message.what;
            EXPECT_EQ(target.str(), whole.substr(0, target.str().size())) << message.what;
        }
    }

    // The same messages on one stream, reset between them, twice over.
    std::stringbuf target;
    XmlStream reused(&target);
    std::string expected;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < messages.size(); ++i) {
            Outcome const outcome = write(messages[i].write, reused);
            EXPECT_EQ(outcome.result, fresh[i].result) << messages[i].what;
            EXPECT_EQ(outcome.handedOn, fresh[i].handedOn) << messages[i].what;
            EXPECT_EQ(outcome.probes, fresh[i].probes) << messages[i].what;
            reused.reset();
            expected += freshTexts[i];
        }
    }
    EXPECT_EQ(target.str(), expected);
}

}  // namespace
