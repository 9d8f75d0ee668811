// The writer: namespace declarations, prefixes, element state and misuse.

#include "host/XmlStream.h"

#include "host/DomException.h"
#include "host/XmlReadLimits.h"

#include "support/RoundTrip.h"
#include "support/WellFormed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ios>
#include <limits>
#include <set>
#include <sstream>
#include <vector>

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using kxsoa_test::domExceptionMessage;

namespace {

// Writes <name attr="value"/> in `uri`.
void writeEmpty(XmlStream& stream, std::string const& uri, std::string const& name) {
    stream << stream.writeOpenElement(uri, name) << stream.writeAttribute("attr", "value")
           << stream.writeOpenElementClose(uri, true);
}

}  // namespace

TEST(XmlStream, RootDeclaresEveryNamespaceAndChildrenUseStablePrefixesOnACallersBuffer) {
    std::ostringstream target;
    XmlStream stream(target.rdbuf());
    EXPECT_TRUE(stream.isRootElement());
    stream.addNamespaces({"urn:b", "urn:a"});
    stream << stream.writeOpenElement("urn:a", "root");
    EXPECT_FALSE(stream.isRootElement());
    stream << stream.writeOpenElementClose("urn:a", false);
    EXPECT_EQ(stream.getNamespacePrefix("urn:a"), "ns1");
    EXPECT_EQ(stream.getNamespacePrefix("urn:b"), "ns2");
    writeEmpty(stream, "urn:b", "child");
    writeEmpty(stream, "urn:c&\"", "other");  // not declared yet: declares itself, escaped
    stream << stream.writeCloseElement("urn:a", "root");
    EXPECT_TRUE(stream.isRootElement());
    EXPECT_EQ(target.str(),
              "<ns1:root xmlns:ns1=\"urn:a\" xmlns:ns2=\"urn:b\"><ns2:child attr=\"value\"/>"
              "<ns3:other xmlns:ns3=\"urn:c&amp;&quot;\" attr=\"value\"/></ns1:root>");
    EXPECT_TRUE(kxsoa_test::wellFormed(target.str()));
    EXPECT_EQ(stream.str(), "");
    // What is inserted goes after what the stream holds back in its piece,
    // which a flush hands on; into the stream's own text, it is appended.
    std::ostringstream pieces;
    XmlStream onPieces(pieces.rdbuf()), own;
    for (XmlStream* s : {&onPieces, &own}) {
        *s << s->writeOpenElement("urn:a", "r") << s->writeOpenElementClose("urn:a", false);
        std::string const handedOn = pieces.str();
        s->textElement("t", "v");
        EXPECT_EQ(pieces.str(), handedOn);  // a piece is handed on when it is full, or when the root ends
        *s << '!';
        s->textElement("u", "w");
        *s << "?";
        s->textElement("x", "y");
        s->flush();
        EXPECT_EQ(s == &own ? own.str() : pieces.str(), "<ns1:r xmlns:ns1=\"urn:a\"><t>v</t>!<u>w</u>?<x>y</x>");
    }
}

// Each declaration writes its own URI, escaped, whichever URI the same
// place among the declarations held in the documents before.
TEST(XmlStream, EachDeclarationWritesItsOwnUriWhateverTheDocumentsBeforeDeclared) {
    XmlStream stream;
    std::pair<char const*, char const*> const uris[] = {{"urn:a&b", "urn:a&amp;b"}, {"urn:c", "urn:c"},
                                                        {"urn:c", "urn:c"},         {"urn:a&b", "urn:a&amp;b"},
                                                        {"urn:a&b", "urn:a&amp;b"}, {"urn:a<b", "urn:a&lt;b"}};
    for (auto const& [uri, written] : uris) {
        stream.reset();
        writeEmpty(stream, uri, "e");
        EXPECT_EQ(stream.str(), "<ns1:e xmlns:ns1=\"" + std::string(written) + "\" attr=\"value\"/>");
    }
}

