#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlString.h"
#include "support/WellFormed.h"

#include <gtest/gtest.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

std::vector<XMLNode const*> childrenOf(XMLNode const& node) {
    std::vector<XMLNode const*> out;
    for (XMLNode const& child : node.children) out.push_back(&child);
    return out;
}

// Names, namespaces, text and attributes of two trees, compared node by node.
void expectSameTree(XMLNode const& a, XMLNode const& b) {
    ASSERT_EQ(a.name, b.name);
    EXPECT_EQ(a.namespaceURI, b.namespaceURI);
    EXPECT_EQ(a.text, b.text) << "in " << a.name;
    ASSERT_EQ(a.attributesEnd() - a.attributesBegin(), b.attributesEnd() - b.attributesBegin());
    for (auto x = a.attributesBegin(), y = b.attributesBegin(); x != a.attributesEnd(); ++x, ++y) {
        EXPECT_EQ(x->name, y->name);
        EXPECT_EQ(x->value, y->value);
    }
    auto const left = childrenOf(a), right = childrenOf(b);
    ASSERT_EQ(left.size(), right.size());
    for (std::size_t i = 0; i < left.size(); ++i) expectSameTree(*left[i], *right[i]);
}

TEST(XmlDocumentTest, BuildsElementsWithNamespacesParentsAndOwnTextInOrder) {
    XmlDocument const doc = XmlDocument::parse(
        "<?xml version='1.0'?><!-- before --><r xmlns='urn:a' xmlns:p='urn:p'>head<p:x/>"
        "<y xmlns=''>inner</y><?pi data?>mid<z><p:w/></z>tail</r><!-- after -->\n");
    XMLNode const& root = doc.root();
    EXPECT_EQ(root.name, "r");
    EXPECT_EQ(root.namespaceURI, "urn:a");
    EXPECT_EQ(root.parent, nullptr);
    EXPECT_EQ(root.text, "headmidtail");
    auto const children = childrenOf(root);
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(root.children.size(), 3u);
    EXPECT_EQ(children[0]->name, "x");
    EXPECT_EQ(children[0]->namespaceURI, "urn:p");
    EXPECT_EQ(children[1]->name, "y");
    EXPECT_EQ(children[1]->namespaceURI, "");
    EXPECT_EQ(children[1]->text, "inner");
    EXPECT_EQ(children[2]->name, "z");
    EXPECT_EQ(children[2]->namespaceURI, "urn:a");
    EXPECT_EQ(children[2]->text, "");  // nothing left over from its sibling
    EXPECT_TRUE(children[0]->children.empty());
    for (XMLNode const* child : children) EXPECT_EQ(child->parent, &root);
    XMLNode const& w = *children[2]->children.begin();
    EXPECT_EQ(w.parent, children[2]);
    EXPECT_EQ(w.namespaceURI, "urn:p");
}

TEST(XmlDocumentTest, RecordsTheLineOfEachStartTag) {
    XmlDocument const doc = XmlDocument::parse("<?xml version='1.0'?>\n<r>\n  <a/>\n\n  <b>\n  <c/></b></r>");
    auto const children = childrenOf(doc.root());
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(doc.root().line, 2u);
    EXPECT_EQ(children[0]->line, 3u);
    EXPECT_EQ(children[1]->line, 5u);
    EXPECT_EQ(children[1]->children.begin()->line, 6u);
}

TEST(XmlDocumentTest, DecodesEntitiesCharacterReferencesCdataAndLineEnds) {
    XmlDocument const doc =
        XmlDocument::parse("<a>&lt;&gt;&amp;&apos;&quot;&#x41;&#66;<![CDATA[<&]]>]]&gt;\r\nx\ry&#13;</a>");
    EXPECT_EQ(doc.root().text, "<>&'\"AB<&]]>\nx\ny\r");
    std::string const longText(100000, 'q');
    EXPECT_EQ(XmlDocument::parse("<e xmlns='urn:a&amp;b&quot;c'/>").root().namespaceURI, "urn:a&b\"c");
    EXPECT_EQ(XmlDocument::parse("<a>" + longText + "<b/>" + longText + "</a>").root().text, longText + longText);
}

