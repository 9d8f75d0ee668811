#include "support/HeapInUse.h"
#include "support/Judge.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
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

std::string joined(std::vector<std::string> const& lines) {
    std::string text;
    for (std::string const& line : lines) text += line + "\n";
    return text;
}

// The refusal of a read, or "(read)".
std::string refusalOf(XmlReader& reader, std::string const& xml) {
    try {
        eventsOfText(reader, xml);
    } catch (DomException const& e) {
        return kxsoa_test::refusalText(e);
    }
    return "(read)";
}

// How one step of a sequence hands its document to the reader and sees it.
enum class Via { Text, Stream, ThrowingHandler, PlacingHandler, Reentering, ReenteringGoesOn };

struct Thrown {};

// A Recorder that, as `via` says, throws its own exception at the second
// element, places refusals at /a/b, or starts a read of the same reader at
// each start tag, letting its refusal through or going on after it.
struct Handler : Recorder {
    Via via = Via::Text;
    XmlReader* reader = nullptr;
    int seen = 0;
    std::vector<std::string> inner;
    void startElement(XmlElementStart const& e) override {
        if (via == Via::ThrowingHandler && ++seen == 2) throw Thrown{};
        Recorder::startElement(e);
        if (via != Via::Reentering && via != Via::ReenteringGoesOn) return;
        Recorder innerRecorder;
        try {
            reader->read("<inner/>", innerRecorder);
        } catch (DomException const& refusal) {
            if (via == Via::Reentering) throw;
            inner.push_back(kxsoa_test::refusalText(refusal));
        }
    }
    std::string path() const override { return via == Via::PlacingHandler ? "/a/b" : Recorder::path(); }
};

// The events of one read, then what the reads started from its handler
// gave; or its refusal with the path it gives.
std::string outcomeOf(XmlReader& reader, std::string const& xml, Via via) {
    Handler handler;
    handler.via = via;
    handler.reader = &reader;
    std::istringstream stream(xml);
    try {
        via == Via::Stream ? reader.read(stream, handler) : reader.read(xml, handler);
    } catch (Thrown const&) {
        return "thrown by the handler";
    } catch (DomException const& e) {
        return kxsoa_test::refusalText(e) + " at '" + e.path() + "'";
    }
    return joined(handler.lines) + joined(handler.inner);
}

// Each element is placed (at the ">" ending its start tag) as a person
// counts: a line ends at LF, CR, or the two together; a column is a
// character of one to four bytes, a tab among them. Checked on texts of
// every mix, so that each kind of byte falls at every place of the reader's
// blocks of sixteen and sixty-four bytes, against a count one byte at a
// time.
TEST(XmlReaderTest, EachElementIsPlacedAsAPersonCountsLinesAndCharacters) {
    char const* const pieces[] = {"a",
                                  "bcdefghijklmno",
                                  "plain text that runs past a block of sixty-four bytes",
                                  "\t",
                                  "\xC3\xA9",
                                  "\xE2\x82\xAC",
                                  "\xF0\x90\x8D\x88",
                                  "\n",
                                  "\r",
                                  "\r\n",
                                  "<e/>",
                                  "<e>x</e>"};
    std::mt19937 random(7);
    XmlReader reader;
    for (int document = 0; document < 3000; ++document) {
        std::string xml = "<r>";
        for (unsigned count = random() % 48; count > 0; --count) xml += pieces[random() % std::size(pieces)];
        xml += "</r>";
        std::string expected;
        std::size_t line = 1, column = 1;
        bool endTag = false;  // the tag being read is an end tag
        for (std::size_t at = 0; at < xml.size(); ++at) {
            char const c = xml[at];
            if (c == '<') endTag = xml[at + 1] == '/';
            if (c == '>' && !endTag) expected += std::to_string(line) + ':' + std::to_string(column) + '\n';
            if (c == '\r' || (c == '\n' && (at == 0 || xml[at - 1] != '\r'))) {
                ++line;
                column = 1;
            } else if (c != '\n' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++column;
            }
        }
        std::string found;
        for (std::string const& event : eventsOfText(reader, xml)) {
            std::size_t const place = event.find(" at ");
            if (event[0] == '<') found += event.substr(place + 4, event.find(' ', place + 4) - place - 4) + '\n';
        }
        ASSERT_EQ(found, expected) << xml;
    }
}