// A stream reset between documents writes each as a new stream does, when
// the root is opened as it was on the document before and when anything it
// depends on differs: its name or namespace, the namespaces to declare, a
// prefix given before it (or in the document before, which had no root),
// the limits, a root refused. Each root's element holds a child in the
// root's namespace, which takes the prefix the root's namespace has.
TEST(XmlStream, AResetStreamOpensEachRootAsANewStreamDoes) {
    using Write = std::function<void(XmlStream&)>;
    auto const document = [](std::set<std::string> namespaces, std::string name, bool local = false,
                             std::string uri = "urn:a") {
        return [=](XmlStream& s) {
            s.addNamespaces(namespaces);
            local ? s.openLocalElement(uri, name) : s.openElement(uri, name);
            s.closeStartTag(uri, false);
            writeEmpty(s, "urn:b", "c");
            writeEmpty(s, uri, "d");
            s << s.writeCloseElement(uri, name);
        };
    };
    Write const usual = document({"urn:b"}, "r");
    std::vector<std::pair<char const*, Write>> const documents{
        {"the usual", usual},
        {"the usual again", usual},
        {"the usual a third time", usual},
        {"another namespace to declare", document({"urn:c"}, "r")},
        {"the usual after it", usual},
        {"the usual again after it", usual},
        {"another name", document({"urn:b"}, "s")},
        {"the usual", usual},
        {"another namespace", document({"urn:b"}, "r", false, "urn:d")},
        {"the usual", usual},
        {"a name that ends as the usual", document({"urn:b"}, "ns1:r")},
        {"a prefixed name", document({"urn:b"}, "p:r")},
        {"a local name", document({"urn:b"}, "r", true)},
        {"a local name again", document({"urn:b"}, "r", true)},
        {"a local name, another namespace to declare", document({"urn:c"}, "r", true)},
        {"the usual, a prefix given before it",
         [&](XmlStream& s) {
             s.getNamespacePrefix("urn:z");
             usual(s);
         }},
        {"the usual", usual},
        {"a prefix given, and no root", [](XmlStream& s) { s.getNamespacePrefix("urn:z"); }},
        {"the usual after it", usual},
        {"the usual again after it", usual},
        {"the prefixes the usual gives, given, and no root",
         [](XmlStream& s) {
             s.getNamespacePrefix("urn:b");
             s.getNamespacePrefix("urn:z");
         }},
        {"the usual after them", usual},
        {"the usual under a lower name limit",
         [&](XmlStream& s) {
             s.setMaxNameBytes(4);
             usual(s);
         }},
        {"the usual, refused by the limit",
         [&](XmlStream& s) {
             s.setMaxNameBytes(2);
             usual(s);
         }},
        {"the usual, the limit as before", usual},
        {"the usual once more", usual},
    };
    XmlStream reused;
    for (auto const& [what, written] : documents) {
        auto const outcome = [&write = written](XmlStream& stream) {
            try {
                write(stream);
            } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
                return e.getMessage();
            }
            return stream.str();
        };
        reused.reset();
        reused.setMaxNameBytes(XmlReadLimits().maxNameBytes);
        XmlStream fresh;
        EXPECT_EQ(outcome(reused), outcome(fresh)) << what;
    }
}

