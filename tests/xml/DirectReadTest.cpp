// Reading straight from the text (MessageReader) against reading through a
// tree: the same values, errors, probes and allocations, for every type.

#include "support/CountingMemoryManager.h"
#include "support/ProbeRecorder.h"
#include "tools/ie/MessageTypes.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using kxsoa_ie::MessageType;
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
    if (tree.result.rfind("refused: XML", 0) == 0) return;  // the tree never bound: no probe, no object
    EXPECT_EQ(direct.probes, tree.probes) << type.fullName() << " from " << what;
    EXPECT_EQ(direct.allocations, tree.allocations) << type.fullName() << " from " << what;
}

TEST(DirectRead, EveryTypeReadsItsSampleAndEverySeedAsThroughATree) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (MessageType const& type : kxsoa_ie::messageTypes()) texts.emplace_back(type.fullName(), type.sample(type, 3));
    for (auto const& seed : std::filesystem::directory_iterator(KXSOA_READ_SEEDS)) {
        std::ifstream in(seed.path(), std::ios::binary);
        texts.emplace_back(seed.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
    }
    // Refusals in the middle of a record, and one before a fault in the
    // text, which is the text's error either way.
    std::string const sample = kxsoa_ie::messageTypes()[9].sample(kxsoa_ie::messageTypes()[9], 2);
    texts.emplace_back("an unknown child", std::string(sample).insert(sample.rfind("</"), "<unknown/>"));
    texts.emplace_back("a broken text after an unknown child", sample.substr(0, sample.find("/>") + 2) + "<unknown/><");
    for (MessageType const& type : kxsoa_ie::messageTypes())
        for (auto const& [what, text] : texts) expectAlike(type, text, what);
}

TEST(DirectRead, RecordsOneAtATimeAsTheyEndAndNoneKept) {
    v08::ExportToApplicationInput request;
    for (int i = 0; i < 3; ++i) request.addInput(v08::ExportToApplicationInputData1("csv", "t", std::to_string(i)));
    std::string const xml = Kestrune::Soa::Common::Xml::writeMessage(request, "request");
    MessageReader reader;
    std::vector<std::string> ids;
    for (int pass = 0; pass < 2; ++pass) {  // the reader again, from a stream
        ids.clear();
        std::istringstream in(xml);
        auto onRecord = [&](v08::ExportToApplicationInputData1 const& record) { ids.push_back(record.getTemplateId()); };
        v08::ExportToApplicationInput const rest =
            pass == 0 ? reader.readEach<v08::ExportToApplicationInput>(xml, onRecord)
                      : reader.readEach<v08::ExportToApplicationInput>(in, onRecord);
        EXPECT_EQ(ids, (std::vector<std::string>{"0", "1", "2"}));
        EXPECT_TRUE(rest.getInputArray().empty());
    }
    // A record refused in its middle is not handed on; those before it were.
    std::string broken = xml;
    broken.insert(broken.find("templateId=\"2\">") + 15, "<ns1:oops/>");
    ids.clear();
    try {
        reader.readEach<v08::ExportToApplicationInput>(
            broken, [&](v08::ExportToApplicationInputData1 const& r) { ids.push_back(r.getTemplateId()); });
        ADD_FAILURE() << broken;
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "Unexpected node name: oops");
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"0", "1"}));
}

}  // namespace