// One reader reads a sequence twice over: documents read whole, from text
// and from a stream, refused by the reader or cut short by its handler, read
// again from one of its handlers; each step gives what it gives on a fresh
// reader. The reader keeps the names it has met, yet each document counts
// its own against maxNames, however many the reader knows. A read started
// from a handler of the same reader is refused before it changes anything. A
// moved-from reader refuses to read.
TEST(XmlReaderTest, AReusedReaderReadsEachDocumentAsAFreshOne) {
    auto const withNames = [](char letter, int count) {
        std::string const name(1, letter);
        std::string xml = "<" + name + "0>";
        for (int i = 1; i < count; ++i) xml += "<" + name + std::to_string(i) + "/>";
        return xml + "</" + name + "0>";
    };
    std::string big = "<r>";
    for (int i = 0; i < 3000; ++i) big += "<e n='" + std::to_string(i) + "'>caf\xC3\xA9 au lait<f/>then</e>\n";
    big += "</r>";
    std::string const reentered =
        "misuse: XmlReader: a read was started while this reader is reading (from one of its own handlers); a reader "
        "reads "
        "one document at a time: read the inner document with a reader of its own";
    struct Step {
        std::string xml;
        Via via;
        std::string expected;  // empty: the tree's events
    };
    std::string emptyElements = "<r>";
    for (int i = 0; i < 1023; ++i) emptyElements += "<a/>";
    emptyElements += "</r>";
    std::vector<Step> steps{
        {big, Via::Text, ""},
        // What the elements may need starts from nothing again, not from what the big text allowed.
        {emptyElements, Via::Text,
         "limit at line 1, column 4095: the document's elements need more memory than "
         "XmlReadLimits::maxTreeBytesPerByte allows (8 bytes per byte of text) at ''"},
        {documents[0], Via::ThrowingHandler, "thrown by the handler"},
        {"<a v='0' w='1' x='2' y='3' z='4'/>", Via::Text,
         "limit at line 1, column 29: an element has more attributes than XmlReadLimits::maxAttributes "
         "(4) at ''"},
        {"<a><b></a>", Via::Text,
         "not well-formed at line 1, column 11: the end tag 'a' does not match the start tag 'b' of line 1 at ''"},
        {"<a><b></a>", Via::PlacingHandler,
         "not well-formed at line 1, column 11: the end tag 'a' does not match the start tag 'b' of line 1 at '/a/b'"},
        // A prefix bound where a document was refused is not bound in the next.
        {"<p:a xmlns:p='urn:p'><b></a>", Via::Text,
         "not well-formed at line 1, column 29: the end tag 'a' does not match the start tag 'b' of line 1 at ''"},
        {"<p:a/>", Via::Text,
         "not well-formed at line 1, column 6: the prefix 'p' of element 'p:a' is not declared at ''"},
        {documents[0], Via::Stream, ""},
        {documents[1], Via::Reentering, reentered + " at ''"},
        {documents[1], Via::ReenteringGoesOn, joined(eventsOfTree(documents[1])) + joined({3, reentered})},
        {withNames('n', 600), Via::Text, ""},
        {withNames('m', 600), Via::Text, ""},
        {withNames('n', 601), Via::Text,
         "limit at line 1, column 4096: the document uses more distinct names than "
         "XmlReadLimits::maxNames (600) at ''"},
    };
    for (std::string const& xml : documents) steps.push_back({xml, Via::Text, ""});
    XmlReadLimits limits;
    limits.maxAttributes = 4;
    limits.maxNames = 600;
    XmlReader reader(limits);
    for (int round = 0; round < 2; ++round) {
        for (Step const& step : steps) {
            std::string const expected = step.expected.empty() ? joined(eventsOfTree(step.xml)) : step.expected;
            EXPECT_EQ(outcomeOf(reader, step.xml, step.via), expected) << round << " " << step.xml.substr(0, 40);
        }
    }

    XmlReader moved(std::move(reader));
    EXPECT_EQ(reader.keptBytes(), 0u);  // NOLINT(bugprone-use-after-move): it holds nothing
    EXPECT_EQ(refusalOf(reader, documents[2]),
              "misuse: XmlReader: this reader was moved from; read with the reader it was moved to");
    EXPECT_EQ(eventsOfText(moved, documents[2]), eventsOfTree(documents[2]));
    reader = std::move(moved);
    EXPECT_EQ(eventsOfText(reader, documents[2]), eventsOfTree(documents[2]));
}