TEST(XmlStream, APrefixInScopeKeepsItsBindingAndEachScopeEndsWithItsElement) {
    XmlStream stream;
    stream << stream.writeOpenElement("urn:outer", "env:Envelope") << stream.writeOpenElementClose("urn:outer", false);
    for (int message = 0; message < 2; ++message) {  // the second declares again what the first one's scope held
        stream << stream.writeOpenElement("urn:a", "m") << stream.writeOpenElementClose("urn:a", false);
        writeEmpty(stream, "urn:b", stream.getNamespacePrefix("urn:a") + ":kept");
        writeEmpty(stream, "urn:b", "env:caller");
        writeEmpty(stream, "urn:b", "q:unbound");  // bound on each of the two elements alone
        writeEmpty(stream, "urn:b", "q:unbound");
        stream << stream.writeOpenLocalElement("urn:b", "Local") << stream.writeOpenElementClose("urn:b", false);
        stream << stream.writeOpenLocalElement("urn:b", "Local") << stream.writeOpenElementClose("urn:b", true);
        stream << stream.writeCloseElement("urn:b", "Local") << stream.writeCloseElement("urn:a", "m");
    }
    stream << stream.writeOpenLocalElement("urn:b", "Local") << stream.writeOpenElementClose("urn:b", true)
           << stream.writeCloseElement("urn:outer", "env:Envelope");
    std::string const message =
        "<ns1:m xmlns:ns1=\"urn:a\"><ns1:kept attr=\"value\"/><env:caller attr=\"value\"/>"
        "<q:unbound xmlns:q=\"urn:b\" attr=\"value\"/><q:unbound xmlns:q=\"urn:b\" attr=\"value\"/><Local "
        "xmlns=\"urn:a\"><Local/></Local></ns1:m>";
    EXPECT_EQ(stream.str(), "<env:Envelope xmlns:env=\"urn:outer\">" + message + message +
                                "<Local xmlns=\"urn:outer\"/></env:Envelope>");
    EXPECT_TRUE(kxsoa_test::wellFormed(stream.str()));
    // A prefix the stream makes skips the one an element brings: urn:b takes ns2.
    XmlStream own;
    own.addNamespaces({"urn:b"});
    own << own.writeOpenElement("urn:a", "ns1:m") << own.writeOpenElementClose("urn:a", false);
    writeEmpty(own, "urn:b", "c");
    own << own.writeCloseElement("urn:a", "ns1:m");
    EXPECT_EQ(own.str(), "<ns1:m xmlns:ns2=\"urn:b\" xmlns:ns1=\"urn:a\"><ns2:c attr=\"value\"/></ns1:m>");
}

// A sibling opened with the name and URI of the element before it at its
// depth takes that one's start tag as it stands: only while the name is the
// same text, the scope is the one that element was opened in, and its
// namespace is not its parent's, which may be another.
TEST(XmlStream, ASiblingTakesTheStartTagOfTheOneBeforeItOnlyWhenNothingItDependsOnChanged) {
    XmlStream stream;
    auto open = [&](char const* uri, std::string_view name, bool local = false) {
        local ? stream.openLocalElement(uri, name) : stream.openElement(uri, name);
        stream.closeStartTag(uri, false);
    };
    auto empty = [&](char const* uri, std::string_view name, bool local = false) {
        local ? stream.openLocalElement(uri, name) : stream.openElement(uri, name);
        stream.closeStartTag(uri, true);
    };
    stream.addNamespaces({"urn:b", "urn:r"});
    open("urn:r", "r");  // ns2:r, declaring ns1 (urn:b) and ns2
    // A caller's buffer that holds another name of the same length at the same address.
    std::string name = "aa";
    empty("urn:r", name);
    name = "bb";
    empty("urn:r", name);
    // The scope changes between two children of the same name and URI.
    open("urn:a", "ns3:p");   // declares ns3
    empty("urn:a", "ns3:c");  // declaring nothing
    stream.closeElement("urn:a", "ns3:p");
    open("urn:b", "q");       // ns1:q, declaring nothing
    empty("urn:a", "ns3:c");  // ns3 is out of scope: declared again
    stream.closeElement("urn:b", "q");
    // A local element in its parent's namespace, under parents in two namespaces bound at the root.
    open("urn:x", "d", true);  // xmlns="urn:r"
    for (char const* parent : {"urn:r", "urn:b"}) {
        open(parent, "e");
        empty("urn:y", "l", true);
        stream.closeElement(parent, "e");
    }
    stream.closeElement("urn:x", "d");
    stream.closeElement("urn:r", "r");
    EXPECT_EQ(stream.str(),
              "<ns2:r xmlns:ns1=\"urn:b\" xmlns:ns2=\"urn:r\"><ns2:aa/><ns2:bb/>"
              "<ns3:p xmlns:ns3=\"urn:a\"><ns3:c/></ns3:p><ns1:q><ns3:c xmlns:ns3=\"urn:a\"/></ns1:q>"
              "<d xmlns=\"urn:r\"><ns2:e><l/></ns2:e><ns1:e><l xmlns=\"urn:b\"/></ns1:e></d></ns2:r>");
    EXPECT_TRUE(kxsoa_test::wellFormed(stream.str()));
}

