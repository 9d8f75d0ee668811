#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "support/Xmllint.h"

#include <gtest/gtest.h>

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

TEST(XmlDocumentTest, AttributesAreDecodedNormalisedAndFoundByLocalName) {
    XmlDocument const doc =
        XmlDocument::parse("<a xmlns:p='urn:p' v='x&amp;y&#38;&#9;&#10;&#13;z' w='1\t2\n3\r\n4' p:c='pc'/>");
    XMLNode const& a = doc.root();
    ASSERT_EQ(a.attributesEnd() - a.attributesBegin(), 3);  // the namespace declaration is not one
    EXPECT_EQ(a.getAttr("v"), "x&y&\t\n\rz");
    EXPECT_EQ(a.getAttr("w"), "1 2 3 4");
    ASSERT_NE(a.findAttr("c"), nullptr);
    EXPECT_EQ(a.findAttr("c")->value, "pc");
    EXPECT_EQ(a.findAttr("c")->namespaceURI, "urn:p");
    EXPECT_EQ(a.findAttr("v")->namespaceURI, "");
    EXPECT_EQ(a.getAttr("missing"), "");
    EXPECT_EQ(a.getAttr("missing").data(), nullptr);
    EXPECT_EQ(a.findAttr("p:c"), nullptr);
    EXPECT_EQ(XmlDocument::parse("<b/>").root().findAttr("v"), nullptr);
}

struct Refusal {
    char const* what;
    std::string xml;
    XmlReadLimits limits;
    std::string message;      // the whole message, or its beginning when it ends with "..."
    bool wellFormed = false;  // refused by a limit of ours only: another parser accepts it
};

std::string refusalOf(std::string const& xml, XmlReadLimits const& limits) {
    try {
        XmlDocument::parse(xml, limits);
    } catch (DomException const& e) {
        return e.getMessage();
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
        {"external entity",
         "<!DOCTYPE a [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><a>&e;</a>",
         {},
         refused + "line 1, column 13: a document type declaration (DOCTYPE) is not accepted",
         true},
        {"too deep",
         "<a><b><c/></b></a>",
         {1024, 2},
         refused + "line 1, column 9: elements are nested deeper than the limit of 2 levels",
         true},
        {"too large",
         "<a>0123456789</a>",
         {16, 256},
         refused + "line 1, column 14: the XML text is larger than the limit of 16 bytes",
         true},
        {"truncated",
         "<a>\n<b>\n  <c/>",
         {},
         error + "line 3, column 7: the document ends before element 'b' is closed"},
        {"empty", "", {}, error + "line 1, column 1: the document has no root element"},
        {"only a comment", "<!-- c -->\n", {}, error + "line 2, column 1: the document has no root element"},
        {"cut in the root tag",
         "<a",
         {},
         error + "line 1, column 1: the document ends before its root element is complete"},
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
            EXPECT_TRUE(kxsoa_test::xmllintAccepts(c.xml)) << c.what;
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

TEST(XmlDocumentTest, StreamThatFailsIsRefused) {
    struct Broken : std::streambuf {
        int_type underflow() override { throw std::ios_base::failure("disk gone"); }
    } broken;
    std::istream in(&broken);
    EXPECT_THROW(XmlDocument::parse(in), DomException);
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

}  // namespace
