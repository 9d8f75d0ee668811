// Reading straight from the text (MessageReader) against reading through a
// tree: the same values, errors, probes and allocations, for every type.

#include "support/CountingMemoryManager.h"
#include "support/HeapInUse.h"
#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"
#include "tools/ie/MessageTypes.h"
#include "tools/ie/Samples.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/AnyMessage.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::parseAnyMessage;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using kxsoa_ie::MessageType;
using kxsoa_test::domExceptionMessage;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

// What one way of reading gave: the message written back and dumped, or the
// refusal; with the probes that fired and the objects the manager handed out.
struct Outcome {
    std::string result;
    std::vector<std::string> probes;
    std::map<std::string, int, std::less<>> allocations;
};

template <class Read>
Outcome outcomeOf(Read&& read) {
    Outcome outcome;
    kxsoa_test::CountingMemoryManager manager;
    kxsoa_test::ScopedMemoryManager const installed(manager);
    kxsoa_test::ProbeRecorder recorder;
    try {
        kxsoa_ie::Bound const bound = read();
        outcome.result = bound.written + "\n" + bound.dump;
    } catch (DomException const& e) {
        // A refusal of the text has the path of what read it: a tree numbers
        // every element, a message only the entries of its lists.
        bool const ofTheText = e.getMessage().rfind("XML ", 0) == 0;
        outcome.result = "refused: " + e.getMessage() + " (line " + std::to_string(e.line()) + ", column " +
                         std::to_string(e.column()) + (ofTheText ? "" : ", at " + e.path()) + ")";
    }
    outcome.probes = recorder.events;
    outcome.allocations = manager.allocationsByType;
    return outcome;
}

// The text read as `type` both ways, found alike.
void expectAlike(MessageType const& type, std::string const& text, std::string const& what) {
    XmlReadLimits limits;
    std::string rootName = "root";
    Outcome const tree = outcomeOf([&] {
        XmlDocument const document = XmlDocument::parse(text, limits);
        rootName = std::string(document.root().name);
        return type.bind(document.root());
    });
    Outcome const direct = outcomeOf([&] { return type.read(text, rootName, limits); });
    EXPECT_EQ(direct.result, tree.result) << type.fullName() << " from " << what;
    EXPECT_EQ(direct.probes, tree.probes) << type.fullName() << " from " << what;
    if (tree.result.rfind("refused: XML", 0) == 0) return;  // the tree never bound: no object
    EXPECT_EQ(direct.allocations, tree.allocations) << type.fullName() << " from " << what;
}

v08::ExportToApplicationInput requestOf(int records, int entriesPerList) {
    v08::ExportToApplicationInput request;
    for (int r = 0; r < records; ++r) {
        v08::ExportToApplicationInputData1 record("csv", "t", std::to_string(r));
        for (int e = 0; e < entriesPerList; ++e) {
            record.addObjectsToExport(Kestrune::Schemas::Soa::_2006_03::Base::ModelObject("o" + std::to_string(e)));
            record.addAttributesToExport("a");
            record.addObjectTemplateOverride(v08::TemplateOverride("b", "t", "i"));
        }
        request.addInput(record);
    }
    return request;
}

// A message read straight from its text takes no more memory than its tree
// may (XmlReadLimits::maxTreeBytesPerByte), whatever the reader read before:
// lists of 64 entries in one message leave no room reserved for the next.
TEST(DirectRead, AMessageTakesTheMemoryOfItsOwnShapeWhateverCameBefore) {
    std::string const wide = Kestrune::Soa::Common::Xml::writeMessage(requestOf(1, 64), "request");
    std::string const narrow = Kestrune::Soa::Common::Xml::writeMessage(requestOf(100000, 1), "request");
    XmlReadLimits const limits;
    MessageReader reader(limits);
    EXPECT_EQ(reader.read<v08::ExportToApplicationInput>(wide).getInputArray().size(), 1u);
    std::size_t const before = kxsoa_test::heapInUse();
    v08::ExportToApplicationInput const read = reader.read<v08::ExportToApplicationInput>(narrow);
    std::size_t const held = kxsoa_test::heapInUse() - before;
    EXPECT_EQ(read.getInputArray().size(), 100000u);
    EXPECT_LE(held, limits.maxTreeBytesPerByte * narrow.size() + 64 * 1024)
        << static_cast<double>(held) / static_cast<double>(narrow.size()) << " bytes per byte";
}