TEST(XmlStream, ACallersBufferThatTakesTooLittleStopsTheWrite) {
    struct Room : std::streambuf {
        std::streamsize room = 100000;
        std::string text;  // what it took
        std::streamsize xsputn(char const* s, std::streamsize n) override {
            std::streamsize const taken = std::min(n, room);
            room -= taken;
            text.append(s, static_cast<std::size_t>(taken));
            return taken;
        }
    } target;
    ServiceData data;  // past one piece of the stream's
    for (int i = 0; i < 2000; ++i) data.addPartialError(std::string(100, 'x'));
    XmlStream stream(&target);
    EXPECT_THROW(data.outputXML(stream, "data"), std::ios_base::failure);
    EXPECT_EQ(target.room, 0);
    EXPECT_THROW(stream << "more", std::ios_base::failure);
    EXPECT_TRUE(stream.bad());
    stream.reset();  // a new document on the same buffer: the stream is good again
    EXPECT_TRUE(stream.good());
    // A finished document whose last piece the buffer took in part: reset()
    // hands the rest on, once the buffer has room again.
    Room small;
    small.room = 10;
    XmlStream onSmall(&small);
    Kestrune::Schemas::Soa::_2006_03::Base::ModelObject const object("u", "t");
    EXPECT_THROW(object.outputXML(onSmall, "o"), std::ios_base::failure);
    EXPECT_EQ(small.text.size(), 10u);
    small.room = 100000;
    onSmall.reset();
    XmlStream own;
    object.outputXML(own, "o");
    EXPECT_EQ(small.text, own.str());
    // A buffer that says it took less than nothing took nothing: all is held back.
    struct Broken : std::streambuf {
        std::streamsize xsputn(char const*, std::streamsize) override { return -1; }
    } broken;
    XmlStream onBroken(&broken);
    std::string const size = std::to_string(own.str().size());
    try {
        object.outputXML(onBroken, "o");
        ADD_FAILURE() << "written onto a broken buffer";
    } catch (std::ios_base::failure const& e) {
        EXPECT_EQ(std::string(e.what()), std::ios_base::failure("XmlStream: the caller's buffer took -1 of " + size +
                                                                " bytes; " + size + " are not written")
                                             .what());
    }
    EXPECT_EQ(onBroken.bytesHandedOn(), 0u);
}

// A message reaches the caller's buffer whole, and the buffer is synced,
// when its root element ends (a peer on a connection has it then), not
// before; a buffer that cannot sync fails the write.
TEST(XmlStream, EachMessageReachesTheCallersBufferSyncedWhenItsRootEnds) {
    struct Recorder : std::streambuf {
        std::string text;
        std::vector<std::string> synced;  // what it had taken at each sync
        int result = 0;
        std::streamsize xsputn(char const* s, std::streamsize n) override {
            text.append(s, static_cast<std::size_t>(n));
            return n;
        }
        int sync() override {
            synced.push_back(text);
            return result;
        }
    } target;
    Kestrune::Schemas::Soa::_2006_03::Base::ModelObject const object("u", "t");
    ServiceData data;  // more than a piece: handed on in pieces, synced at its end only
    for (int i = 0; i < 2000; ++i) data.addPartialError(std::string(100, 'x'));
    XmlStream own;
    object.outputXML(own, "o");
    std::string const first = own.str();
    own.reset();
    data.outputXML(own, "data");
    std::string const second = own.str();
    XmlStream stream(&target);
    object.outputXML(stream, "o");
    EXPECT_EQ(target.synced, std::vector<std::string>{first});
    stream.reset();
    data.outputXML(stream, "data");
    EXPECT_EQ(target.synced, (std::vector<std::string>{first, first + second}));
    target.result = -1;
    stream.reset();
    EXPECT_THROW(object.outputXML(stream, "o"), std::ios_base::failure);
    EXPECT_EQ(target.text, first + second + first);
}

