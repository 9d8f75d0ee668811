#include "support/HeapInUse.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using namespace Kestrune::Soa::Common::Xml;

// Every event as a line: starts with names, namespace, line and column, root flag and
// attributes; the text of each element gathered until its end.
class Recorder : public XmlEventHandler {
public:
    std::vector<std::string> lines;

    void startElement(XmlElementStart const& e) override {
        std::string line = "<" + std::string(e.namespaceURI.text) + "|" + std::string(e.name.text) + " at " +
                           std::to_string(e.line) + ':' + std::to_string(e.column) + (e.root ? " root" : "");
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
    // Enough names for the reader's name table to grow in the middle of the
    // document, between a prefix's declaration and its use.
    [] {
        std::string xml = "<r xmlns:p='urn:p'>";
        for (int i = 0; i < 100; ++i) xml += "<n" + std::to_string(i) + "/>";
        return xml + "<p:last p:a='1'/></r>";
    }(),
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
    Recorder recorder;
    // A refusal of the text has the path the handler gives, or none.
    struct Placing : Recorder {
        std::string path() const override { return "/a/b"; }
    } placing;
    for (Recorder* handler : {&recorder, static_cast<Recorder*>(&placing)}) {
        try {
            reader.read("<a><b></a>", *handler);
            ADD_FAILURE() << "read";
        } catch (DomException const& e) {
            EXPECT_EQ(e.path(), handler == &placing ? "/a/b" : "");
        }
    }
    std::istringstream stream(documents[0]);
    recorder.lines.clear();
    reader.read(stream, recorder);
    EXPECT_EQ(recorder.lines, eventsOfTree(documents[0]));
    for (std::string const& xml : documents) EXPECT_EQ(eventsOfText(reader, xml), eventsOfTree(xml));
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
        std::string const expected = outcomeOf(*std::make_unique<XmlReader>(limits), xml);
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

// A start tag's names are guessed from the element before it at the same
// depth: a name that differs from the guess in any one byte, or in its
// length, is read as written, element and attribute names alike.
TEST(XmlReaderTest, NamesThatDifferFromTheLastByOneByteAreReadAsWritten) {
    std::string const base = "p:abcdefghijklmnopqrstuvwxyz0123";
    std::vector<std::string> names;
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (i == 1) continue;  // the colon
        std::string changed = base;
        changed[i] = i == 0 ? 'q' : 'X';
        names.push_back(base);
        names.push_back(changed);
    }
    for (std::string const& other : {base.substr(0, base.size() - 1), base + "4"}) {
        names.push_back(base);
        names.push_back(other);
    }
    std::string xml = "<r xmlns:p='urn:p' xmlns:q='urn:q'>";
    std::vector<std::string> expected = {"<|r at 1:" + std::to_string(xml.size()) + " root"};
    for (std::string const& name : names) {
        xml += "<" + name + " " + name + "='v'/>";
        std::string const expanded = "urn:" + name.substr(0, 1) + "|" + name.substr(2);
        expected.push_back("<" + expanded + " at 1:" + std::to_string(xml.size() - 1) + " " + expanded + "=v");
        expected.push_back(">");
    }
    xml += "</r>";
    expected.push_back(">");
    XmlReader reader;
    EXPECT_EQ(eventsOfText(reader, xml), expected);
}

// Two attributes of one element may not have the same namespace and local
// name, whatever their prefixes, however many attributes come between.
TEST(XmlReaderTest, AttributesAreUniqueByExpandedNameAmongMany) {
    for (int const count : {1, 7, 8, 9, 100, 1000}) {
        std::string attributes;
        for (int i = 0; i < count; ++i) attributes += " p:a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        std::string const start = "<r xmlns:p='urn:u' xmlns:q='urn:u' xmlns:s='urn:s'" + attributes;
        XmlReadLimits limits;
        limits.maxAttributes = 2000;
        XmlReader reader(limits);
        EXPECT_EQ(eventsOfText(reader, start + " s:a0='x'/>").size(), 2u) << count;
        for (int const again : {0, count / 2, count - 1}) {
            std::string const twice = " q:a" + std::to_string(again) + "='y'";
            try {
                eventsOfText(reader, start + twice + "/>");
                ADD_FAILURE() << count << " " << again;
            } catch (DomException const& e) {
                EXPECT_EQ(e.getMessage(), "XML parse error at line 1, column " + std::to_string(start.size() + 2) +
                                              ": attribute 'q:a" + std::to_string(again) +
                                              "' on element 'r' has the namespace and local name of another of its "
                                              "attributes");
            }
        }
    }
    // One local name in many namespaces: every attribute is told apart by its
    // namespace, each of the first as well as of the last after the set has grown.
    std::string declarations, attributes;
    for (int i = 0; i < 1000; ++i) {
        declarations += " xmlns:n" + std::to_string(i) + "='urn:" + std::to_string(i) + "'";
        attributes += " n" + std::to_string(i) + ":x='" + std::to_string(i) + "'";
    }
    XmlReadLimits limits;
    limits.maxAttributes = 3000;  // the declarations count too
    XmlReader reader(limits);
    EXPECT_EQ(eventsOfText(reader, "<r" + declarations + attributes + "/>").size(), 2u);
    for (int again = 0; again < 1000; again += 7) {
        std::string const start = "<r xmlns:again='urn:" + std::to_string(again) + "'" + declarations + attributes;
        XmlReader fresh(limits);  // whose set grows while this element is read
        try {
            eventsOfText(fresh, start + " again:x='y'/>");
            ADD_FAILURE() << "a second attribute in urn:" << again << " named x was taken";
        } catch (DomException const& e) {
            EXPECT_EQ(e.getMessage(), "XML parse error at line 1, column " + std::to_string(start.size() + 2) +
                                          ": attribute 'again:x' on element 'r' has the namespace and local name of "
                                          "another of its attributes");
        }
    }
}

// What a reader keeps is counted and bounded: a document of many names
// leaves more than maxKeptBytes() only until its read ends, and the reader
// is then as new; a higher bound keeps it all.
TEST(XmlReaderTest, WhatAReaderKeepsIsGivenBackPastItsBound) {
    std::string many = "<r>";
    for (int i = 0; i < 40000; ++i) many += "<n" + std::to_string(i) + " a='" + std::to_string(i) + "'/>";
    many += "</r>";
    XmlReadLimits limits;
    limits.maxNames = 100000;
    limits.maxTreeBytesPerByte = 16;
    std::vector<std::string> const manyEvents = eventsOfText(*std::make_unique<XmlReader>(limits), many);
    ASSERT_EQ(manyEvents.size(), 80002u);
    for (std::size_t const bound : {std::size_t{1} << 20, std::size_t{1} << 30}) {
        XmlReader reader(limits);
        EXPECT_EQ(reader.keptBytes(), 0u);
        EXPECT_EQ(reader.maxKeptBytes(), std::size_t{1} << 20);
        reader.setMaxKeptBytes(bound);
        eventsOfText(reader, documents[0]);
        std::size_t const small = reader.keptBytes();
        EXPECT_GT(small, 0u);
        EXPECT_LT(small, std::size_t{64} * 1024);
        EXPECT_EQ(eventsOfText(reader, many), manyEvents);
        if (bound == std::size_t{1} << 20) {
            EXPECT_EQ(reader.keptBytes(), 0u);  // given back
        } else {
            EXPECT_GT(reader.keptBytes(), std::size_t{1} << 20);
        }
        EXPECT_EQ(eventsOfText(reader, documents[0]), eventsOfTree(documents[0]));
    }
    // A UTF-16 text refused at its start leaves the decoder's raw bytes, which
    // are given back as the rest is: nothing past the bound stays.
    XmlReader utf16(limits);
    utf16.setMaxKeptBytes(4096);
    try {
        eventsOfText(utf16, "\xFF\xFE" + std::string(20000, 'x'));
        ADD_FAILURE() << "accepted";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "XML parse error at line 1, column 1: Start tag expected, '<' not found");
    }
    EXPECT_LE(utf16.keptBytes(), 4096u);
}