// A list read straight from the text starts with the room that the last
// list of its entries read by the same reader ended with, up to 64 entries:
// one shape read again grows no list, another shape changes it at once.
TEST(DirectRead, AListStartsWithTheRoomTheLastListOfItsEntriesEndedWith) {
    MessageReader reader;
    auto const rooms = [&reader](int entries) {
        std::string const xml = Kestrune::Soa::Common::Xml::writeMessage(requestOf(1, entries), "request");
        v08::ExportToApplicationInput const request = reader.read<v08::ExportToApplicationInput>(xml);
        v08::ExportToApplicationInputData1 const& record = request.getInputArray().front();
        return std::vector<std::size_t>{record.getObjectsToExportArray().capacity(),
                                        record.getAttributesToExportArray().capacity(),
                                        record.getObjectTemplateOverrideArray().capacity()};
    };
    // Each shape in turn, the room its lists start with.
    for (auto const& [entries, room] : {std::pair{5, 8u}, {5, 5u}, {2, 5u}, {2, 2u}, {100, 128u}, {1, 64u}, {1, 1u}})
        EXPECT_EQ(rooms(entries), std::vector<std::size_t>(3, room)) << entries << " after the shapes before";
    // What it keeps it gives up past its bound.
    EXPECT_GT(reader.keptBytes(), 0u);
    EXPECT_LE(reader.keptBytes(), reader.maxKeptBytes());
    reader.setMaxKeptBytes(0);
    for (int again = 0; again < 2; ++again) {
        EXPECT_EQ(rooms(5), std::vector<std::size_t>(3, 8u));  // grown as entries came
        EXPECT_EQ(reader.keptBytes(), 0u);
    }
}

// A reused reader gives each message the outcome a new reader gives it, its
// probes included, whatever the messages before: broken after the root's
// start tag, in another namespace, refused by binding, or read whole.
TEST(DirectRead, AReusedReaderReadsEachMessageAsANewOne) {
    std::string const good = Kestrune::Soa::Common::Xml::writeMessage(requestOf(2, 2), "request");
    std::string const sequence[] = {
        good.substr(0, good.find("<ns1:inputs")) + "<ns1:inputs",  // broken after the root's start tag
        "<r xmlns='urn:other'/>",                                  // another namespace
        std::string(good).insert(good.rfind("</"), "<ns1:unknown/>"),
        good,
        good.substr(0, good.size() - 1),
        good,
    };
    MessageReader reused(XmlReadLimits(), MessageReader::Root::InTheTypesNamespace);
    for (std::string const& text : sequence) {
        MessageReader fresh(XmlReadLimits(), MessageReader::Root::InTheTypesNamespace);
        auto const outcome = [&text](MessageReader& reader) {
            kxsoa_test::ProbeRecorder probes;
            std::string result;
            try {
                result =
                    Kestrune::Soa::Common::Xml::writeMessage(reader.read<v08::ExportToApplicationInput>(text), "r");
            } catch (DomException const& e) {
                result = e.getMessage() + " (line " + std::to_string(e.line()) + ")";
            }
            for (std::string const& event : probes.events) result += "\n" + event;
            return result;
        };
        EXPECT_EQ(outcome(reused), outcome(fresh)) << text;
    }
}

std::vector<std::string> handed;  // the dumps of the records handed on
void keep(v08::ExportToApplicationInputData1 const& record) { handed.push_back(record.dump()); }