TEST(XmlStream, MisuseIsRefusedInsteadOfWritingBrokenXml) {
    auto refused = [](std::function<void(XmlStream&)> const& misuse) {
        XmlStream stream;
        return kxsoa_test::refusalThrownBy([&] { misuse(stream); });
    };
    // A name is quoted with every byte visible: a control character by its code point, a byte that is not UTF-8 in hex.
    for (auto const& [name, quoted] : {std::pair<char const*, char const*>{"", "''"},
                                       {"a:b:c", "'a:b:c'"},
                                       {"a\x1B[31mRED", "'a' U+001B '[31mRED'"},
                                       {"\x1B", "U+001B"},
                                       {"\xC3(\n", "0xC3 '(' U+000A"}})
        EXPECT_EQ(refused([given = name](XmlStream& s) { s.writeOpenElement("urn:a", given); }),
                  "unwritable: XmlStream: " + std::string(quoted) + " is not a valid element name");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeOpenElement("", "e"); }),
              "unwritable: XmlStream: an empty namespace URI cannot be bound to a prefix");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeAttribute("a", "v"); }),
              "misuse: XmlStream: attribute \"a\" written outside a start tag");
    struct Unescaped {
        char const* value;
        int offset;
    };
    for (Unescaped const c :
         {Unescaped{"x\"y", 1}, Unescaped{"xy<", 2}, Unescaped{"AT&T", 2}, Unescaped{"&#g;", 0}, Unescaped{"&nbsp;", 0},
          Unescaped{"&#x;", 0}, Unescaped{"&#0;", 0}, Unescaped{"&#xD800;", 0}, Unescaped{"&#x110000;", 0},
          Unescaped{"x\xEF\xBF\xBE", 1}, Unescaped{"x\x80", 1}, Unescaped{"\xC3\xA9<", 2}})
        EXPECT_EQ(refused([&](XmlStream& s) {
                      s.writeOpenElement("urn:a", "e");
                      s.writeAttribute("a", c.value);
                  }),
                  "unwritable: XmlStream: the value of attribute \"a\" is not escaped (byte offset " +
                      std::to_string(c.offset) + "); pass it through toXmlString");
    EXPECT_EQ(refused([](XmlStream& s) {
                  s.writeOpenElement("urn:a", "item");
                  s.writeOpenElementClose("urn:a", false);
                  s.writeCloseElement("urn:a", "tem");  // only a suffix of the name
              }),
              "misuse: XmlStream: cannot close \"tem\": the innermost open element is \"ns1:item\"");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeCloseElement("urn:a", "e"); }),
              "misuse: XmlStream: cannot close \"e\": no element is open");
    EXPECT_EQ(refused([](XmlStream& s) {
                  writeEmpty(s, "urn:a", "first");
                  s.writeOpenElement("urn:a", "second");
              }),
              "misuse: XmlStream: cannot write element \"second\": the document already has its root element");
    // An element of text is named as an element is, with its prefix in scope.
    auto textNamed = [&](std::string_view name) {
        return refused([&](XmlStream& s) {
            s.openElement("urn:a", "r");
            s.closeStartTag("urn:a", false);
            s.textElement(name, "v");
        });
    };
    EXPECT_EQ(textNamed("a b"), "unwritable: XmlStream: 'a b' is not a valid element name");
    for (char const* unbound : {"ns2:t", "xml:t"})
        EXPECT_EQ(textNamed(unbound), "misuse: XmlStream: element \"" + std::string(unbound) +
                                          "\" of text uses the prefix \"" + std::string(unbound, 3) +
                                          "\", which is not declared in scope");
    // The same name again, once its prefix has left scope, and once the name limit is lower.
    std::string const child = "ns2:t";
    EXPECT_EQ(refused([&](XmlStream& s) {
                  s.openElement("urn:a", "r");
                  s.closeStartTag("urn:a", false);
                  s.openElement("urn:b", "e");  // declares ns2
                  s.closeStartTag("urn:b", false);
                  s.textElement(child, "1");
                  s.closeElement("urn:b", "e");
                  s.textElement(child, "2");
              }),
              "misuse: XmlStream: element \"ns2:t\" of text uses the prefix \"ns2\", which is not declared in scope");
    EXPECT_EQ(
        refused([&](XmlStream& s) {
            s.openElement("urn:b", "r");
            s.closeStartTag("urn:b", false);
            s.textElement("ns1:t", "1");
            s.setMaxNameBytes(4);
            s.textElement("ns1:t", "2");
        }),
        "limit: XmlStream: an element name of 5 bytes is longer than XmlReadLimits::maxNameBytes (4 bytes), which "
        "a reader with that limit refuses; raise it on both sides (XmlStream::setMaxNameBytes)");
    for (char const* reserved : {"xml:e", "xmlns:e"})
        EXPECT_EQ(refused([&](XmlStream& s) { s.writeOpenElement("urn:a", reserved); }),
                  "unwritable: XmlStream: element \"" + std::string(reserved) + "\" uses a reserved prefix");
    for (char const* reserved : {"http://www.w3.org/XML/1998/namespace", "http://www.w3.org/2000/xmlns/"}) {
        std::string const message = "unwritable: XmlStream: the reserved namespace \"" + std::string(reserved) +
                                    "\" cannot be bound to a prefix";
        EXPECT_EQ(refused([&](XmlStream& s) { s.writeOpenElement(reserved, "e"); }), message);
        EXPECT_EQ(refused([&](XmlStream& s) { s.writeOpenElement(reserved, "p:e"); }), message);
        EXPECT_EQ(refused([&](XmlStream& s) { s.getNamespacePrefix(reserved); }), message);
        // Another namespace of its length is bound as any other.
        std::string const sameLength = "urn:" + std::string(std::string_view(reserved).size() - 4, 'x');
        XmlStream other;
        writeEmpty(other, sameLength, "e");
        EXPECT_EQ(other.str(), "<ns1:e xmlns:ns1=\"" + sameLength + "\" attr=\"value\"/>");
    }
    // A refused element takes back the declarations it had made: the next
    // element declares what it uses.
    XmlStream stream;
    stream.addNamespaces({"urn:a"});
    EXPECT_EQ(
        domExceptionMessage([&] { stream.writeOpenElement("urn:b\x07", "root"); }),
        "toXmlString: the control character U+0007 at byte offset 5 of a 6-byte text cannot be carried by XML 1.0");
    writeEmpty(stream, "urn:a", "root");
    EXPECT_EQ(stream.str(), "<ns1:root xmlns:ns1=\"urn:a\" attr=\"value\"/>");
    // A value refused takes back its attribute: the start tag goes on without it.
    XmlStream onValue;
    onValue.openElement("urn:a", "e");
    EXPECT_EQ(
        domExceptionMessage([&] { onValue.attribute("a", "x\x01"); }),
        "toXmlString: the control character U+0001 at byte offset 1 of a 2-byte text cannot be carried by XML 1.0");
    onValue.closeStartTag("urn:a", true);
    EXPECT_EQ(onValue.str(), "<ns1:e xmlns:ns1=\"urn:a\"/>");
}

