#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using namespace Kestrune::Soa::Common::Xml;

// Every event as a line: starts with names, namespace, line, root flag and
// attributes; the text of each element gathered until its end.
class Recorder : public XmlEventHandler {
public:
    std::vector<std::string> lines;

    void startElement(XmlElementStart const& e) override {
        std::string line = "<" + std::string(e.namespaceURI.text) + "|" + std::string(e.name.text) + " line " +
                           std::to_string(e.line) + (e.root ? " root" : "");
        for (std::size_t i = 0; i < e.attributeCount; ++i) {
            line += " " + std::string(e.attributes[i].namespaceURI.text) + "|" +
                    std::string(e.attributes[i].name.text) + "=" + std::string(e.attributes[i].value);
        }
        lines.push_back(line);
        m_text.emplace_back();
    }
    void characters(std::string_view text) override { m_text.back().append(text); }
    void endElement() override {
        lines.push_back(">" + m_text.back());
        m_text.pop_back();
    }

private:
    std::vector<std::string> m_text;
};

std::vector<std::string> eventsOfText(XmlReader& reader, std::string const& xml) {
    Recorder recorder;
    reader.read(xml, recorder);
    return recorder.lines;
}

std::vector<std::string> eventsOfTree(std::string const& xml) {
    Recorder recorder;
    walk(XmlDocument::parse(xml).root(), recorder);
    return recorder.lines;
}

std::string const documents[] = {
    "<r xmlns='urn:a' xmlns:p='urn:p' p:k='v' k='w'>head<p:x a='1'/>\n<y xmlns=''>in<![CDATA[&]]>ner</y>"
    "<?pi d?>mid<z><p:w/></z>tail</r>",
    "<?xml version='1.0'?>\n<!-- c -->\n<a>\n  <b>\n    <c/>\n  </b>\n</a>\n",
    "<deep><d><d><d><d>text</d></d></d></d></deep>",
};

TEST(XmlReaderTest, ReportsWhatTheTreeHoldsInTheSameOrderDocumentAfterDocument) {
    XmlReader reader;
    std::string big = "<r>";
    for (int i = 0; i < 3000; ++i) big += "<e n='" + std::to_string(i) + "'>caf\xC3\xA9 au lait<f/>then</e>\n";
    big += "</r>";
    for (int round = 0; round < 2; ++round) {
        for (std::string const& xml : documents) EXPECT_EQ(eventsOfText(reader, xml), eventsOfTree(xml)) << xml;
        EXPECT_EQ(eventsOfText(reader, big), eventsOfTree(big));
    }
}

TEST(XmlReaderTest, AfterAFailedDocumentTheNextIsReadWhole) {
    XmlReadLimits limits;
    limits.maxAttributes = 4;
    XmlReader reader(limits);
    struct Thrown {};
    struct ThrowsAtSecondElement : Recorder {
        int seen = 0;
        void startElement(XmlElementStart const& e) override {
            if (++seen == 2) throw Thrown{};
            Recorder::startElement(e);
        }
    } thrower;
    EXPECT_THROW(reader.read(documents[0], thrower), Thrown);  // the handler's own exception, unchanged
    EXPECT_THROW(eventsOfText(reader, "<a v='0' w='1' x='2' y='3' z='4'/>"), DomException);
    EXPECT_THROW(eventsOfText(reader, "<a><b></a>"), DomException);
    std::istringstream stream(documents[0]);
    Recorder recorder;
    reader.read(stream, recorder);
    EXPECT_EQ(recorder.lines, eventsOfTree(documents[0]));
    for (std::string const& xml : documents) EXPECT_EQ(eventsOfText(reader, xml), eventsOfTree(xml));
}

// Names met in one document are not known in the next: each counts its own
// against maxNames, with a small table and with one grown large.
TEST(XmlReaderTest, EachDocumentCountsItsOwnNames) {
    auto const withNames = [](int count) {
        std::string xml = "<n0>";
        for (int i = 1; i < count; ++i) xml += "<n" + std::to_string(i) + "/>";
        return xml + "</n0>";
    };
    for (int const names : {3, 600}) {
        XmlReadLimits limits;
        limits.maxNames = static_cast<std::size_t>(names);
        XmlReader reader(limits);
        eventsOfText(reader, withNames(names));
        EXPECT_THROW(eventsOfText(reader, withNames(names + 1)), DomException) << names;
    }
}

}  // namespace