// Records are handed on as they end, none kept in the request returned, to
// any callable: a lambda (const or not), a std::function (const or not), a
// function and a pointer to one; from a text and from a stream; and by
// readEachAny, which takes a request of any type. A record refused in its
// middle is not handed on; those before it were.
TEST(DirectRead, RecordsGoOneAtATimeAsTheyEndToAnyCallableAndNoneIsKept) {
    using Request = v08::ExportToApplicationInput;
    Request const request = requestOf(3, 1);
    std::string const xml = Kestrune::Soa::Common::Xml::writeMessage(request, "ExportToApplicationInput");
    std::vector<std::string> records;
    for (auto const& record : request.getInputArray()) records.push_back(record.dump());
    MessageReader reader;  // one for every way
    auto const lambda = [](v08::ExportToApplicationInputData1 const& record) { keep(record); };
    auto const any = [](auto const& record) { handed.push_back(record.dump()); };
    std::function<void(v08::ExportToApplicationInputData1 const&)> const constFunction = lambda;
    std::function<void(v08::ExportToApplicationInputData1 const&)> function = lambda;
    std::istringstream in(xml), anyIn(xml);
    std::pair<char const*, std::function<Request()>> const ways[] = {
        {"a const lambda", [&] { return reader.readEach<Request>(xml, lambda); }},
        {"from a stream", [&] { return reader.readEach<Request>(in, lambda); }},
        {"a const std::function", [&] { return reader.readEach<Request>(xml, constFunction); }},
        {"a std::function", [&] { return reader.readEach<Request>(xml, function); }},
        {"a mutable lambda", [&] { return reader.readEach<Request>(xml, [](auto const& r) mutable { keep(r); }); }},
        {"a function", [&] { return reader.readEach<Request>(xml, keep); }},
        {"a pointer to a function", [&] { return reader.readEach<Request>(xml, &keep); }},
        {"any request", [&] { return std::get<Request>(reader.readEachAny(xml, any)); }},
        {"any request from a stream", [&] { return std::get<Request>(reader.readEachAny(anyIn, any)); }},
    };
    for (auto const& [way, read] : ways) {
        handed.clear();
        EXPECT_TRUE(read().getInputArray().empty()) << way;
        EXPECT_EQ(handed, records) << way;
    }
    std::string broken = xml;
    broken.insert(broken.find("templateId=\"2\">") + 15, "<ns1:oops/>");
    handed.clear();
    EXPECT_EQ(domExceptionMessage([&] { reader.readEach<Request>(broken, keep); }), "Unexpected node name: oops");
    EXPECT_EQ(handed, std::vector<std::string>(records.begin(), records.begin() + 2));
}

// A message read as any type, written back under `elementName` and dumped.
kxsoa_ie::Bound boundAny(AnyMessage const& message, std::string const& elementName) {
    return std::visit(
        [&](auto const& read) {
            return kxsoa_ie::Bound{Kestrune::Soa::Common::Xml::writeMessage(read, elementName), read.dump(), nullptr};
        },
        message);
}