TEST(XmlDocumentTest, AttributesAreDecodedNormalisedAndFoundByWholeLocalName) {
    XmlDocument const doc = XmlDocument::parse(
        "<a xmlns:p='urn:p' v='x&amp;y&#38;&#9;&#10;&#13;z' w='1\t2\n3\r\n4' p:c='pc' typeName='long' type='short'/>");
    XMLNode const& a = doc.root();
    ASSERT_EQ(a.attributesEnd() - a.attributesBegin(), 5);  // the namespace declaration is not one
    EXPECT_EQ(a.getAttr("v"), "x&y&\t\n\rz");
    EXPECT_EQ(a.getAttr("w"), "1 2 3 4");
    ASSERT_NE(a.findAttr("c"), nullptr);
    EXPECT_EQ(a.findAttr("c")->value, "pc");
    EXPECT_EQ(a.findAttr("c")->namespaceURI, "urn:p");
    EXPECT_EQ(a.findAttr("v")->namespaceURI, "");
    EXPECT_EQ(a.getAttr("missing"), "");
    EXPECT_EQ(a.getAttr("missing").data(), nullptr);
    EXPECT_EQ(a.findAttr("p:c"), nullptr);
    EXPECT_EQ(a.getAttr("type"), "short");  // by the whole name only
    EXPECT_EQ(a.getAttr("typ"), "");
    EXPECT_EQ(a.getAttr("typeNameX"), "");
    EXPECT_EQ(XmlDocument::parse("<b typeName='long'/>").root().findAttr("type"), nullptr);
}

struct Refusal {
    char const* what;
    std::string xml;
    XmlReadLimits limits;
    std::string message;      // the whole message, or its beginning when it ends with "..."
    bool wellFormed = false;  // refused by a limit of ours only: another parser accepts it
};

// The refusal's message, of text or of a stream; the exception's line() must
// be the line it names.
template <class Input>
std::string refusalOf(Input&& xml, XmlReadLimits const& limits) {
    try {
        XmlDocument::parse(xml, limits);
    } catch (DomException const& e) {
        std::string const& message = e.getMessage();
        std::size_t const at = message.find(" at line ");
        if (at != std::string::npos) {
            EXPECT_EQ(e.line(), std::stoul(message.substr(at + 9))) << message;
        }
        return message;
    }
    return "(accepted)";
}

TEST(XmlDocumentTest, RefusesWithLineColumnAndReasonAndPrintsNothing) {
    std::string const refused = "XML document refused at ";
    std::string const error = "XML parse error at ";
    Refusal const cases[] = {
        {"doctype",
         "<!DOCTYPE a SYSTEM 'a.dtd'><a/>",
         {},
         refused + "line 1, column 27: a document type declaration (DOCTYPE) is not accepted",
         true},
        {"entity expansion",
         "<?xml version='1.0'?>\n<!DOCTYPE l [\n<!ENTITY a 'lol'>\n<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;'>\n"
         "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;'>\n<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;'>\n]>\n<l>&d;</l>",
         {},
         refused + "line 2, column 13: a document type declaration (DOCTYPE) is not accepted"},
        {"too deep",
         "<a><b><c/></b></a>",
         {1024, 2},
         refused + "line 1, column 9: elements are nested deeper than the limit of 2 levels",
         true},
        {"too large",
         "<a>0123456789</a>",
         {16, 256},
         refused + "line 1, column 17: the XML text is larger than the limit of 16 bytes",
         true},
        {"truncated",
         "<a>\n<b>\n  <c/>",
         {},
         error + "line 3, column 7: the document ends before element 'b' is closed"},
        {"empty", "", {}, error + "line 1, column 1: the document has no root element"},
        {"only a comment", "<!-- c -->\n", {}, error + "line 2, column 1: the document has no root element"},
        {"cut in the root tag", "<a", {}, error + "line 1, column 3: the document ends inside a start tag"},
        {"undeclared prefix",
         "<a>\n  <p:b/></a>",
         {},
         error + "line 2, column 7: Namespace prefix p on b is not defined"},
        {"undeclared attribute prefix",
         "<a p:x='1'/>",
         {},
         error + "line 1, column 11: Namespace prefix p for x on a..."},
        {"two roots", "<a/><b/>", {}, error + "line 1, column 5: Extra content..."},
        {"undeclared entity", "<a>&e;</a>", {}, error + "line 1, column 7: Entity 'e' not defined"},
        {"invalid UTF-8", "<a>caf\xC3</a>", {}, error + "line 1, column 7: Input is not proper UTF-8..."},
        {"invalid in declared encoding",
         "<?xml version='1.0' encoding='Shift_JIS'?><a>\x81\x20\xFF</a>",
         {},
         error + "line 1, column 41: input conversion failed..."},
        {"mismatched end tag", "<a><b></a></b>", {}, error + "line 1, column 11: Opening and ending tag mismatch..."},
    };
    for (Refusal const& c : cases) {
        testing::internal::CaptureStderr();
        std::string const message = refusalOf(c.xml, c.limits);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.what;
        std::string const expected = c.message;
        bool const prefixOnly = expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0;
        if (prefixOnly) {
            EXPECT_EQ(message.substr(0, expected.size() - 3), expected.substr(0, expected.size() - 3)) << c.what;
        } else {
            EXPECT_EQ(message, expected) << c.what;
        }
        if (c.wellFormed) {
            EXPECT_TRUE(kxsoa_test::wellFormed(c.xml)) << c.what;
        }
    }
}