// Counts the events and folds what they report into a digest, allocating
// nothing, so that the heap in use is the reader's own.
struct Counter : XmlEventHandler {
    std::size_t events = 0;
    std::uint64_t digest = 0;
    void add(std::string_view text) {
        for (char const c : text) digest = digest * 131 + static_cast<unsigned char>(c);
    }
    void startElement(XmlElementStart const& e) override {
        ++events;
        add(e.namespaceURI.text);
        add(e.name.text);
        digest = digest * 131 + e.line * 1000 + e.column;
        for (std::size_t i = 0; i < e.attributeCount; ++i) {
            add(e.attributes[i].namespaceURI.text);
            add(e.attributes[i].name.text);
            add(e.attributes[i].value);
        }
    }
    void characters(std::string_view text) override { add(text); }
    void endElement() override { add(">"), ++events; }
};

// The outcome of one read: its events counted and digested, or its refusal.
std::string countOf(XmlReader& reader, std::string const& xml) {
    Counter counter;
    try {
        reader.read(xml, counter);
    } catch (DomException const& e) {
        return kxsoa_test::refusalText(e);
    }
    return std::to_string(counter.events) + " events, digest " + std::to_string(counter.digest);
}

// What a reader keeps is counted and bounded. Documents that leave much with
// it (many names; long distinct names and URIs, read or refused) leave more
// than maxKeptBytes() only until their read ends, change nothing that
// follows, and the heap in use stays within the bound; a higher bound keeps
// it all, none keeps nothing. A UTF-16 text refused at its start leaves the
// decoder's raw bytes, which are given back as the rest is.
TEST(XmlReaderTest, WhatAReusedReaderKeepsIsBoundedAndChangesNoOutcome) {
    XmlReadLimits limits;
    limits.maxBytes = std::size_t{1} << 20;
    limits.maxNameBytes = 600 * 1000;
    limits.maxNames = 100000;
    limits.maxTreeBytesPerByte = 16;
    std::string many = "<r>";
    for (int i = 0; i < 40000; ++i) many += "<n" + std::to_string(i) + " a='" + std::to_string(i) + "'/>";
    many += "</r>";
    auto const longName = [](int i) { return "n" + std::to_string(i) + std::string(500 * 1000, 'x'); };
    std::vector<std::string> sequence{documents[0], many};
    for (int i = 0; i < 8; ++i) {
        sequence.push_back("<r " + longName(i) + "='1'><e/></r>");           // read
        sequence.push_back("<" + longName(100 + i) + ">");                   // refused: not closed
        sequence.push_back("<r xmlns:z='urn:" + longName(200 + i) + "'/>");  // read
        // over the name limit
        sequence.push_back("<r><" + longName(300 + i) + "x" + std::string(200 * 1000, 'y') + "/></r>");
        sequence.push_back("<r a='1'><b/></r>");
    }
    auto const ofFresh = [&](std::string const& xml) { return countOf(*std::make_unique<XmlReader>(limits), xml); };
    ASSERT_EQ(eventsOfText(*std::make_unique<XmlReader>(limits), many).size(), 80002u);  // read, not refused
    std::size_t const base = kxsoa_test::heapInUse();
    XmlReader reader(limits);
    EXPECT_EQ(reader.keptBytes(), 0u);
    EXPECT_EQ(reader.maxKeptBytes(), std::size_t{1} << 20);
    // A fresh reader's memory, after a refusal too (libxml2 makes a thread's
    // error state at the first).
    EXPECT_EQ(countOf(reader, "<r>"),
              "not well-formed at line 1, column 4: the document ends before element 'r' is closed");
    EXPECT_EQ(countOf(reader, "<r a='1'><b/></r>"), ofFresh("<r a='1'><b/></r>"));
    // libxml2's own per-thread state moves by a few kilobytes from error to error.
    std::size_t const fresh = kxsoa_test::heapInUse() - base + 16 * 1024;
    for (std::string const& xml : sequence) {
        std::string const expected = ofFresh(xml);
        EXPECT_EQ(countOf(reader, xml), expected) << xml.substr(0, 40);
        EXPECT_LE(reader.keptBytes(), reader.maxKeptBytes());
        if (xml == many) {
            EXPECT_EQ(reader.keptBytes(), 0u);  // given back
        } else if (xml == documents[0]) {
            EXPECT_GT(reader.keptBytes(), 0u);
            EXPECT_LT(reader.keptBytes(), std::size_t{64} * 1024);
        }
        EXPECT_LE(kxsoa_test::heapInUse() - base, fresh + XmlReader::kDefaultMaxKeptBytes) << xml.substr(0, 40);
    }
    reader.setMaxKeptBytes(std::size_t{1} << 30);
    EXPECT_EQ(countOf(reader, many), ofFresh(many));
    EXPECT_GT(reader.keptBytes(), std::size_t{1} << 20);
    EXPECT_EQ(countOf(reader, documents[0]), ofFresh(documents[0]));
    // Nothing kept at all: after each document the reader is a fresh one.
    reader.setMaxKeptBytes(0);
    EXPECT_EQ(countOf(reader, sequence.back()), ofFresh(sequence.back()));
    EXPECT_LE(kxsoa_test::heapInUse() - base, fresh);
    // Once it has given back what it held after a large document, it keeps
    // what a fresh reader keeps.
    reader.setMaxKeptBytes(XmlReader::kDefaultMaxKeptBytes);
    XmlReader freshReader(limits);
    EXPECT_EQ(countOf(freshReader, documents[0]), countOf(reader, documents[0]));
    EXPECT_EQ(reader.keptBytes(), freshReader.keptBytes());
    reader.setMaxKeptBytes(4096);
    EXPECT_EQ(countOf(reader, "\xFF\xFE" + std::string(20000, 'x')),
              "not well-formed at line 1, column 1: the root element's start tag is expected here");
    EXPECT_LE(reader.keptBytes(), 4096u);
}

