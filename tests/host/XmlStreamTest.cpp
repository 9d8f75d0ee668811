// The writer: namespace declarations, prefixes, element state and misuse.

#include "host/XmlStream.h"

#include "host/XmlDocument.h"
#include "host/XmlString.h"
#include "support/RoundTrip.h"
#include "support/Xmllint.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Kestrune::Soa::Common::Xml;
using kxsoa_test::domExceptionMessage;

namespace {

// Writes <name attr="value"/> in `uri`.
void writeEmpty(XmlStream& stream, std::string const& uri, std::string const& name) {
    stream << stream.writeOpenElement(uri, name) << stream.writeAttribute("attr", "value")
           << stream.writeOpenElementClose(uri, true);
}

}  // namespace

TEST(XmlStream, RootDeclaresEveryNamespaceAndChildrenUseStablePrefixes) {
    XmlStream stream;
    EXPECT_TRUE(stream.isRootElement());
    stream.addNamespaces({"urn:b", "urn:a"});
    stream << stream.writeOpenElement("urn:a", "root");
    EXPECT_FALSE(stream.isRootElement());
    stream << stream.writeOpenElementClose("urn:a", false);
    EXPECT_EQ(stream.getNamespacePrefix("urn:a"), "ns1");
    EXPECT_EQ(stream.getNamespacePrefix("urn:b"), "ns2");
    writeEmpty(stream, "urn:b", "child");
    writeEmpty(stream, "urn:c", "other");  // not declared yet: declares itself
    stream << stream.writeCloseElement("urn:a", "root");
    EXPECT_TRUE(stream.isRootElement());
    EXPECT_EQ(stream.str(),
              "<ns1:root xmlns:ns1=\"urn:a\" xmlns:ns2=\"urn:b\">"
              "<ns2:child attr=\"value\"/><ns3:other xmlns:ns3=\"urn:c\" attr=\"value\"/></ns1:root>");
    EXPECT_TRUE(kxsoa_test::xmllintAccepts(stream.str()));
}

TEST(XmlStream, PrefixedNamesAreBoundToTheirUriWhereverTheyAppear) {
    XmlStream stream;
    stream << stream.writeOpenElement("urn:outer", "env:Envelope") << stream.writeOpenElementClose("urn:outer", false);
    // The caller's prefix for another URI, and a generated prefix reused for another URI.
    writeEmpty(stream, "urn:inner", "env:Body");
    writeEmpty(stream, "urn:inner", stream.getNamespacePrefix("urn:outer") + ":item");
    stream << stream.writeCloseElement("urn:outer", "env:Envelope");
    ASSERT_TRUE(kxsoa_test::xmllintAccepts(stream.str()));
    XmlDocument const document = XmlDocument::parse(stream.str());
    EXPECT_EQ(document.root().namespaceURI, "urn:outer");
    for (XMLNode const& child : document.root().children) EXPECT_EQ(child.namespaceURI, "urn:inner") << child.name;
}

TEST(XmlStream, WritesOntoACallersBuffer) {
    std::ostringstream target;
    XmlStream stream(target.rdbuf());
    writeEmpty(stream, "urn:x", "only");
    EXPECT_EQ(target.str(), "<ns1:only xmlns:ns1=\"urn:x\" attr=\"value\"/>");
    EXPECT_EQ(XmlDocument::parse(target.str()).root().namespaceURI, "urn:x");
    EXPECT_EQ(stream.str(), "");
}

TEST(XmlStream, NamespaceUrisAreEscaped) {
    XmlStream stream;
    writeEmpty(stream, "urn:a&b\"c", "e");
    XmlDocument const document = XmlDocument::parse(stream.str());
    EXPECT_EQ(document.root().namespaceURI, "urn:a&b\"c");
}

TEST(XmlStream, MisuseIsRefusedInsteadOfWritingBrokenXml) {
    auto refused = [](std::function<void(XmlStream&)> const& misuse) {
        XmlStream stream;
        return domExceptionMessage([&] { misuse(stream); });
    };
    EXPECT_EQ(refused([](XmlStream& s) { s.writeOpenElement("urn:a", "1bad"); }),
              "XmlStream: \"1bad\" is not a valid element name");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeOpenElement("urn:a", "a:b:c"); }),
              "XmlStream: \"a:b:c\" is not a valid element name");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeOpenElement("", "e"); }),
              "XmlStream: an empty namespace URI cannot be bound to a prefix");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeAttribute("a", "v"); }),
              "XmlStream: attribute \"a\" written outside a start tag");
    EXPECT_EQ(refused([](XmlStream& s) {
                  s.writeOpenElement("urn:a", "e");
                  s.writeAttribute("a", "x\"y");
              }),
              "XmlStream: the value of attribute \"a\" is not escaped (byte offset 1); pass it through toXmlString");
    EXPECT_EQ(refused([](XmlStream& s) {
                  s.writeOpenElement("urn:a", "e");
                  s.writeAttribute("a", "AT&T");
              }).substr(0, 38),
              "XmlStream: the value of attribute \"a\" ");
    EXPECT_EQ(refused([](XmlStream& s) {
                  s.writeOpenElement("urn:a", "e");
                  s.writeOpenElementClose("urn:a", false);
                  s.writeCloseElement("urn:a", "other");
              }),
              "XmlStream: cannot close \"other\": the innermost open element is \"ns1:e\"");
    EXPECT_EQ(refused([](XmlStream& s) { s.writeCloseElement("urn:a", "e"); }),
              "XmlStream: cannot close \"e\": no element is open");
    EXPECT_EQ(refused([](XmlStream& s) {
                  writeEmpty(s, "urn:a", "first");
                  s.writeOpenElement("urn:a", "second");
              }),
              "XmlStream: cannot write element \"second\": the document already has its root element");
    EXPECT_EQ(refused([](XmlStream& s) {
                  s.addNamespaces({"urn:b"});
                  s.getNamespacePrefix("urn:b");
                  s.writeOpenElement("urn:a", "ns1:e");
              }),
              "XmlStream: element \"ns1:e\" would bind prefix \"ns1\" to two namespaces");
}

TEST(XmlStream, AcceptsEscapedValuesWithReferences) {
    XmlStream stream;
    stream << stream.writeOpenElement("urn:a", "e") << stream.writeAttribute("a", toXmlString("x&y<\t\xC3\xA9"))
           << stream.writeAttribute("b", "&#x41;&#65;") << stream.writeOpenElementClose("urn:a", true);
    XmlDocument const document = XmlDocument::parse(stream.str());
    EXPECT_EQ(document.root().getAttr("a"), "x&y<\t\xC3\xA9");
    EXPECT_EQ(document.root().getAttr("b"), "AA");
}