TEST(XmlDocumentTest, LimitsAcceptWhatIsExactlyAtThem) {
    std::string const xml = "<a><b><c>0123</c></b></a>";
    EXPECT_EQ(XmlDocument::parse(xml, {xml.size(), 3}).root().children.begin()->children.begin()->text, "0123");
    EXPECT_EQ(refusalOf(std::string(100, ' ') + xml, {xml.size() + 99, 256}).rfind("XML document refused", 0), 0u);
}

std::string bigDocument() {
    std::string xml = "<r xmlns='urn:r' xmlns:p='urn:p'>";
    // Two-byte characters at odd offsets: some chunk boundary falls inside one.
    for (int i = 0; xml.size() < 700000; ++i) {
        xml += "<p:item n='" + std::to_string(i) +
               "' note='&#9;&amp;'>caf\xC3\xA9 \xC3\xA9t\xC3\xA9<![CDATA[&]]><e/></p:item>\n";
    }
    return xml + "</r>";
}

TEST(XmlDocumentTest, StreamInputGivesTheSameTreeAsMemoryAndCountsItsSize) {
    std::string const xml = bigDocument();
    std::istringstream in(xml);
    XmlDocument const fromStream = XmlDocument::parse(in);
    XmlDocument const fromMemory = XmlDocument::parse(xml);
    EXPECT_GT(fromMemory.root().children.size(), 5000u);
    expectSameTree(fromStream.root(), fromMemory.root());

    std::istringstream again(xml);
    EXPECT_NO_THROW(XmlDocument::parse(again, {xml.size(), 256}));
    std::istringstream over(xml);  // over the limit only in its last chunk
    EXPECT_THROW(XmlDocument::parse(over, {xml.size() - 1, 256}), DomException);
}

TEST(XmlDocumentTest, VeryDeepDocumentParsesAndIsReleasedWithoutRecursion) {
    std::size_t const depth = 100000;
    std::string xml;
    xml.reserve(depth * 7);
    for (std::size_t i = 0; i < depth; ++i) xml += "<d>";
    for (std::size_t i = 0; i < depth; ++i) xml += "</d>";
    XmlDocument doc = XmlDocument::parse(xml, {xml.size(), depth});
    std::size_t levels = 1;
    XMLNode const* node = &doc.root();
    for (; !node->children.empty(); ++levels) node = &*node->children.begin();
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(node->parent->parent->name, "d");
    XmlDocument released = std::move(doc);  // and its destructor frees it
}

TEST(XmlDocumentTest, NodesStayValidWhenTheDocumentMoves) {
    XmlDocument first = XmlDocument::parse("<a k='v'><b>text</b></a>");
    XMLNode const* root = &first.root();
    XMLNode const* b = &*root->children.begin();
    XmlDocument second(std::move(first));
    XmlDocument third = XmlDocument::parse("<other/>");
    third = std::move(second);
    EXPECT_EQ(&third.root(), root);
    EXPECT_EQ(b->text, "text");
    EXPECT_EQ(root->getAttr("k"), "v");
    EXPECT_EQ(b->parent, root);
}

