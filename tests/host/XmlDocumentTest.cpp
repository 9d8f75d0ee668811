#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"
#include "host/XmlStream.h"
#include "support/Judge.h"
#include "support/Refusal.h"
#include "support/WellFormed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReader;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

// A tree as text, depth first: each element's namespace and name, its place
// (when `places`), its attributes, its own text and its children; a child
// that does not point back at its parent, or a list of children whose size
// is not its length, is marked.
std::string dump(XMLNode const& node, bool places = true) {
    std::string out = "{" + std::string(node.namespaceURI) + "}" + std::string(node.name);
    if (places) out += " " + std::to_string(node.line) + ":" + std::to_string(node.column);
    for (auto a = node.attributesBegin(); a != node.attributesEnd(); ++a)
        out += " {" + std::string(a->namespaceURI) + "}" + std::string(a->name) + "=" + std::string(a->value);
    out += " '" + std::string(node.text) + "' (";
    std::size_t length = 0;
    for (XMLNode const& child : node.children) {
        out += dump(child, places) + (child.parent == &node ? "" : " of another parent");
        ++length;
    }
    return out + (length == node.children.size() ? ")" : ") listed as " + std::to_string(node.children.size()));
}

// Each element is placed at the end of its start tag, its '>', with content
// or without; its text is its own, nothing of its siblings'.
TEST(XmlDocumentTest, BuildsElementsWithNamespacesParentsOwnTextAndLinesInOrder) {
    XmlDocument const doc = XmlDocument::parse(
        "<?xml version='1.0'?><!-- before -->\n<r xmlns='urn:a' xmlns:p='urn:p'>head<p:x/>\n\n"
        "<y xmlns=''>inner</y><?pi data?>mid\n<z><p:w/></z>tail</r><!-- after -->\n");
    EXPECT_EQ(doc.root().parent, nullptr);
    EXPECT_EQ(dump(doc.root()),
              "{urn:a}r 2:33 'head\n\nmid\ntail' ({urn:p}x 2:43 '' (){}y 4:12 'inner' ()"
              "{urn:a}z 5:3 '' ({urn:p}w 5:9 '' ()))");
}