// Each element's line and column are those of where its start tag ends (its
// "/>" or ">"), counted in characters, from memory, a stream and UTF-16.
TEST(XmlReaderTest, LinesAndColumnsAreWhereEachStartTagEnds) {
    struct Places : XmlEventHandler {
        std::vector<std::string> places;
        void startElement(XmlElementStart const& e) override {
            places.push_back(std::string(e.name.text) + " " + std::to_string(e.line) + ":" + std::to_string(e.column));
        }
        void characters(std::string_view) override {}
        void endElement() override {}
    };
    std::string const xml = "<a>\n  <b x='\xC3\xA9'\n     y='1'/>\r\n<c>\xC3\xA9t\xC3\xA9</c>\xF0\x9F\x98\x80<d\n/></a>";
    std::vector<std::string> const expected = {"a 1:3", "b 3:11", "c 4:3", "d 5:1"};
    XmlReader reader;
    Places fromMemory, fromStream, fromUtf16;
    reader.read(xml, fromMemory);
    EXPECT_EQ(fromMemory.places, expected);
    std::istringstream in(xml);
    reader.read(in, fromStream);
    EXPECT_EQ(fromStream.places, expected);
    std::string utf16 = "\xFF\xFE";
    for (char32_t c : std::u32string(U"<a>\n  <b x='\u00E9'\n     y='1'/>\r\n<c>\u00E9t\u00E9</c>\U0001F600<d\n/></a>")) {
        char16_t const units[2] = {static_cast<char16_t>(c < 0x10000 ? c : 0xD800 + ((c - 0x10000) >> 10)),
                                   static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
        for (int i = 0; i < (c < 0x10000 ? 1 : 2); ++i) utf16 += std::string{static_cast<char>(units[i] & 0xFF), static_cast<char>(units[i] >> 8)};
    }
    reader.read(utf16, fromUtf16);
    EXPECT_EQ(fromUtf16.places, expected);
}

}  // namespace