// An ASCII text in UTF-16, little-endian, with a byte order mark.
std::string utf16(std::string const& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

// "line L, column C" of the first `needle` in an ASCII `xml`.
std::string placeOf(std::string const& xml, std::string const& needle) {
    std::size_t const at = xml.find(needle);
    std::size_t const lineStart = xml.rfind('\n', at) == std::string::npos ? 0 : xml.rfind('\n', at) + 1;
    std::size_t const line = 1 + static_cast<std::size_t>(std::count(xml.begin(), xml.begin() + at, '\n'));
    return "line " + std::to_string(line) + ", column " + std::to_string(at - lineStart + 1);
}

TEST(XmlDocumentTest, EachLimitAcceptsItsValueAndRefusesOneMoreNamingItAndWhere) {
    struct Limit {
        char const* what;
        std::string atLimit, overLimit;
        XmlReadLimits limits;
        std::string where;  // the text at which the refusal is placed
        std::string reason;
    };
    XmlReadLimits attributes, names, tokens;
    attributes.maxAttributes = 3;
    names.maxNames = 5;  // r, p, urn:p, x, t
    tokens.maxTokenBytes = 4;
    std::string const token =
        "a token (text, attribute value, comment, CDATA section or processing instruction) is "
        "longer than the limit of 4 bytes";
    Limit const cases[] = {
        {"attributes", "<r>\n <e a='1' b='2' xmlns:p='u'/></r>", "<r>\n <e a='1' b='2' xmlns:p='u' c='4'/></r>",
         attributes, "='4'", "an element has more attributes than the limit of 3"},
        {"names", "<r xmlns:p='urn:p' p:x='1'><?t d?><x/></r>", "<r xmlns:p='urn:p' p:x='1'><?t d?><x/>\n<y/></r>",
         names, "/></r>", "the document uses more distinct names than the limit of 5"},
        {"text", "<r>\nabc</r>", "<r>\nabcd</r>", tokens, "d<", token},
        {"attribute value", "<r a='abcd'/>", "<r a='abcde'/>", tokens, "e'", token},
        {"comment", "<r><!--abcd--></r>", "<r><!--abcde--></r>", tokens, "e-", token},
        {"CDATA section", "<r><![CDATA[ab]]]]></r>", "<r><![CDATA[abc]]]]></r>", tokens, "]>", token},
        {"processing instruction", "<r><?t ab?></r>", "<r><?t abc?></r>", tokens, "c?", token},
    };
    for (Limit const& c : cases) {
        std::string const expected = "XML document refused at " + placeOf(c.overLimit, c.where) + ": " + c.reason;
        EXPECT_NO_THROW(XmlDocument::parse(c.atLimit, c.limits)) << c.what;
        EXPECT_EQ(refusalOf(c.overLimit, c.limits), expected) << c.what;
        // The same places in UTF-16 with a byte order mark, where a token
        // takes twice the bytes.
        XmlReadLimits wide = c.limits;
        wide.maxTokenBytes *= 2;
        std::string const wideReason =
            c.limits.maxTokenBytes == 4 ? token.substr(0, token.size() - 7) + "8 bytes" : c.reason;
        EXPECT_NO_THROW(XmlDocument::parse(utf16(c.atLimit), wide)) << c.what;
        EXPECT_EQ(refusalOf(utf16(c.overLimit), wide),
                  "XML document refused at " + placeOf(c.overLimit, c.where) + ": " + wideReason)
            << c.what << " in UTF-16";
    }
}

// A stream that never ends, counting what it gave.
struct EndlessText : std::streambuf {
    std::string piece = "<r>" + std::string(4096, ' ');
    std::size_t given = 0;
    int_type underflow() override {
        setg(piece.data(), piece.data(), piece.data() + piece.size());
        given += piece.size();
        piece.replace(0, 3, "<a>");
        return traits_type::to_int_type(piece[0]);
    }
};

TEST(XmlDocumentTest, StreamIsReadNoFurtherThanTheSizeLimit) {
    EndlessText endless;
    std::istream in(&endless);
    XmlReadLimits limits;
    limits.maxBytes = 100000;
    std::string const message = refusalOf(in, limits);
    EXPECT_NE(message.find("the XML text is larger than the limit of 100000 bytes"), std::string::npos) << message;
    EXPECT_LT(endless.given, limits.maxBytes + 3 * endless.piece.size());
}

TEST(XmlDocumentTest, StreamFailureIsReportedAsSuchNotAsBadXml) {
    // Fails at once, or after the first piece of a document that the
    // parser would otherwise refuse as cut short.
    struct FailsAfter : std::streambuf {
        std::string text;
        bool given = false;
        explicit FailsAfter(std::string t) : text(std::move(t)) {}
        int_type underflow() override {
            if (given || text.empty()) throw std::ios_base::failure("disk gone");
            given = true;
            setg(text.data(), text.data(), text.data() + text.size());
            return traits_type::to_int_type(*gptr());
        }
    };
    FailsAfter atOnce("");
    std::istream first(&atOnce);
    EXPECT_EQ(refusalOf(first, {}), "XML input could not be read: the stream failed after 0 bytes");
    FailsAfter later("<r>" + std::string(10000, ' '));
    std::istream second(&later);
    EXPECT_EQ(refusalOf(second, {}).rfind("XML input could not be read: the stream failed after ", 0), 0u);
}

TEST(XmlDocumentTest, Utf16GarbageAfterTheRootIsRefusedLikeUtf8Garbage) {
    EXPECT_EQ(XmlDocument::parse(utf16("<a>x</a>\n")).root().text, "x");
    std::string const decoding = "the text cannot be decoded in its declared encoding";
    std::string const oddByte = refusalOf(utf16("<a>x</a>") + "\n", {});
    std::string const loneSurrogate = refusalOf(utf16("<a>x</a>") + "\x3D\xD8", {});
    EXPECT_NE(oddByte.find(decoding), std::string::npos) << oddByte;
    EXPECT_NE(loneSurrogate.find(decoding), std::string::npos) << loneSurrogate;
    EXPECT_EQ(refusalOf("<a>x</a>\xD8", {}).rfind("XML parse error", 0), 0u);
    EXPECT_EQ(refusalOf(std::string("<a>x</a>\0", 9), {}).rfind("XML parse error", 0), 0u);
}

TEST(XmlDocumentTest, ControlCharactersEndAtU001FForReaderAndWriterAlike) {
    using Kestrune::Soa::Common::Xml::toXmlString;
    for (int c = 1; c < 0x80; ++c) {
        bool const carried = c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
        std::string const raw(1, static_cast<char>(c));
        std::string const reference = "&#" + std::to_string(c) + ";";
        EXPECT_EQ(refusalOf("<a>" + (c == '<' || c == '&' ? reference : raw) + "</a>", {}) == "(accepted)", carried)
            << c;
        EXPECT_EQ(refusalOf("<a>" + reference + "</a>", {}) == "(accepted)", carried) << c;
        std::string escaped;
        bool written = true;
        try {
            escaped = toXmlString(raw);
        } catch (DomException const&) {
            written = false;
        }
        EXPECT_EQ(written, carried) << c;
        if (written && carried) {
            EXPECT_EQ(XmlDocument::parse("<a>" + escaped + "</a>").root().text, raw) << c;
        }
    }
}

// libxml2's allocator, failing at its k-th call from the moment it is put
// in place, and counting the blocks it has out.
namespace failing {
std::size_t callsLeft = 0;
long blocksOut = 0;
bool fails() { return callsLeft > 0 && --callsLeft == 0; }
void* allocate(std::size_t size) {
    if (fails()) return nullptr;
    void* const block = std::malloc(size);
    blocksOut += block != nullptr;
    return block;
}
void* reallocate(void* block, std::size_t size) {
    if (fails()) return nullptr;
    void* const moved = std::realloc(block, size);
    blocksOut += block == nullptr && moved != nullptr;
    return moved;
}
void release(void* block) {
    blocksOut -= block != nullptr;
    std::free(block);
}
char* duplicate(char const* text) {
    char* const copy = static_cast<char*>(allocate(std::strlen(text) + 1));
    return copy != nullptr ? std::strcpy(copy, text) : nullptr;
}
}  // namespace failing

TEST(XmlDocumentTest, LibxmlOutOfMemoryAtAnyAllocationIsADomExceptionOrTheWholeTree) {
    std::string const utf8 =
        "<?xml version='1.0'?>\n<!-- c --><p:r xmlns:p='urn:p' xmlns='urn:d' a='1&amp;2'>caf\xC3\xA9<e p:k='v'/>"
        "<![CDATA[<x>]]><?pi d?><e>&#x1F600;</e></p:r>";
    for (std::string const& xml : {utf8, utf16("<r a='b'><e>text</e></r>")}) {
        XmlDocument const expected = XmlDocument::parse(xml);
        xmlFreeFunc oldFree;
        xmlMallocFunc oldMalloc;
        xmlReallocFunc oldRealloc;
        xmlStrdupFunc oldStrdup;
        xmlMemGet(&oldFree, &oldMalloc, &oldRealloc, &oldStrdup);
        xmlMemSetup(&failing::release, &failing::allocate, &failing::reallocate, &failing::duplicate);
        xmlResetLastError();
        testing::internal::CaptureStderr();
        std::size_t refusals = 0;
        bool failed = true;
        for (std::size_t k = 1; failed; ++k) {
            failing::callsLeft = k;
            long const before = failing::blocksOut;
            try {
                XmlDocument const read = XmlDocument::parse(xml);
                expectSameTree(read.root(), expected.root());
            } catch (DomException const& e) {
                EXPECT_EQ(e.getMessage().rfind("XML ", 0), 0u) << e.getMessage();
                ++refusals;
            }
            failed = failing::callsLeft == 0;
            xmlResetLastError();  // the copy of the last error that libxml2 keeps per thread
            EXPECT_EQ(failing::blocksOut, before) << "after failing at allocation " << k;
        }
        failing::callsLeft = 0;
        xmlMemSetup(oldFree, oldMalloc, oldRealloc, oldStrdup);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_GT(refusals, 10u);
    }
}

}  // namespace