// Two attributes of one element may not have the same namespace and local
// name, whatever their prefixes, however many attributes come between; with
// one local name in many namespaces, each attribute is told apart by its
// namespace, the first as well as the last after the set has grown.
// What a reader keeps from a document of many records of one shape is the
// same for 500 as for 2, though the siblings in a record alternate names
// (so that no start tag's name can be guessed from its sibling's); and the
// events are the tree's.
TEST(XmlReaderTest, WhatAReaderKeepsDoesNotGrowWithRecordsOfOneShape) {
    auto const request = [](int records) {
        std::string xml = "<q:r xmlns:q='urn:x'>";
        for (int i = 0; i < records; ++i)
            xml += "<q:e a='1' b='2' c='3'><q:o uid='u' type='t'/><q:t>x</q:t><q:o uid='v' type='w'/></q:e>";
        return xml + "</q:r>";
    };
    auto const keptAfter = [&](int records) {
        XmlReader reader;
        EXPECT_EQ(eventsOfText(reader, request(records)), eventsOfTree(request(records)));
        return reader.keptBytes();
    };
    EXPECT_EQ(keptAfter(500), keptAfter(2));
}

TEST(XmlReaderTest, AttributesAreUniqueByExpandedNameAmongMany) {
    auto const twice = [](std::size_t column, std::string const& name) {
        return "not well-formed at line 1, column " + std::to_string(column) + ": attribute '" + name +
               "' on element 'r' has the namespace and local name of another of its attributes";
    };
    XmlReadLimits limits;
    limits.maxAttributes = 3000;  // the declarations count too
    for (int const count : {1, 7, 8, 9, 100, 1000}) {
        std::string attributes;
        for (int i = 0; i < count; ++i) attributes += " p:a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        std::string const start = "<r xmlns:p='urn:u' xmlns:q='urn:u' xmlns:s='urn:s'" + attributes;
        XmlReader reader(limits);
        EXPECT_EQ(eventsOfText(reader, start + " s:a0='x'/>").size(), 2u) << count;
        for (int const again : {0, count / 2, count - 1}) {
            std::string const name = "q:a" + std::to_string(again);
            EXPECT_EQ(refusalOf(reader, start + " " + name + "='y'/>"), twice(start.size() + 2, name));
        }
    }
    std::string declarations, attributes;
    for (int i = 0; i < 1000; ++i) {
        declarations += " xmlns:n" + std::to_string(i) + "='urn:" + std::to_string(i) + "'";
        attributes += " n" + std::to_string(i) + ":x='" + std::to_string(i) + "'";
    }
    XmlReader reader(limits);
    EXPECT_EQ(eventsOfText(reader, "<r" + declarations + attributes + "/>").size(), 2u);
    for (int again = 0; again < 1000; again += 7) {
        std::string const start = "<r xmlns:again='urn:" + std::to_string(again) + "'" + declarations + attributes;
        XmlReader fresh(limits);  // whose set grows while this element is read
        EXPECT_EQ(refusalOf(fresh, start + " again:x='y'/>"), twice(start.size() + 2, "again:x"));
    }
}