TEST(XmlStream, RepeatedNamesAndEscapedValuesAreCheckedEachTimeTheyDiffer) {
    XmlStream stream;
    EXPECT_EQ(stream.qualifiedName("", "ns1-c"), "ns1-c");  // not taken for ns1:c below
    EXPECT_EQ(stream.qualifiedName("urn:a", "c"), "ns1:c");
    stream << stream.writeOpenElement("urn:a", "root") << stream.writeAttribute("x-y", stream.escape("a<b"))
           << stream.writeOpenElementClose("urn:a", false);
    // Names of the same length as names already written, but invalid (for the attribute, by one byte).
    EXPECT_EQ(domExceptionMessage([&] { stream.writeOpenElement("urn:a", "1oot"); }),
              "XmlStream: '1oot' is not a valid element name");
    // A caller's buffer that held a valid name holds an invalid one of the same length.
    std::string name = "ns1:c";
    stream.textElement(name, "1");
    name = "ns1:<";
    EXPECT_EQ(domExceptionMessage([&] { stream.textElement(name, "2"); }),
              "XmlStream: 'ns1:<' is not a valid element name");
    stream << stream.writeOpenElement("urn:a", "item");
    EXPECT_EQ(domExceptionMessage([&] { stream.writeAttribute("x,y", "v"); }),
              "XmlStream: \"x,y\" is not a valid attribute name");
    // A caller's buffer that held a valid name holds, at each length, the same with one byte that no name takes.
    std::string attribute;
    attribute.reserve(32);  // one address for every name
    for (std::size_t length = 1; length <= 20; ++length)
        for (std::size_t at = 0; at < length; ++at) {
            attribute.assign(length, 'a');
            stream.writeAttribute(attribute, "v");
            attribute[at] = ',';
            EXPECT_EQ(domExceptionMessage([&] { stream.writeAttribute(attribute, "v"); }),
                      "XmlStream: \"" + attribute + "\" is not a valid attribute name");
        }
    // Only the whole text that escape returned goes unchecked: not a part of it, nor other text of its length.
    std::string const& escaped = stream.escape("x&y");
    for (std::string_view const other : {std::string_view(escaped).substr(0, 2), std::string_view("x<amp;y")})
        EXPECT_EQ(
            domExceptionMessage([&] { stream.writeAttribute("x-y", other); }),
            "XmlStream: the value of attribute \"x-y\" is not escaped (byte offset 1); pass it through toXmlString");
    // A caller's own escaped value, with references, is taken as it stands.
    stream << stream.writeAttribute("x-y", escaped)
           << stream.writeAttribute("b", "&#x41;&#00065;&#x10FFFF;&#9;&#xa;&lt;&apos;\t\x7F\xC3\xA9")
           << stream.writeOpenElementClose("urn:a", true);
    EXPECT_EQ(stream.str(),
              "<ns1:root xmlns:ns1=\"urn:a\" x-y=\"a&lt;b\"><ns1:c>1</ns1:c><ns1:item x-y=\"x&amp;y\" "
              "b=\"&#x41;&#00065;&#x10FFFF;&#9;&#xa;&lt;&apos;\t\x7F\xC3\xA9\"/>");
}

