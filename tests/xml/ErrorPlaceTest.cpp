// Where a refusal is: the line and column of the element it is about (the
// end of its start tag) and its path from the root, read straight, record by
// record and through a tree.

#include "2008_06/Fixtures.h"

#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace kxsoa_test;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::checkRootNamespace;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using Request = v08::ExportToApplicationInput;

namespace {

// Three records, each on a line of its own, each with two names and two overrides.
std::string const request = [] {
    Request three;
    for (char const* id : {"a", "b", "c"}) {
        v08::ExportToApplicationInputData1 record("csv", "t", id);
        record.setAttributesToExportArray({"n1", "n2"});
        record.addObjectTemplateOverride(v08::TemplateOverride("Item", "t", "o1"));
        record.addObjectTemplateOverride(v08::TemplateOverride("Item", "t", "o2"));
        three.addInput(record);
    }
    std::string text = written(three, "ExportToApplicationInput");
    for (std::size_t at = 0; (at = text.find("<ns1:inputs", at)) != std::string::npos; at += 2) text.insert(at, "\n");
    return text;
}();

// `text` with `what` in place of its `nth` (from 0) `where`.
std::string changed(std::string text, std::string const& where, std::size_t nth, std::string const& what) {
    std::size_t at = text.find(where);
    while (nth-- > 0) at = text.find(where, at + 1);
    return text.replace(at, where.size(), what);
}

// Where an element of `text` is, as the reader places it: the end of its
// start tag (its '>', or the '/' of "/>"), the start tag that begins at the
// `nth` `needle`; then its path.
std::string placeOf(std::string const& text, std::string const& needle, std::size_t nth, std::string const& path) {
    std::size_t at = text.find(needle);
    while (nth-- > 0) at = text.find(needle, at + 1);
    std::size_t end = text.find('>', at);
    if (text[end - 1] == '/') --end;
    std::size_t const lineStart = text.rfind('\n', end) == std::string::npos ? 0 : text.rfind('\n', end) + 1;
    return " (line " + std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<long>(end), '\n')) +
           ", column " + std::to_string(end - lineStart + 1) + ", at " + path + ")";
}

// A refusal of the text itself placed where its message says, with `path`.
std::string placedAsItSays(std::string const& message, std::string const& path) {
    std::size_t const line = message.find(" at line ") + 9, comma = message.find(", column ", line);
    return message + " (line " + message.substr(line, comma - line) + ", column " +
           message.substr(comma + 9, message.find(':', comma) - comma - 9) + ", at " + path + ")";
}

// The refusal of `text`: the same read straight, record by record from a
// stream (the records before handed on) and through a tree.
std::string refusalOf(std::string const& text) {
    MessageReader reader;
    std::string const straight = domExceptionPlace([&] { reader.read<Request>(text); });
    std::istringstream in(text);
    EXPECT_EQ(domExceptionPlace([&] { reader.readEach<Request>(in, [](auto const&) {}); }), straight);
    EXPECT_EQ(domExceptionPlace([&] { readBack<Request>(text); }), straight);
    return straight;
}

}  // namespace

TEST(ErrorPlace, ARefusalNamesItsElementOrAttributeByPathLineAndColumn) {
    std::string const unexpected = changed(request, "</ns1:inputs>", 2, "<ns1:oops/></ns1:inputs>");
    EXPECT_EQ(
        refusalOf(unexpected),
        "Unexpected node name: oops" + placeOf(unexpected, "<ns1:oops", 0, "/ExportToApplicationInput/inputs[3]/oops"));
    std::string const elsewhere = changed(request, "xmlns:ns1", 0, "xmlns:ns1='urn:other' xmlns:ns0");
    std::string const notThere =
        "the root element \"ExportToApplicationInput\" is in namespace \"urn:other\", not in \"" + schemaURI + "\"" +
        placeOf(elsewhere, "<", 0, "/ExportToApplicationInput");
    EXPECT_EQ(domExceptionPlace([&] { readMessage<Request>(elsewhere); }), notThere);
    EXPECT_EQ(domExceptionPlace([&] { checkRootNamespace(XmlDocument::parse(elsewhere).root(), schemaURI); }),
              notThere);
    std::string const filter = "<q xmlns='" + schemaURI + "'>\n  <filter getSpecTemplates='yes'/></q>";
    EXPECT_EQ(domExceptionPlace([&] { readBack<v08::GetExportTemplatesInput>(filter); }),
              "lexical_cast: \"yes\" is not a boolean (expected true, false, 1 or 0)" +
                  placeOf(filter, "<filter", 0, "/q/filter/@getSpecTemplates"));
}

TEST(ErrorPlace, ARefusalOfTheTextHasThePathOfTheElementTheReaderWasIn) {
    // In the start tag of the second record's second override.
    std::string const broken = changed(request, "templateId=\"o2\"", 1, "templateId=\"o2\" =''");
    std::string const refusal = refusalOf(broken);
    EXPECT_EQ(refusal,
              placedAsItSays(refusal.substr(0, refusal.find(" (line")), "/ExportToApplicationInput/inputs[2]"));
    // In the text of the third record's second name.
    std::string const inText = refusalOf(changed(request, ">n2<", 2, ">n&2<"));
    EXPECT_EQ(inText, placedAsItSays(inText.substr(0, inText.find(" (line")),
                                     "/ExportToApplicationInput/inputs[3]/attributesToExport[2]"));
    // The same after a refusal of a binding step in the first record, which
    // the text's own refusal goes before: the elements read after the first
    // refusal are no entries of a list any more, and have no number.
    std::string const both = changed(broken, "</ns1:inputs>", 0, "<x/></ns1:inputs>");
    EXPECT_EQ(domExceptionPlace([&] { MessageReader().read<Request>(both); }),
              placedAsItSays(refusal.substr(0, refusal.find(" (line")), "/ExportToApplicationInput/inputs"));
    XmlReadLimits shallow;
    shallow.maxDepth = 2;
    std::string const deep = domExceptionPlace([&] { MessageReader(shallow).read<Request>(request); });
    EXPECT_EQ(deep, placedAsItSays(deep.substr(0, deep.find(" (line")), "/ExportToApplicationInput/inputs[1]"));
    // A start tag refused before its element opens: the element it is in.
    XmlReadLimits few;
    few.maxAttributes = 2;
    std::string const inTag = domExceptionPlace([&] { MessageReader(few).read<Request>(request); });
    EXPECT_EQ(inTag, placedAsItSays(inTag.substr(0, inTag.find(" (line")), "/ExportToApplicationInput"));
    // A tree, which knows no types, numbers every element but the root.
    std::string const tree =
        domExceptionPlace([&] { XmlDocument::parse(changed(request, "<ns1:objectTemplateOverride", 5, "<a><")); });
    EXPECT_EQ(tree, placedAsItSays(tree.substr(0, tree.find(" (line")), "/ExportToApplicationInput/inputs[3]/a[1]"));
}