// Each limit at 0, 1, one below the document's need N, N, N + 1, SIZE_MAX - 1
// and SIZE_MAX (no limit): below N the document is refused at the place
// that passes the limit, from N on it is read; from memory and from streams
// in pieces of 1 to 7 bytes alike. A reused reader keeps at most what it is
// allowed, at each of those values, and reads each document as a new one.
TEST(XmlReaderTest, EveryLimitHoldsAtEveryValueFromMemoryAndFromStreamsInPieces) {
    std::size_t const most = std::numeric_limits<std::size_t>::max();
    struct Row {
        std::size_t XmlReadLimits::*field;
        std::string xml;
        std::size_t need;           // the least value that reads it
        std::size_t column, step;   // at value L below `need`: refused at column + L * step
        std::string before, after;  // the reason: before + L + after
    };
    std::string const refused = "limit at line 1, column ";
    std::string const tokens = "<?p abc?><!--abc--><r a='abc'>abc<![CDATA[abc]]></r>";
    Row const rows[] = {
        {&XmlReadLimits::maxBytes, "<r/>", 4, 1, 1, "the XML text is larger than XmlReadLimits::maxBytes (", " bytes)"},
        {&XmlReadLimits::maxDepth, "<a><a><a></a></a></a>", 3, 3, 3,
         "elements are nested deeper than XmlReadLimits::maxDepth (", " levels)"},
        {&XmlReadLimits::maxAttributes, "<a b='1' c='2' d='3'/>", 3, 5, 6,
         "an element has more attributes than XmlReadLimits::maxAttributes (", ")"},
        {&XmlReadLimits::maxNames, "<a><b><c></c></b></a>", 3, 3, 3,
         "the document uses more distinct names than XmlReadLimits::maxNames (", ")"},
        // The processing instruction's "p abc" is the longest token; past
        // every token, the limit plus a token's end mark is past what a size holds.
        {&XmlReadLimits::maxTokenBytes, tokens, 5, 3, 1,
         "a token (text, attribute value, comment, CDATA section or processing instruction) is longer than "
         "XmlReadLimits::maxTokenBytes (",
         " bytes)"},
        {&XmlReadLimits::maxTokenBytes, "<r   a='b'/>", 3, 3, 1,
         "white space in a tag is longer than XmlReadLimits::maxTokenBytes (", " bytes)"},
        {&XmlReadLimits::maxNameBytes, "<abc/>", 3, 2, 1, "a name is longer than XmlReadLimits::maxNameBytes (",
         " bytes)"},
    };
    for (Row const& row : rows) {
        XmlReader fresh;
        std::string const events = kxsoa_test::readWithLibrary(fresh, row.xml).events;
        for (std::size_t const value :
             {std::size_t{0}, std::size_t{1}, row.need - 1, row.need, row.need + 1, most - 1, most}) {
            XmlReadLimits limits;
            limits.*row.field = value;
            XmlReader reader(limits);
            std::string const expected = value >= row.need ? events
                                                           : refused + std::to_string(row.column + value * row.step) +
                                                                 ": " + row.before + std::to_string(value) + row.after;
            for (std::size_t piece = 0; piece <= 7; ++piece) {
                kxsoa_test::Reading const reading = kxsoa_test::readWithLibrary(reader, row.xml, piece);
                EXPECT_EQ(reading.refused ? reading.refusal : reading.events, expected)
                    << row.before << value << " in pieces of " << piece;
            }
        }
    }
    // A run of text past the limit is refused for it, whatever fault ends it.
    XmlReadLimits shortTokens;
    shortTokens.maxTokenBytes = 3;
    XmlReader shortReader(shortTokens);
    for (char const* fault : {"]]>", "\x01", "\xff"}) {
        for (std::size_t piece = 0; piece <= 7; ++piece) {
            EXPECT_EQ(
                kxsoa_test::readWithLibrary(shortReader, std::string("<r>abcdef") + fault + "</r>", piece).refusal,
                refused + "7: " + rows[4].before + "3" + rows[4].after)
                << fault << " in pieces of " << piece;
        }
    }
    // Past 64 KiB of elements, each byte of text allows that many more.
    std::string elements = "<r>";
    for (int i = 0; i < 1022; ++i) elements += "<a/>";
    elements += "</r>";
    for (std::size_t const value : {std::size_t{0}, std::size_t{1}, std::size_t{8}, most - 1, most}) {
        XmlReadLimits limits;
        limits.maxTreeBytesPerByte = value;
        XmlReader reader(limits);
        std::string const column = value == 0 ? "2731" : value == 1 ? "2851" : "";
        std::string const expected = column.empty() ? std::to_string(2 * 1023 + 1) + " events"
                                                    : refused + column +
                                                          ": the document's elements need more memory than "
                                                          "XmlReadLimits::maxTreeBytesPerByte allows (" +
                                                          std::to_string(value) + " bytes per byte of text)";
        for (std::size_t piece = 0; piece <= 7; piece += 7) {
            kxsoa_test::Reading const reading = kxsoa_test::readWithLibrary(reader, elements, piece);
            std::string const events = std::to_string(std::count(reading.events.begin(), reading.events.end(), '\n'));
            EXPECT_EQ(reading.refused ? reading.refusal : events + " events", expected) << value << " " << piece;
        }
    }
    // A piece of text that passes the limit is refused before the handler has it.
    struct Characters : XmlEventHandler {
        std::size_t bytes = 0;
        void startElement(XmlElementStart const&) override {}
        void characters(std::string_view text) override { bytes += text.size(); }
        void endElement() override {}
    } characters;
    XmlReadLimits none;
    none.maxTreeBytesPerByte = 0;
    XmlReader noTree(none);
    EXPECT_EQ(refusalOf(noTree, "<r>" + std::string(70000, 'x') + "</r>"),
              "limit at line 1, column 70004: the document's elements need more memory than "
              "XmlReadLimits::maxTreeBytesPerByte allows (0 bytes per byte of text)");
    try {
        noTree.read("<r>" + std::string(70000, 'x') + "</r>", characters);
    } catch (DomException const&) {
    }
    EXPECT_EQ(characters.bytes, 0u);
    // What a reused reader keeps, after the documents above, at each bound.
    for (std::size_t const value : {std::size_t{0}, std::size_t{1}, most - 1, most}) {
        XmlReader reader;
        reader.setMaxKeptBytes(value);
        for (Row const& row : rows) {
            XmlReader fresh;
            EXPECT_EQ(kxsoa_test::readWithLibrary(reader, row.xml, 3).events,
                      kxsoa_test::readWithLibrary(fresh, row.xml, 3).events);
            EXPECT_LE(reader.keptBytes(), value);
            EXPECT_EQ(reader.keptBytes() > 0, value > 1);
        }
    }
}

}  // namespace