// A write refused before it wrote anything leaves the stream as it was: a
// new stream stays one for the next message, whatever namespaces the
// refused message had gathered or been handed, refusal after refusal, with
// a reset between them or without. One refused in the middle of a message
// leaves its text cut short, and reset() makes the stream new again.
TEST(XmlStream, ARefusedWriteLeavesTheStreamAsNew) {
    Kestrune::Schemas::Soa::_2006_03::Base::ModelObject const object("u", "t");
    auto const message = [](XmlStream& s) {
        s << s.writeOpenElement("urn:m", "m") << s.writeAttribute("a", "1") << s.writeOpenElementClose("urn:m", true);
    };
    std::string const fresh = [&] {
        XmlStream s;
        message(s);
        return s.str();
    }();
    struct Refused {
        std::function<void(XmlStream&)> write;
        std::string message;
        bool middle;  // in the middle of a message
    };
    std::vector<Refused> const refusals{
        {[&](XmlStream& s) { object.outputXML(s, "1o"); }, "XmlStream: '1o' is not a valid element name", false},
        {[&](XmlStream& s) { object.outputXML(s, "xml:o"); }, "XmlStream: element \"xml:o\" uses a reserved prefix",
         false},
        {[](XmlStream& s) {
             s.addNamespaces({"urn:x"});
             s.writeOpenElement("", "e");
         },
         "XmlStream: an empty namespace URI cannot be bound to a prefix", false},
        {[](XmlStream& s) {
             s.addNamespace("urn:y");
             s.writeOpenElement("urn:a\x01", "e");
         },
         "toXmlString: the control character U+0001 at byte offset 5 of a 6-byte text cannot be carried by XML 1.0",
         false},
        {[](XmlStream& s) { s.writeCloseElement("urn:a", "e"); }, "XmlStream: cannot close \"e\": no element is open",
         false},
        {[](XmlStream& s) {
             s.addNamespace("urn:z");
             s.writeOpenElement("urn:a", "r");
             s.writeOpenElement("urn:a", "e");
         },
         "XmlStream: cannot open element \"e\" inside an unclosed start tag", true},
    };
    // Each refusal after those before it, on a stream of its own string and
    // on a caller's buffer, with a reset after each or without one.
    for (std::size_t last = 0; last < refusals.size(); ++last) {
        for (bool const resets : {false, true}) {
            if (refusals[last].middle && !resets) continue;
            std::ostringstream target;
            XmlStream own, onBuffer(target.rdbuf());
            for (XmlStream* stream : {&own, &onBuffer}) {
                for (std::size_t i = 0; i <= last; ++i) {
                    Refused const& refused = refusals[i];
                    if (refused.middle && !resets) continue;
                    EXPECT_EQ(domExceptionMessage([&] { refused.write(*stream); }), refused.message);
                    EXPECT_EQ(stream->isRootElement(), !refused.middle) << refused.message;
                    EXPECT_EQ(stream->bytesHandedOn(), 0u);
                    if (resets) stream->reset();
                }
                message(*stream);
                stream->flush();
            }
            EXPECT_EQ(own.str(), fresh) << refusals[last].message << " " << resets;
            EXPECT_EQ(target.str(), fresh) << refusals[last].message << " " << resets;
        }
    }
}