// The place of each element after runs of text of every length up to 80
// bytes, plain (ASCII without a line end) or with a line end or a character
// of two to four bytes at every place in the run, each counted as a person
// counts (a line feed, a carriage return or the two together end a line; a
// column is a character), from memory and in pieces.
TEST(XmlDocumentTest, ElementsArePlacedAfterTextOfEveryLengthWithALineEndOrACharacterAnywhere) {
    std::string xml = "<r>", expected;
    std::size_t line = 1, column = 3;  // of the last byte written, counted as written
    bool afterReturn = false;
    auto const add = [&](std::string const& piece) {
        for (char const c : piece) {
            if (c == '\n' && afterReturn) {
                afterReturn = false;  // the line feed of a carriage return ends no line of its own
            } else if (c == '\n' || c == '\r') {
                ++line, column = 0, afterReturn = c == '\r';
            } else {
                afterReturn = false;
                if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;
            }
        }
        xml += piece;
    };
    auto const element = [&] {
        add("<e/>");
        expected += std::to_string(line) + ":" + std::to_string(column) + " ";
    };
    for (std::size_t length = 0; length <= 80; ++length) {
        add(std::string(length, 'x'));
        element();
        for (std::string const odd : {"\n", "\r", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
            for (std::size_t at = 0; at < length; at += 1 + at / 8) {
                add(std::string(at, 'x') + odd + std::string(length - at - 1, 'x'));
                element();
            }
        }
    }
    xml += "</r>";
    for (std::size_t piece = 0; piece <= 7; piece += 7) {
        kxsoa_test::InPieces pieces(xml, piece == 0 ? xml.size() : piece);
        std::istream in(&pieces);
        XmlDocument const doc = piece == 0 ? XmlDocument::parse(xml) : XmlDocument::parse(in);
        std::string places;
        for (XMLNode const& child : doc.root().children)
            places += std::to_string(child.line) + ":" + std::to_string(child.column) + " ";
        EXPECT_EQ(places, expected) << piece;
    }
}

// Text at every depth, past the depths the builder makes room for at first.
TEST(XmlDocumentTest, EachElementKeepsItsOwnTextAtEveryDepth) {
    std::string xml, expected;
    for (int depth = 0; depth < 40; ++depth) xml += "<e>" + std::to_string(depth);
    for (int depth = 39; depth >= 0; --depth) xml += "-" + std::to_string(depth) + "</e>";
    XmlDocument const doc = XmlDocument::parse(xml);
    int depth = 0;
    for (XMLNode const* node = &doc.root(); node != nullptr; ++depth) {
        EXPECT_EQ(node->text, std::to_string(depth) + "-" + std::to_string(depth)) << depth;
        node = node->children.size() == 1 ? &*node->children.begin() : nullptr;
    }
    EXPECT_EQ(depth, 40);
}

TEST(XmlDocumentTest, DecodesEntitiesCharacterReferencesCdataAndLineEnds) {
    XmlDocument const doc =
        XmlDocument::parse("<a>&lt;&gt;&amp;&apos;&quot;&#x41;&#66;<![CDATA[<&]]>]]&gt;\r\nx\ry&#13;</a>");
    EXPECT_EQ(doc.root().text, "<>&'\"AB<&]]>\nx\ny\r");
    std::string const longText(100000, 'q');
    EXPECT_EQ(XmlDocument::parse("<e xmlns='urn:a&amp;b&quot;c'/>").root().namespaceURI, "urn:a&b\"c");
    EXPECT_EQ(XmlDocument::parse("<a>" + longText + "<b/>" + longText + "</a>").root().text, longText + longText);
}

// The namespace declaration is no attribute; an attribute is found by its
// whole local name, whatever its prefix.
TEST(XmlDocumentTest, AttributesAreDecodedNormalisedAndFoundByWholeLocalName) {
    XmlDocument const doc = XmlDocument::parse(
        "<a xmlns:p='urn:p' v='x&amp;y&#38;&#9;&#10;&#13;z' w='1\t2\n3\r\n4' u='&gt;' p:c='pc' typeName='long' "
        "type='short'/>");
    XMLNode const& a = doc.root();
    EXPECT_EQ(dump(a), "{}a 3:51 {}v=x&y&\t\n\rz {}w=1 2 3 4 {}u=> {urn:p}c=pc {}typeName=long {}type=short '' ()");
    EXPECT_EQ(a.findAttr("c"), a.attributesBegin() + 3);
    for (char const* missing : {"missing", "p:c", "typ", "typeNameX"}) EXPECT_EQ(a.findAttr(missing), nullptr);
    EXPECT_EQ(a.getAttr("missing").data(), nullptr);
    EXPECT_EQ(a.getAttr("type"), "short");
    EXPECT_EQ(XmlDocument::parse("<b typeName='long'/>").root().findAttr("type"), nullptr);
}

std::string repeated(std::string const& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

// The six forms of text the reader accepts: UTF-8 and UTF-16 in either byte
// order, with and without a byte order mark, declared in any case or not.
struct Form {
    char const* what;
    char const* declared;  // the XML declaration's encoding, or none
    char const* mark;      // the byte order mark, or none
    int utf16;             // 0 for UTF-8, else 1 little-endian, 2 big-endian
};
Form const forms[] = {
    {"UTF-8", nullptr, "", 0},
    {"UTF-8 with a byte order mark", "utf-8", "\xEF\xBB\xBF", 0},
    {"UTF-16LE with a byte order mark", nullptr, "\xFF\xFE", 1},
    {"UTF-16BE with a byte order mark", "UTF-16", "\xFE\xFF", 2},
    {"UTF-16LE without one", "UTF-16LE", "", 1},
    {"UTF-16BE without one", "utf-16", "", 2},
};

// `text` (UTF-8) after the form's XML declaration, if any.
std::string declared(Form const& form, std::string const& text) {
    return form.declared ? std::string("<?xml version=\"1.0\" encoding=\"") + form.declared + "\"?>" + text : text;
}

// `text` (UTF-8) as the form writes it, with its declaration and mark.
std::string encoded(Form const& form, std::string const& text) {
    std::string const utf8 = declared(form, text);
    if (form.utf16 == 0) return form.mark + utf8;
    std::string out = form.mark;
    auto unit = [&](char32_t u) {
        char const low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
        out += form.utf16 == 1 ? std::string{low, high} : std::string{high, low};
    };
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char const lead = static_cast<unsigned char>(utf8[i]);
        std::size_t const length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

// "line L, column C" of the last `needle` in `text` (UTF-8), counting characters.
std::string placeOf(std::string const& text, std::string const& needle) {
    std::size_t const at = text.rfind(needle);
    std::size_t const lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    std::size_t const line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + at, '\n'));
    std::size_t const column =
        1 + static_cast<std::size_t>(std::count_if(text.begin() + lineStart, text.begin() + at, [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The refusal of text or of a stream: its kind, its place and its message.
template <class Input>
std::string refusalOf(Input&& xml, XmlReadLimits const& limits) {
    try {
        XmlDocument::parse(xml, limits);
    } catch (DomException const& e) {
        return kxsoa_test::refusalText(e);
    }
    return "(accepted)";
}

// How refusalOf begins a refusal of each kind.
std::string const encodingError = "encoding at ", limitError = "limit at ", unsupported = "unsupported at ",
                  parseError = "not well-formed at ";

// Each refused with its whole message, and nothing printed; other encodings
// and contradictions are refused before any limit is reached.
TEST(XmlDocumentTest, RefusesWithLineColumnAndReasonAndPrintsNothing) {
    struct Refusal {
        char const* what;
        std::string xml;
        std::string message;
        bool wellFormed = false;  // refused by a choice of ours only: another parser accepts it
    };
    std::string attributes;
    for (int i = 0; i < 300; ++i) attributes += " a" + std::to_string(i) + "='v'";
    auto declaration = [](std::string const& name) { return "<?xml version='1.0' encoding='" + name + "'?>"; };
    std::string const notAccepted = encodingError + "line 1, column 31: encoding ";
    std::string const bomSays = encodingError + "line 1, column 31: the byte order mark says ";
    Refusal const cases[] = {
        {"doctype", "<!DOCTYPE a SYSTEM 'a.dtd'><a/>",
         unsupported + "line 1, column 27: a document type declaration (DOCTYPE) is not accepted", true},
        {"entity expansion",
         "<?xml version='1.0'?>\n<!DOCTYPE l [\n<!ENTITY a 'lol'>\n<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;'>\n"
         "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;'>\n<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;'>\n]>\n<l>&d;</l>",
         unsupported + "line 2, column 13: a document type declaration (DOCTYPE) is not accepted"},
        {"truncated", "<a>\n<b>\n  <c/>",
         parseError + "line 3, column 7: the document ends before element 'b' is closed"},
        // Cut where "]]>" could begin: the text ends, it is not asked for more.
        {"cut after ']'", "<a>x]", parseError + "line 1, column 6: the document ends before element 'a' is closed"},
        {"cut after ']]'", "<a>]]", parseError + "line 1, column 6: the document ends before element 'a' is closed"},
        {"empty", "", parseError + "line 1, column 1: the document has no root element"},
        {"only a comment", "<!-- c -->\n", parseError + "line 2, column 1: the document has no root element"},
        {"cut in the root tag", "<a", parseError + "line 1, column 3: the document ends inside a start tag"},
        {"undeclared prefix", "<a>\n  <p:b/></a>",
         parseError + "line 2, column 8: the prefix 'p' of element 'p:b' is not declared"},
        {"undeclared attribute prefix", "<a p:x='1'/>",
         parseError + "line 1, column 12: the prefix 'p' of attribute 'p:x' on element 'a' is not declared"},
        // A name is quoted whole: the message is cut at 200 bytes, at a character.
        {"a long undeclared prefixed name", "<pp:" + repeated("\xC3\xA9", 150) + "/>",
         parseError + "line 1, column 156: the prefix 'pp' of element 'pp:" + repeated("\xC3\xA9", 84) + "..."},
        // A declaration refused where its name is.
        {"the prefix xmlns declared", "<a>\n <b xmlns:xmlns='urn:x'/></a>",
         parseError + "line 2, column 5: the prefix 'xmlns' cannot be declared"},
        {"an empty namespace name for a prefix", "<a xmlns:p=''/>",
         parseError + "line 1, column 4: the prefix 'p' is declared with an empty namespace name, which Namespaces "
                      "in XML 1.0 does not allow (a prefix cannot be undeclared)"},
        {"two roots", "<a/><b/>", parseError + "line 1, column 5: the document goes on after its root element ends"},
        {"NUL after the root", std::string("<a>x</a>\0", 9),
         parseError + "line 1, column 9: the document goes on after its root element ends"},
        {"undeclared entity", "<a>&e;</a>",
         parseError +
             "line 1, column 7: the entity 'e' is not declared (the document can use amp, lt, gt, apos and quot)"},
        {"a hexadecimal reference with a letter past f", "<a>&#x4g;</a>",
         parseError + "line 1, column 8: a character reference does not end with ';'"},
        {"a reference to a character XML does not allow", "<a>&#0;</a>",
         parseError + "line 1, column 4: the character reference '&#0;' is to a character that XML does not allow"},
        {"cut in the XML declaration", "<?xml version='1.0'",
         parseError + "line 1, column 20: the document ends inside the XML declaration"},
        // A broken sequence is quoted up to the first byte that does not continue it.
        {"invalid UTF-8", "<a>caf\xC3</a>", encodingError + "line 1, column 7: the bytes 0xC3 0x3C are not UTF-8"},
        {"a four-byte sequence cut short", "<a>\xF0\x9F\x98</a>",
         encodingError + "line 1, column 4: the bytes 0xF0 0x9F 0x98 0x3C are not UTF-8"},
        {"the first lead byte of a two-byte sequence, broken", "<a>\xC2</a>",
         encodingError + "line 1, column 4: the bytes 0xC2 0x3C are not UTF-8"},
        {"past the last character", "<a>\xF4\x90\x80\x80</a>",
         encodingError + "line 1, column 4: the bytes 0xF4 0x90 0x80 0x80 are not UTF-8"},
        // A byte that no character begins with is quoted alone, whatever follows it.
        {"a lead byte past the last character's", "<a>\xF5\x80\x80\x80</a>",
         encodingError + "line 1, column 4: the byte 0xF5 is not UTF-8"},
        {"a continuation byte alone", "<a>x\x80</a>", encodingError + "line 1, column 5: the byte 0x80 is not UTF-8"},
        {"a three-byte lead followed by ASCII", "<a>\xE2x</a>",
         encodingError + "line 1, column 4: the bytes 0xE2 0x78 are not UTF-8"},
        {"a byte that is not UTF-8 where an attribute's name is expected", "<a \x80='1'/>",
         encodingError + "line 1, column 4: the byte 0x80 is not UTF-8"},
        {"mismatched end tag at the very end", "<a><b></a>",
         parseError + "line 1, column 11: the end tag 'a' does not match the start tag 'b' of line 1"},
        {"an end tag that differs from its start tag in the middle byte", "<abc></aXc>",
         parseError + "line 1, column 12: the end tag 'aXc' does not match the start tag 'abc' of line 1"},
        {"cut in an end tag", "<a><b></b", parseError + "line 1, column 10: the document ends inside an end tag"},
        {"cut in a CDATA section", "<a><![CDATA[x",
         parseError + "line 1, column 14: the document ends inside a CDATA section"},
        {"cut in a comment", "<a><!-- x", parseError + "line 1, column 10: the document ends inside a comment"},
        {"cut after '<!-'", "<a><!-", parseError + "line 1, column 7: the document ends inside a comment"},
        {"cut in a processing instruction", "<a><?p x",
         parseError + "line 1, column 9: the document ends inside a processing instruction"},
        {"UTF-7", declaration("UTF-7") + "<r" + attributes + "/>",
         notAccepted + "\"UTF-7\" is not accepted: send UTF-8, UTF-16 or US-ASCII"},
        {"ISO-8859-1", declaration("ISO-8859-1") + "<r>caf\xE9</r>",
         notAccepted + "\"ISO-8859-1\" is not accepted: send UTF-8, UTF-16 or US-ASCII"},
        {"a long encoding name, quoted in part", declaration(std::string(65, 'X')),
         notAccepted + "\"" + std::string(64, 'X') + "...\" is not accepted: send UTF-8, UTF-16 or US-ASCII"},
        // An empty encoding name is libxml2's to refuse: the value ends at its own closing quote.
        {"an empty encoding name", "<?xml version='1.0' encoding='' standalone='yes'?><r/>",
         parseError +
             "line 1, column 31: the encoding '' in the XML declaration is not a name (a letter, then letters, "
             "digits, '.', '_' or '-')"},
        {"UTF-8 mark, ISO-8859-1 declared", "\xEF\xBB\xBF" + declaration("ISO-8859-1") + "<r>caf\xC3\xA9</r>",
         bomSays + "UTF-8 but the declaration says \"ISO-8859-1\""},
        {"UTF-16LE mark, UTF-16BE declared", encoded({"", "UTF-16BE", "\xFF\xFE", 1}, "<r/>"),
         bomSays + "UTF-16LE but the declaration says \"UTF-16BE\""},
        {"UTF-16 declared as UTF-8", encoded({"", "UTF-8", "", 2}, "<r/>"),
         encodingError + "line 1, column 31: the text is UTF-16BE (as its first bytes show) but the declaration "
                         "says \"UTF-8\""},
        // Read as UTF-16, as the mark says: no attribute is counted, nor read.
        {"UTF-16LE mark, then single bytes", "\xFF\xFE" + declaration("ISO-8859-1") + "<r" + attributes + "/>",
         encodingError + "line 1, column 1319: the text ends in the middle of a UTF-16 character"},
        {"EBCDIC", "\x4C\x6F\xA7\x94\x40",
         encodingError + "line 1, column 1: the text is in EBCDIC, which is not accepted: send UTF-8 or UTF-16"},
        {"UTF-8 mark, then UTF-16's", std::string("\xEF\xBB\xBF\xFF\xFE<\0r\0/\0>\0", 13),
         encodingError + "line 1, column 1: the text after the UTF-8 byte order mark is not UTF-8"},
        {"UTF-16, a high surrogate alone", encoded(forms[2], "<a>x") + "\x3D\xD8" + encoded(forms[4], "</a>"),
         encodingError + "line 1, column 5: the UTF-16 text holds an unpaired surrogate (U+D83D)"},
        {"UTF-16, a low surrogate alone", encoded(forms[3], "<a>\n") + std::string("\xDE\x00", 2),
         encodingError + "line 2, column 1: the UTF-16 text holds an unpaired surrogate (U+DE00)"},
        {"UTF-16, a NUL", encoded(forms[2], "<a>") + std::string(2, '\0') + encoded(forms[4], "</a>"),
         parseError + "line 1, column 4: the text holds the character U+0000, which XML does not allow"},
        {"UTF-16, a second mark", "\xFF\xFE\xFF\xFE" + encoded(forms[4], "<a/>"),
         encodingError + "line 1, column 1: the text starts with a second byte order mark"},
        // Input quoted with every byte visible, not written raw into the message.
        {"NUL in a start tag", std::string("<a\0/>", 5),
         parseError + "line 1, column 3: a start tag holds U+0000 where '>', '/>' or an attribute name is expected"},
        {"ESC in a start tag", "<a\x1B[31mRED/>",
         parseError + "line 1, column 3: a start tag holds U+001B where '>', '/>' or an attribute name is expected"},
        {"ESC in an end tag", "<a></a\x1B[0m>",
         parseError + "line 1, column 7: an end tag holds U+001B after its name, not '>'"},
        {"ESC in the version", "<?xml version='1.\x1B[0m'?><r/>",
         parseError + "line 1, column 16: the XML version '1.' U+001B '[0m' is not 1.x"},
        // An element is where its start tag ends, with content or without.
        {"an undeclared prefix, the element empty", "<x:bad/>",
         parseError + "line 1, column 8: the prefix 'x' of element 'x:bad' is not declared"},
        {"an undeclared prefix, the element with content", "<x:bad></x:bad>",
         parseError + "line 1, column 7: the prefix 'x' of element 'x:bad' is not declared"},
        {"US-ASCII declared, a byte that is not", declaration("US-ASCII") + "<r>caf\xC3\xA9</r>",
         encodingError + "line 1, column 48: the text declares the encoding 'US-ASCII' but holds the byte 0xC3, which "
                         "is not ASCII"},
        // The first byte past ASCII, which UTF-8 has only inside a character.
        {"US-ASCII declared, the byte 0x80", declaration("US-ASCII") + "<r>caf\x80</r>",
         encodingError + "line 1, column 48: the text declares the encoding 'US-ASCII' but holds the byte 0x80, which "
                         "is not ASCII"},
        {"US-ASCII in UTF-16", encoded({"", "US-ASCII", "", 2}, "<r/>"),
         encodingError + "line 1, column 31: the text is UTF-16BE (as its first bytes show) but the declaration says "
                         "\"US-ASCII\""},
    };
    // Past the first window of a stream too (several times its size).
    std::string const late = declaration("ascii") + "<r>" + std::string(200000, 'a') + "\xC3\xA9</r>";
    std::istringstream lateIn(late);
    EXPECT_EQ(refusalOf(lateIn, {}), encodingError +
                                         "line 1, column 200042: the text declares the encoding 'ascii' but "
                                         "holds the byte 0xC3, which is not ASCII");
    EXPECT_EQ(XmlDocument::parse(declaration("US-ASCII") + "<r>cafe</r>").root().text, "cafe");
    for (Refusal const& c : cases) {
        testing::internal::CaptureStderr();
        std::string const message = refusalOf(c.xml, {});
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.what;
        EXPECT_EQ(message, c.message) << c.what;
        if (c.wellFormed) {
            EXPECT_TRUE(kxsoa_test::wellFormed(c.xml)) << c.what;
        }
    }
    // A text that ends inside a reference, or with a carriage return, in a
    // buffer of its own size: nothing past its end is read.
    struct Cut {
        char const* xml;
        std::string message;
    };
    for (Cut const& cut : {Cut{"<r>&", "1, column 5: the document ends inside a reference"},
                           Cut{"<r>&#", "1, column 6: the document ends inside a reference"},
                           Cut{"<r>&#x", "1, column 7: the document ends inside a reference"},
                           Cut{"<r>&#1", "1, column 7: the document ends inside a reference"},
                           Cut{"<r>&lt", "1, column 7: the document ends inside a reference"},
                           Cut{"<r a='&#", "1, column 9: the document ends inside a reference"},
                           Cut{"<r>x\r", "2, column 1: the document ends before element 'r' is closed"}}) {
        std::size_t const size = std::strlen(cut.xml);
        std::unique_ptr<char[]> const exact(new char[size]);
        std::memcpy(exact.get(), cut.xml, size);
        EXPECT_EQ(refusalOf(std::string_view(exact.get(), size), {}), parseError + "line " + cut.message);
    }
    // A processing instruction may end the text, after the root.
    EXPECT_EQ(XmlDocument::parse("<a/><?pi x?>").root().name, "a");
    // A declaration longer than the reader's window, from a stream: refused where it ends.
    std::string const longDoctype = "<!DOCTYPE a SYSTEM '" + std::string(200000, 'x') + "'><a/>";
    std::istringstream doctypeStream(longDoctype);
    EXPECT_EQ(refusalOf(doctypeStream, {}),
              unsupported + "line 1, column 200022: a document type declaration (DOCTYPE) is not accepted");
    // The declaration is found and read whatever white space it uses; a
    // carriage return alone ends a line as a line feed does.
    for (std::string const space : {" ", "\t", "\r", "\n"})
        EXPECT_EQ(refusalOf("<?xml" + space + "version='1.0'" + space + "encoding" + space + "=" + space + "'UTF-16'" +
                                space + "?><r/>",
                            {}),
                  encodingError + (space == "\n" || space == "\r" ? "line 5, column 2" : "line 1, column 33") +
                      ": the text is UTF-8 (as its first bytes show) but the declaration says \"UTF-16\"")
            << static_cast<int>(space[0]);
    // UCS-4's four byte orders, each with and without its byte order mark.
    for (char const* start :
         {"\0\0\xFE\xFF", "\xFF\xFE\0\0", "\0\0\xFF\xFE", "\xFE\xFF\0\0", "\0\0\0<", "<\0\0\0", "\0\0<\0", "\0<\0\0"})
        EXPECT_EQ(refusalOf(std::string(start, 4) + std::string(12, '\0'), {}),
                  encodingError + "line 1, column 1: the text is in UCS-4, which is not accepted: send UTF-8 or UTF-16")
            << static_cast<int>(start[0]) << " " << static_cast<int>(start[2]);
}

TEST(XmlDocumentTest, EachLimitAcceptsItsValueAndRefusesOneMoreInEveryFormNamingItAndWhere) {
    struct Limit {
        char const* what;
        std::string atLimit, overLimit;
        XmlReadLimits limits;
        std::string where;  // the text at which the refusal is placed
        std::string reason;
    };
    XmlReadLimits depth, attributes, names, tokens, nameBytes;
    depth.maxDepth = 3;
    nameBytes.maxNameBytes = 40;
    attributes.maxAttributes = 3;
    // Room for the longest XML declaration of the forms, which is a token too.
    tokens.maxTokenBytes = 40;
    std::string const a39(39, 'a');
    // More names than the name table starts with room for, among them a
    // prefix and a namespace name that only a declaration uses.
    std::string manyNames = "<r xmlns:q='urn:q'>";
    for (int i = 0; i < 70; ++i) manyNames += "<e" + std::to_string(i) + "/>";
    names.maxNames = 73;
    std::string const e20 = repeated("\xC3\xA9", 20);  // 40 bytes
    std::string const token =
        "a token (text, attribute value, comment, CDATA section or processing instruction) is longer than "
        "XmlReadLimits::maxTokenBytes (40 bytes)";
    std::string const name = "a name is longer than XmlReadLimits::maxNameBytes (40 bytes)";
    std::string const uri = "a namespace URI is longer than XmlReadLimits::maxNameBytes (40 bytes)";
    Limit const cases[] = {
        {"bytes",
         "<r>ab</r >",
         "<r>abc</r >",
         {},
         ">",                                                           // the last ">", which the limit cuts off
         "the XML text is larger than XmlReadLimits::maxBytes (...)"},  // the size of the form's text
        {"depth", "<r><a><b/></a></r>", "<r><a><b><c/></b></a></r>", depth, "></b>",
         "elements are nested deeper than XmlReadLimits::maxDepth (3 levels)"},
        // "=" in a value is no attribute; a tag of no more "=" than allowed is passed over quickly
        {"attributes", "<r>\n <e a='1' b='2' xmlns:p='u=v'/></r>", "<r>\n <e a='1' b='2' xmlns:p='u' c='4'/></r>",
         attributes, "='4'", "an element has more attributes than XmlReadLimits::maxAttributes (3)"},
        {"names", manyNames + "</r>", manyNames + "\n<z/></r>", names, "></r>",
         "the document uses more distinct names than XmlReadLimits::maxNames (73)"},
        {"text", "<r>\n" + a39.substr(1) + "b</r>", "<r>\n" + a39.substr(1) + "bd</r>", tokens, "d<", token},
        {"text after multi-byte characters", "<r>\n<\xC3\xA9>" + e20 + "</\xC3\xA9></r>",
         "<r>\n<\xC3\xA9>" + e20 + "x</\xC3\xA9></r>", tokens, "x<", token},
        {"third attribute value", "<r a='1' b='22' c='" + a39 + "b'/>", "<r a='1' b='22' c='" + a39 + "be'/>", tokens,
         "e'", token},
        {"comment", "<r><!--<" + a39.substr(1) + "b--></r>", "<r><!--<" + a39.substr(1) + "be--></r>", tokens, "e-",
         token},
        {"CDATA section", "<r><![CDATA[" + a39.substr(1) + "]]]]></r>", "<r><![CDATA[" + a39 + "]]]]></r>", tokens,
         "]>", token},
        {"processing instruction", "<r><?t " + a39.substr(1) + "?></r>", "<r><?t " + a39 + "?></r>", tokens, "a?",
         token},
        // Names as written, a prefix and its colon included: refused at the
        // byte that passes the limit; a URI, at its value's start.
        {"element name", "<r>\n<p:" + a39.substr(1) + " xmlns:p='u'/></r>", "<r>\n<p:" + a39 + " xmlns:p='u'/></r>",
         nameBytes, "a xmlns:p", name},
        {"attribute name", "<r " + a39 + "b='1'/>", "<r " + a39 + "bc='1'/>", nameBytes, "c='1'", name},
        {"end tag name", "<r>\n<" + a39 + "b></" + a39 + "b></r>", "<r>\n<a></" + a39 + "bc></r>", nameBytes, "c></r>",
         name},
        {"declared prefix", "<r xmlns:" + a39.substr(5) + "='u'/>", "<r xmlns:" + a39.substr(4) + "='u'/>", nameBytes,
         "a='u'", name},
        {"processing instruction's target", "<r><?" + a39 + "b?></r>", "<r><?" + a39 + "bc?></r>", nameBytes, "c?>",
         name},
        {"namespace URI, references decoded", "<r xmlns='&amp;" + a39 + "'/>", "<r xmlns='&amp;" + a39 + "b'/>",
         nameBytes, "&amp;", uri},
        {"prefixed namespace URI", "<r xmlns:p='&#97;" + a39 + "'/>", "<r xmlns:p='&#97;" + a39 + "b'/>", nameBytes,
         "&#97;", uri},
    };
    // Each case as it is, and after comments and spaces that bring what
    // passes the limit to every place around the end of the parser's first
    // piece of text (4000 bytes): the scanner sees it cut there.
    std::vector<std::string> paddings = {""};
    for (std::size_t size = 3955; size < 4045; size += 3)
        paddings.push_back(std::string(size % 7, ' ') + repeated("<!---->", size / 7) + "\n");
    for (Form const& form : forms) {
        for (Limit const& c : cases) {
            for (std::string const& padding : paddings) {
                std::string const at = encoded(form, padding + c.atLimit);
                XmlReadLimits limits = c.limits;
                std::string reason = c.reason;
                if (reason.size() > 4 && reason.compare(reason.size() - 4, 4, "...)") == 0) {
                    limits.maxBytes = at.size();
                    reason.replace(reason.size() - 4, 4, std::to_string(at.size()) + " bytes)");
                }
                std::string const place = placeOf(declared(form, padding + c.overLimit), c.where);
                EXPECT_NO_THROW(XmlDocument::parse(at, limits)) << c.what << " in " << form.what << padding.size();
                EXPECT_EQ(refusalOf(encoded(form, padding + c.overLimit), limits), limitError + place + ": " + reason)
                    << c.what << " in " << form.what << " after " << padding.size();
            }
        }
    }
    // In UTF-16, a limit that cuts a code unit in two: the half unit is no
    // fault of the text, and the refusal is the limit's, at the same place.
    for (Form const& form : forms) {
        if (form.utf16 == 0) continue;
        XmlReadLimits limits;
        limits.maxBytes = encoded(form, "<r>ab</r >").size() + 1;
        EXPECT_EQ(refusalOf(encoded(form, "<r>abc</r >"), limits),
                  limitError + placeOf(declared(form, "<r>abc</r >"), ">") +
                      ": the XML text is larger than XmlReadLimits::maxBytes (" + std::to_string(limits.maxBytes) +
                      " bytes)")
            << form.what;
    }
}

// The document's elements may need up to 64 KiB, then 8 bytes per byte of
// text read: an empty element needs 96 for its 4 bytes.
TEST(XmlDocumentTest, MemoryPerByteIsBoundedByItsLimit) {
    auto const emptyElements = [](std::size_t count) { return "<r>" + repeated("<a/>", count) + "</r>"; };
    EXPECT_EQ(XmlDocument::parse(emptyElements(1022)).root().children.size(), 1022u);
    EXPECT_EQ(refusalOf(emptyElements(1023), {}),
              limitError +
                  "line 1, column 4095: the document's elements need more memory than "
                  "XmlReadLimits::maxTreeBytesPerByte allows (8 bytes per byte of text)");
    // Raised, up to a bound whose product with any text is past what a size holds.
    for (std::size_t const perByte : {std::size_t{24}, std::numeric_limits<std::size_t>::max()}) {
        XmlReadLimits raised;
        raised.maxTreeBytesPerByte = perByte;
        EXPECT_EQ(XmlDocument::parse(emptyElements(100000), raised).root().children.size(), 100000u) << perByte;
    }
    // A root whose node and attributes need a block of their own, as the
    // document's first, and a child after it.
    XmlReadLimits wide;
    wide.maxAttributes = wide.maxNames = 20000;
    std::string attributes;
    for (std::size_t i = 0; i < 12000; ++i) attributes += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
    XmlDocument const doc = XmlDocument::parse("<r" + attributes + "><c/></r>", wide);
    EXPECT_EQ(doc.root().attributesEnd() - doc.root().attributesBegin(), 12000);
    EXPECT_EQ(doc.root().getAttr("a11999"), "11999");
    EXPECT_EQ(doc.root().children.size(), 1u);
    // Attribute values and text count with their bytes: at one byte per byte,
    // elements that hold 200 bytes need more than their text.
    XmlReadLimits lowered;
    lowered.maxTreeBytesPerByte = 1;
    std::string const value(200, 'v');
    for (std::string const& element : {"<a v='" + value + "'/>", "<a>" + value + "</a>"}) {
        std::string const text = "<r>" + repeated(element, 1000) + "</r>";
        std::string const refusal = refusalOf(text, lowered);
        EXPECT_EQ(refusal.substr(refusal.find(": ")),
                  ": the document's elements need more memory than XmlReadLimits::maxTreeBytesPerByte allows (1 bytes "
                  "per byte of text)")
            << element;
    }
}

// What the writer writes the reader reads, at the default limit as at any
// other: the writer refuses what the reader would.
TEST(XmlDocumentTest, WriterAndReaderAgreeOnTheLongestToken) {
    using Kestrune::Soa::Common::Xml::XmlStream;
    std::size_t const limit = XmlReadLimits().maxTokenBytes;
    struct Case {
        std::size_t limit;
        std::string atLimit, overLimit;  // escaped to exactly the limit, and one more
    };
    Case const cases[] = {
        {limit, std::string(limit, 'a'), std::string(limit + 1, 'a')},
        {limit, std::string(limit / 4, '<'), std::string(limit / 4, '<') + "a"},
        {8, "a&bc", "a&bcd"},
    };
    for (Case const& c : cases) {
        XmlReadLimits limits;
        limits.maxTokenBytes = c.limit;
        for (bool attribute : {false, true}) {
            XmlStream stream;
            stream.setMaxTokenBytes(c.limit);
            stream << stream.writeOpenElement("urn:a", "r");
            if (attribute) stream << stream.writeAttribute("v", stream.escape(c.atLimit));
            stream << stream.writeOpenElementClose("urn:a", false);
            if (!attribute) stream << stream.escape(c.atLimit);
            stream << stream.writeCloseElement("urn:a", "r");
            XmlDocument const doc = XmlDocument::parse(stream.str(), limits);
            EXPECT_EQ(attribute ? doc.root().getAttr("v") : doc.root().text, c.atLimit);
            try {
                stream.escape(c.overLimit);
                ADD_FAILURE() << "written: " << c.overLimit.size() << " bytes";
            } catch (DomException const& e) {
                EXPECT_EQ(e.getMessage(), "XmlStream: a text of " + std::to_string(c.limit + 1) +
                                              " bytes as escaped is longer than XmlReadLimits::maxTokenBytes (" +
                                              std::to_string(c.limit) +
                                              " bytes), which a reader with that limit refuses; raise it on both "
                                              "sides (XmlStream::setMaxTokenBytes)");
            }
        }
        std::string const escapedOver = c.limit == 8 ? "a&amp;bcd" : std::string(c.limit + 1, 'a');
        EXPECT_EQ(refusalOf("<r>" + escapedOver + "</r>", limits),
                  limitError + "line 1, column " + std::to_string(4 + c.limit) +
                      ": a token (text, attribute value, comment, CDATA section or processing instruction) is longer "
                      "than XmlReadLimits::maxTokenBytes (" +
                      std::to_string(c.limit) + " bytes)");
    }
    // A namespace URI is a token too, in the declaration that binds it; each is counted on its own.
    XmlReadLimits limits;
    limits.maxTokenBytes = 8;
    XmlStream stream;
    stream.setMaxTokenBytes(8);
    stream << stream.writeOpenElement("urn:aaaa", "r") << stream.writeOpenElementClose("urn:aaaa", false)
           << stream.writeOpenElement("urn:bbbb", "c") << stream.writeOpenElementClose("urn:bbbb", true)
           << stream.writeCloseElement("urn:aaaa", "r");
    EXPECT_EQ(XmlDocument::parse(stream.str(), limits).root().children.begin()->namespaceURI, "urn:bbbb");
    stream.reset();
    try {
        stream.writeOpenElement("urn:a&bc", "r");
        ADD_FAILURE() << "a 12-byte URI written";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(),
                  "XmlStream: a namespace URI of 12 bytes as escaped is longer than XmlReadLimits::maxTokenBytes (8 "
                  "bytes), which a reader with that limit refuses; raise it on both sides "
                  "(XmlStream::setMaxTokenBytes)");
    }
}

TEST(XmlDocumentTest, VeryDeepDocumentParsesAndIsReleasedWithoutRecursion) {
    std::size_t const depth = 100000;
    std::string const xml = repeated("<d>", depth) + repeated("</d>", depth);
    XmlReadLimits limits;
    limits.maxDepth = depth;
    limits.maxTreeBytesPerByte = 32;  // 96 bytes a node, from 3 bytes of text
    XmlDocument doc = XmlDocument::parse(xml, limits);
    std::size_t levels = 1;
    XMLNode const* node = &doc.root();
    for (; !node->children.empty(); ++levels) node = &*node->children.begin();
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(node->parent->parent->name, "d");
    // Nodes stay where they are when the document moves, by construction or assignment.
    XmlDocument moved(std::move(doc));
    XmlDocument released = XmlDocument::parse("<other/>");
    released = std::move(moved);  // and its destructor frees it
    EXPECT_EQ(node->parent->parent->name, "d");
    EXPECT_EQ(node->parent->children.begin()->parent, node->parent);
}

TEST(XmlDocumentTest, StreamIsNeverReadPastTheSizeLimit) {
    std::string const text = "<r>" + std::string(5000, ' ') + "</r>";
    for (std::size_t maxBytes : {std::size_t{10}, std::size_t{4000}, text.size() - 1, text.size()}) {
        std::istringstream in(text);
        XmlReadLimits limits;
        limits.maxBytes = maxBytes;
        EXPECT_EQ(refusalOf(in, limits), maxBytes == text.size()
                                             ? "(accepted)"
                                             : limitError + "line 1, column " + std::to_string(maxBytes + 1) +
                                                   ": the XML text is larger than XmlReadLimits::maxBytes (" +
                                                   std::to_string(maxBytes) + " bytes)");
        in.clear();
        EXPECT_EQ(static_cast<std::size_t>(in.tellg()), maxBytes);  // the rest is left to the caller
    }
}

TEST(XmlDocumentTest, StreamFailureIsReportedAsSuchWithTheBytesItGave) {
    // Gives its text in pieces, then fails.
    struct FailsAfter : std::streambuf {
        std::string text;
        std::size_t piece, given = 0;
        explicit FailsAfter(std::string t, std::size_t p = std::string::npos) : text(std::move(t)), piece(p) {}
        int_type underflow() override {
            if (given == text.size()) throw std::ios_base::failure("disk gone");
            std::size_t const n = std::min(piece, text.size() - given);
            setg(&text[given], &text[given], &text[given] + n);
            given += n;
            return traits_type::to_int_type(*gptr());
        }
    };
    FailsAfter atOnce("");
    std::istream first(&atOnce);
    EXPECT_EQ(refusalOf(first, {}), "unreadable: the input stream failed after 0 bytes");
    // Asked whether a byte follows the last that maxBytes lets the reader take.
    XmlReadLimits four;
    four.maxBytes = 4;
    for (bool const rethrows : {false, true}) {
        FailsAfter whole("<r/>");
        std::istream atLimit(&whole);
        if (rethrows) atLimit.exceptions(std::ios_base::badbit);
        EXPECT_EQ(refusalOf(atLimit, four),
                  "unreadable: the input stream failed after 4 bytes" +
                      (rethrows ? " (" + std::string(std::ios_base::failure("disk gone").what()) + ")" : ""));
    }
    // All at once, or in pieces of 100 bytes: each read that needs a refill
    // asks it for one byte, so the failure comes where the count is known.
    // A byte at a time, the failure comes in the middle of a read that
    // refills (how much that read gave is not known). Whether the stream
    // rethrows or not (whatever else its caller asked it to throw for): when
    // it does, its reason is given.
    std::ios_base::iostate const all = std::ios_base::badbit | std::ios_base::failbit | std::ios_base::eofbit;
    for (std::size_t const piece : {std::string::npos, std::size_t{100}, std::size_t{1}}) {
        for (std::ios_base::iostate const mask : {std::ios_base::goodbit, std::ios_base::badbit, all}) {
            bool const rethrows = mask != std::ios_base::goodbit;
            FailsAfter later("<r>" + std::string(10000, ' '), piece);
            std::istream second(&later);
            second.exceptions(mask);
            std::string const refusal = refusalOf(second, {});
            std::string const reason =
                rethrows ? " (" + std::string(std::ios_base::failure("disk gone").what()) + ")" : "";
            std::string const start = "unreadable: the input stream failed after ";
            if (piece != 1) {
                EXPECT_EQ(refusal, start + "10003 bytes" + reason) << piece;
                continue;
            }
            std::size_t const count = std::stoul(refusal.substr(refusal.find("at least ") + 9));
            EXPECT_LE(count, 10003u) << refusal;
            EXPECT_EQ(refusal, start + "at least " + std::to_string(count) + " bytes" + reason);
        }
    }
}

// A stream is read whatever exceptions its caller asked it to throw: the
// end of the text is no failure. The caller's mask is the stream's again
// after the read, read or refused.
TEST(XmlDocumentTest, AStreamIsReadWhateverExceptionsItThrows) {
    std::string const path = testing::TempDir() + "kxsoa_reader_exceptions.xml";
    for (std::string const& xml : {std::string("<r a='1'>text<e/></r>\n"), std::string("<r a='1'>text<e/>")}) {
        std::string const expected =
            refusalOf(xml, {}) == "(accepted)" ? dump(XmlDocument::parse(xml).root()) : refusalOf(xml, {});
        std::ofstream(path, std::ios::binary) << xml;
        for (std::ios_base::iostate const mask :
             {std::ios_base::failbit, std::ios_base::eofbit, std::ios_base::failbit | std::ios_base::eofbit,
              std::ios_base::badbit | std::ios_base::failbit | std::ios_base::eofbit}) {
            std::istringstream text(xml);
            std::ifstream file(path, std::ios::binary);
            for (std::istream* in : {static_cast<std::istream*>(&text), static_cast<std::istream*>(&file)}) {
                in->exceptions(mask);
                std::string outcome;
                try {
                    outcome = dump(XmlDocument::parse(*in).root());
                } catch (DomException const& e) {
                    outcome = kxsoa_test::refusalText(e);
                }
                EXPECT_EQ(outcome, expected) << mask;
                EXPECT_EQ(in->exceptions(), mask);
            }
        }
    }
    std::remove(path.c_str());
}

// A carriage return alone ends a line as a line feed does, and as the two
// together do, wherever what is refused is, whichever sixteen bytes the line
// ends fall in, from memory and in pieces of 1 to 7 bytes. A refusal of
// the XML declaration or of the encoding it names is the same from memory
// and in any pieces.
TEST(XmlDocumentTest, ALoneCarriageReturnEndsALineAndAnEncodingIsRefusedAlikeInAnyPieces) {
    struct Case {
        std::string xml;  // '%' for a line end
        std::string message;
    };
    Case const lines[] = {
        {"<a>%<b>%</c></a>",
         "not well-formed at line 3, column 5: the end tag 'c' does not match the start tag 'b' of line 2"},
        {"<r%a='%'%b='1'%a='2'/>", "not well-formed at line 5, column 1: attribute 'a' is given twice on element 'r'"},
        {"<r>%<!--%-->%<?p%?>%<![CDATA[%]]>%&e;</r>",
         "not well-formed at line 8, column 4: the entity 'e' is not declared (the document can use amp, lt, gt, apos "
         "and quot)"},
        {"<r>%</r%>%<r/>", "not well-formed at line 4, column 1: the document goes on after its root element ends"},
        {"%<a>%</b>",
         "not well-formed at line 3, column 5: the end tag 'b' does not match the start tag 'a' of line 2"},
    };
    XmlReader reader;
    for (Case const& c : lines) {
        for (std::size_t shift = 0; shift < 32; ++shift) {
            for (std::string const end : {"\n", "\r", "\r\n"}) {
                // From the first byte on (a comment of 7 to 37 bytes before the case after that).
                std::string xml = (shift == 0 ? "" : "<!--" + std::string(shift - 1, 'x') + "-->") + c.xml;
                for (std::size_t at = xml.find('%'); at != std::string::npos; at = xml.find('%', at))
                    xml.replace(at, 1, end);
                for (std::size_t piece = 0; piece <= 7; ++piece) {
                    EXPECT_EQ(kxsoa_test::readWithLibrary(reader, xml, piece).refusal, c.message)
                        << shift << " " << end.size() << " " << piece;
                }
            }
        }
    }
    // The declaration's grammar, and the encoding it names.
    Case const declarations[] = {
        {"<?xml version '1.0'?><r/>",
         parseError + "line 1, column 15: '=' is expected after 'version' in the XML declaration"},
        {"<?xml version=1.0?><r/>",
         parseError + "line 1, column 15: the version in the XML declaration is not in quotes"},
        {"<?xml version='1.0?><r/>",
         parseError + "line 1, column 19: the version in the XML declaration is not closed by its quote"},
        {"<?xml version='1.'?><r/>", parseError + "line 1, column 16: the XML version '1.' is not 1.x"},
        {"<?xml encoding='UTF-8'?><r/>",
         parseError + "line 1, column 6: the XML declaration does not begin with its version (version=\"1.0\")"},
        {"<?xml version='1.0' standalone='maybe'?><r/>",
         parseError + "line 1, column 33: standalone in the XML declaration is 'maybe', not 'yes' or 'no'"},
        {"<?xml version='1.0' ?x><r/>",
         parseError + "line 1, column 21: the XML declaration holds something other than white space before '?>'"},
        {"<?xml version='1.0' encoding='UTF 8'?><r/>",
         parseError + "line 1, column 34: the encoding 'UTF 8' in the XML declaration is not a name (a letter, "
                      "then letters, digits, '.', '_' or '-')"},
        {"<?xml version='1.0' encoding='ISO-8859-1' standalone='maybe'?><r/>",
         encodingError + "line 1, column 31: encoding \"ISO-8859-1\" is not accepted: send UTF-8, UTF-16 or US-ASCII"},
        {"<?xml version='1.0' encoding='UTF-16' standalone='maybe'?><r/>",
         encodingError + "line 1, column 31: the text is UTF-8 (as its first bytes show) but the declaration says "
                         "\"UTF-16\""},
        {encoded(forms[2], "<?xml version='1.0' encoding='UTF-8' standalone='maybe'?><r/>"),
         encodingError + "line 1, column 31: the byte order mark says UTF-16LE but the declaration says \"UTF-8\""},
    };
    for (Case const& c : declarations) {
        for (std::size_t piece = 0; piece <= 7; ++piece)
            EXPECT_EQ(kxsoa_test::readWithLibrary(reader, c.xml, piece).refusal, c.message) << c.xml << " " << piece;
    }
}

// A character of two UTF-16 units (past U+FFFF) reads as its UTF-8, in
// text and in an attribute value, in every form, from memory and split at
// every place by pieces of 1 to 7 bytes.
TEST(XmlDocumentTest, CharactersPastTheBasicPlaneReadAlikeInEveryForm) {
    std::string const text = "<r a='\U0001F600\U0010FFFF'>\U00010000x\U0001F600</r>";
    XmlReader reader;
    std::string const expected = kxsoa_test::readWithLibrary(reader, text).events;
    ASSERT_NE(expected, "");
    for (Form const& form : forms) {
        for (std::size_t piece = 0; piece <= 7; ++piece) {
            EXPECT_EQ(kxsoa_test::readWithLibrary(reader, encoded(form, text), piece).events, expected)
                << form.what << " " << piece;
        }
    }
}

}  // namespace
