#include "support/HeapInUse.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"

#include <gtest/gtest.h>
#include <libxml/xmlerror.h>

#include <sstream>
#include <utility>
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

void callersPlainHandler(void*, char const*, ...) {}
void callersStructuredHandler(void*, xmlErrorPtr) {}

// The caller's own libxml2 error handlers, with their contexts, are in place
// again after each read, refused or not.
TEST(XmlReaderTest, AfterAFailedDocumentTheNextIsReadWhole) {
    int structuredContext = 0, plainContext = 0;
    xmlSetStructuredErrorFunc(&structuredContext, &callersStructuredHandler);
    xmlSetGenericErrorFunc(&plainContext, &callersPlainHandler);
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
    EXPECT_EQ(xmlStructuredError, &callersStructuredHandler);
    EXPECT_EQ(xmlStructuredErrorContext, &structuredContext);
    EXPECT_EQ(xmlGenericError, &callersPlainHandler);
    EXPECT_EQ(xmlGenericErrorContext, &plainContext);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    xmlSetGenericErrorFunc(nullptr, nullptr);
}

// Names met in one document are not known in the next: each counts its own
// against maxNames, with a small table and with one grown large.
TEST(XmlReaderTest, EachDocumentCountsItsOwnNames) {
    auto const withNames = [](char letter, int count) {
        std::string const name(1, letter);
        std::string xml = "<" + name + "0>";
        for (int i = 1; i < count; ++i) xml += "<" + name + std::to_string(i) + "/>";
        return xml + "</" + name + "0>";
    };
    for (int const names : {3, 600}) {
        XmlReadLimits limits;
        limits.maxNames = static_cast<std::size_t>(names);
        XmlReader reader(limits);
        eventsOfText(reader, withNames('n', names));
        EXPECT_EQ(eventsOfText(reader, withNames('m', names)), eventsOfTree(withNames('m', names))) << names;
        EXPECT_THROW(eventsOfText(reader, withNames('n', names + 1)), DomException) << names;
    }
}

// Counts the events and allocates nothing, so that the heap in use is the
// reader's own.
struct Counter : XmlEventHandler {
    std::size_t events = 0;
    void startElement(XmlElementStart const&) override { ++events; }
    void characters(std::string_view) override {}
    void endElement() override { ++events; }
};

// The outcome of one read: its events counted, or its refusal.
std::string outcomeOf(XmlReader& reader, std::string const& xml) {
    Counter counter;
    try {
        reader.read(xml, counter);
    } catch (DomException const& e) {
        return e.getMessage();
    }
    return std::to_string(counter.events) + " events";
}

// Documents that leave much with the parser (long distinct names and URIs,
// read or refused) change nothing that follows, and what the reader keeps
// after each stays within its bound.
TEST(XmlReaderTest, WhatAReusedReaderKeepsIsBoundedAndChangesNoOutcome) {
    XmlReadLimits limits;
    limits.maxBytes = std::size_t{1} << 20;
    limits.maxNameBytes = 600 * 1000;
    auto const longName = [](int i) { return "n" + std::to_string(i) + std::string(500 * 1000, 'x'); };
    std::vector<std::string> sequence;
    for (int i = 0; i < 8; ++i) {
        sequence.push_back("<r " + longName(i) + "='1'><e/></r>");            // read
        sequence.push_back("<" + longName(100 + i) + ">");                    // refused: not closed
        sequence.push_back("<r xmlns:z='urn:" + longName(200 + i) + "'/>");  // read
        // over the name limit
        sequence.push_back("<r><" + longName(300 + i) + "x" + std::string(200 * 1000, 'y') + "/></r>");
        sequence.push_back("<r a='1'><b/></r>");
    }
    std::size_t const base = kxsoa_test::heapInUse();
    XmlReader reader(limits);
    // A fresh reader's memory, after a refusal too (libxml2 makes a thread's
    // error state at the first).
    EXPECT_EQ(outcomeOf(reader, "<r>"),
              "XML parse error at line 1, column 4: the document ends before element 'r' is closed");
    EXPECT_EQ(outcomeOf(reader, "<r a='1'><b/></r>"), "4 events");
    // libxml2's own per-thread state moves by a few kilobytes from error to error.
    std::size_t const fresh = kxsoa_test::heapInUse() - base + 16 * 1024;
    for (std::string const& xml : sequence) {
        XmlReader once(limits);
        std::string const expected = outcomeOf(once, xml);
        EXPECT_EQ(outcomeOf(reader, xml), expected) << xml.substr(0, 40);
        EXPECT_LE(reader.keptBytes(), reader.maxKeptBytes());
        EXPECT_LE(kxsoa_test::heapInUse() - base, fresh + XmlReader::kDefaultMaxKeptBytes) << xml.substr(0, 40);
    }
    // Nothing kept at all: after each document the reader is a fresh one.
    reader.setMaxKeptBytes(0);
    EXPECT_EQ(outcomeOf(reader, sequence[0]), "4 events");
    EXPECT_LE(kxsoa_test::heapInUse() - base, fresh);
}

// A read started from a handler of the same reader is refused before it
// changes anything: the outer read fails with that refusal, or, when the
// handler goes on, ends whole; the reader then reads on as before. A
// moved-from reader refuses to read.
TEST(XmlReaderTest, AReaderReadsOneDocumentAtATime) {
    std::string const reentered =
        "XmlReader: a read was started while this reader is reading (from one of its own handlers); a reader reads "
        "one document at a time: read the inner document with a reader of its own";
    XmlReader reader;
    struct Reentering : Recorder {
        XmlReader* reader = nullptr;
        bool goOn = false;
        std::vector<std::string> inner;
        void startElement(XmlElementStart const& e) override {
            Recorder::startElement(e);
            Recorder innerRecorder;
            try {
                reader->read("<inner/>", innerRecorder);
            } catch (DomException const& refusal) {
                inner.push_back(refusal.getMessage());
                if (!goOn) throw;
            }
        }
    };
    for (bool const goOn : {false, true}) {
        Reentering handler;
        handler.reader = &reader;
        handler.goOn = goOn;
        if (goOn) {
            reader.read(documents[1], handler);
            EXPECT_EQ(handler.lines, eventsOfTree(documents[1]));
            EXPECT_EQ(handler.inner, std::vector<std::string>(3, reentered));
        } else {
            try {
                reader.read(documents[1], handler);
                ADD_FAILURE() << "the outer read succeeded";
            } catch (DomException const& e) {
                EXPECT_EQ(e.getMessage(), reentered);
            }
        }
        EXPECT_EQ(eventsOfText(reader, documents[0]), eventsOfTree(documents[0]));
    }

    XmlReader moved(std::move(reader));
    try {
        eventsOfText(reader, documents[2]);
        ADD_FAILURE() << "a moved-from reader read";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "XmlReader: this reader was moved from; read with the reader it was moved to");
    }
    EXPECT_EQ(eventsOfText(moved, documents[2]), eventsOfTree(documents[2]));
    reader = std::move(moved);
    EXPECT_EQ(eventsOfText(reader, documents[2]), eventsOfTree(documents[2]));
}

}  // namespace