// Each bound of the writer at 0, 1, one below what a write needs (N), N,
// N + 1, SIZE_MAX - 1 and SIZE_MAX: below N the write is refused naming
// the bound, from N on it is written.
TEST(XmlStream, EachBoundHoldsAtEveryValue) {
    std::size_t const most = std::numeric_limits<std::size_t>::max();
    auto const values = [&](std::size_t need) {
        return std::vector<std::size_t>{0, 1, need - 1, need, need + 1, most - 1, most};
    };
    auto const refusal = [](std::string const& what, std::size_t value, char const* setter) {
        return "limit: XmlStream: " + what + " is longer than XmlReadLimits::" + setter + " (" + std::to_string(value) +
               " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::set" +
               static_cast<char>(setter[0] - 'a' + 'A') + (setter + 1) + ")";
    };
    for (std::size_t const value : values(10)) {
        XmlStream stream;
        stream.setMaxNameBytes(value);
        // The URI (5 bytes) is checked before the element's name (10).
        std::string const what = value < 5 ? "a namespace URI of 5 bytes" : "an element name of 10 bytes";
        EXPECT_EQ(kxsoa_test::refusalThrownBy([&] { stream << stream.writeOpenElement("urn:a", "p:abcdefgh"); }),
                  value >= 10 ? "(no DomException)" : refusal(what, value, "maxNameBytes"));
        EXPECT_EQ(stream.str(), value >= 10 ? "<p:abcdefgh xmlns:p=\"urn:a\"" : "");
    }
    for (std::size_t const value : values(5)) {
        XmlStream stream;
        stream.setMaxTokenBytes(value);
        EXPECT_EQ(kxsoa_test::refusalThrownBy([&] { stream << stream.escape("a<b"); }),
                  value >= 6 ? "(no DomException)" : refusal("a text of 6 bytes as escaped", value, "maxTokenBytes"));
        EXPECT_EQ(stream.str(), value >= 6 ? "a&lt;b" : "");
    }
}

// Every piece reaches the text whole and in place, whatever its length (the
// stream copies short pieces a word at a time, and makes room in steps):
// names, values and texts of each length from 0 to 40, over several steps
// of room; str() read midway and at the end, and the same bytes on a
// caller's buffer.
TEST(XmlStream, PiecesOfEveryLengthAreWrittenWholeAndInPlace) {
    std::string const uri = "urn:pieces";
    auto const piece = [](std::size_t length, char first, int letters) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>(first + static_cast<int>(i) % letters);
        return text;
    };
    std::string expected = "<ns1:r xmlns:ns1=\"" + uri + "\">";
    auto const write = [&](XmlStream& stream, bool expect) {
        stream.openElement(uri, "r");
        stream.closeStartTag(uri, false);
        for (int pass = 0; pass < 3; ++pass) {
            if (expect && pass == 1) {
                EXPECT_EQ(stream.str(), expected);
            }
            for (std::size_t length = 0; length <= 40; ++length) {
                std::string const name = piece(std::max<std::size_t>(length, 1), 'a', 26);
                std::string const attribute = piece(std::max<std::size_t>(length, 1), 'A', 26);
                std::string const value = piece(length, '0', 10 + pass);
                stream.openLocalElement(uri, name);
                stream.attribute(attribute, value);
                stream.closeStartTag(uri, true);
                stream.textElement(name, value + "&" + value);
                if (expect) {
                    expected += "<" + name + " xmlns=\"" + uri + "\" " + attribute + "=\"" + value + "\"/>";
                    expected += "<" + name + ">" + value + "&amp;" + value + "</" + name + ">";
                }
            }
        }
        stream.closeElement(uri, "r");
    };
    XmlStream own;
    write(own, true);
    expected += "</ns1:r>";
    EXPECT_GT(expected.size(), 12000u);
    EXPECT_EQ(own.str(), expected);
    std::stringbuf target;
    XmlStream onBuffer(&target);
    write(onBuffer, false);
    EXPECT_EQ(target.str(), expected);
}