// Every type reads every sample (each also with an unknown child, refused in
// the middle of a record) and every seed straight from the text as through a
// tree. And a sample read as any message, from a text, a stream and a tree,
// is read as the type its root names, with its values, refusals, probes and
// allocations.
TEST(DirectRead, EveryTypeReadsEverySampleAndSeedAsThroughATreeAndAnyMessageAsTheTypeItsRootNames) {
    using Kestrune::Soa::Common::Xml::messageIndex;
    using Kestrune::Soa::Common::Xml::messageType;
    std::vector<std::pair<std::string, std::string>> texts;
    MessageReader reader;  // one for every type
    for (std::size_t index = 0; index < kxsoa_ie::messageTypes().size(); ++index) {
        MessageType const& type = kxsoa_ie::messageTypes()[index];
        EXPECT_EQ(std::string(messageType(index).version) + '/' + messageType(index).name, type.fullName());
        EXPECT_EQ(messageIndex(messageType(index).namespaceURI, type.name), index);
        std::string const sample = type.sample(type, 3);
        std::size_t const end = sample.rfind("</");  // none when the root is empty: a record of attributes
        std::string const refused = end == std::string::npos ? sample : std::string(sample).insert(end, "\n<unknown/>");
        texts.emplace_back(type.fullName(), sample);
        texts.emplace_back(type.fullName() + " with an unknown child", refused);
        for (std::string const& text : {sample, refused}) {
            Outcome const known = outcomeOf([&] { return type.read(text, type.name, {}); });
            for (char const* from : {"text", "stream", "tree"}) {
                Outcome const any = outcomeOf([&] {
                    std::istringstream in(text);
                    AnyMessage const message = from[1] == 'e'   ? reader.readAny(text)
                                               : from[1] == 't' ? reader.readAny(in)
                                                                : parseAnyMessage(XmlDocument::parse(text).root());
                    EXPECT_EQ(message.index(), index);
                    return boundAny(message, type.name);
                });
                EXPECT_EQ(any.result, known.result) << type.fullName() << " from " << from;
                EXPECT_EQ(any.probes, known.probes) << type.fullName() << " from " << from;
                EXPECT_EQ(any.allocations, known.allocations) << type.fullName() << " from " << from;
            }
        }
    }
    for (auto const& seed : std::filesystem::directory_iterator(KXSOA_READ_SEEDS)) {
        std::ifstream in(seed.path(), std::ios::binary);
        texts.emplace_back(seed.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
    }
    // A refusal before a fault in the text is the text's error either way.
    std::string const sample = kxsoa_ie::messageTypes()[9].sample(kxsoa_ie::messageTypes()[9], 2);
    texts.emplace_back("a broken text after an unknown child", sample.substr(0, sample.find("/>") + 2) + "<unknown/><");
    for (MessageType const& type : kxsoa_ie::messageTypes())
        for (auto const& [what, text] : texts) expectAlike(type, text, what);
}

TEST(DirectRead, AnyMessageRefusesARootThatTellsNoTypeListingWhatItAccepts) {
    std::string const uri7 = kxsoa_ie::messageTypes()[0].namespaceURI, uri8 = kxsoa_ie::messageTypes()[6].namespaceURI;
    std::string const versions = "which is no message version's: 2007-06 \"" + uri7 + "\" or 2008-06 \"" + uri8 + "\"";
    std::string const named = "<ImportFromApplicationInputData1 xmlns='" + uri7 + "'/>";
    struct Case {
        std::string text, refusal;
    };
    for (Case const& c : {
             Case{"<r xmlns='urn:x'>\n<a/></r>",
                  "the root element \"r\" is in namespace \"urn:x\", " + versions + " (line 1, column 17, at /r)"},
             Case{"<r/>", "the root element \"r\" is in no namespace, " + versions + " (line 1, column 3, at /r)"},
             Case{named, "the root element \"ImportFromApplicationInputData1\" in namespace \"" + uri7 +
                             "\" names no 2007-06 message type: ImportFromApplicationInputData, "
                             "ImportFromApplicationInput, ImportFromApplicationResponse, ExportToApplicationInputData, "
                             "ExportToApplicationInput or ExportToApplicationResponse (line 1, column " +
                             std::to_string(named.find("/>") + 1) + ", at /ImportFromApplicationInputData1)"},
         }) {
        MessageReader reader;
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { reader.readAny(c.text); }), c.refusal);
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { parseAnyMessage(XmlDocument::parse(c.text).root()); }),
                  c.refusal);
        // A broken text is refused as such, whatever its root.
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { reader.readAny(c.text + "<"); }),
                  kxsoa_test::domExceptionPlace([&] { XmlDocument::parse(c.text + "<"); }));
    }
}

}  // namespace
