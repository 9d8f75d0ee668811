// Where a refusal is: the line and column of the element it is about (the
// end of its start tag) and its path from the root, read straight, record by
// record, in one call and through a tree.

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

// Where the `nth` (from 0) `needle` of `text` begins.
std::size_t nthOf(std::string const& text, std::string const& needle, std::size_t nth) {
    std::size_t at = text.find(needle);
    while (nth-- > 0) at = text.find(needle, at + 1);
    return at;
}

// `text` with `what` in place of its `nth` `where`.
std::string changed(std::string text, std::string const& where, std::size_t nth, std::string const& what) {
    return text.replace(nthOf(text, where, nth), where.size(), what);
}

// The place of byte `at` of `text` (all ASCII), and `path`.
std::string placeAt(std::string const& text, std::size_t at, std::string const& path) {
    std::size_t const lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    return " (line " + std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n')) +
           ", column " + std::to_string(at - lineStart + 1) + ", at " + path + ")";
}

// Where an element of `text` is, as the reader places it: the end of its
// start tag (its '>', with content or without), the start tag that begins at
// the `nth` `needle`; then its path.
std::string placeOf(std::string const& text, std::string const& needle, std::size_t nth, std::string const& path) {
    return placeAt(text, text.find('>', nthOf(text, needle, nth)), path);
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

// The one-call read (readMessage) of a text and of a stream takes its limits
// and refuses a root of another namespace before binding it.
TEST(ErrorPlace, ARefusalNamesItsElementOrAttributeByPathLineAndColumn) {
    std::string const unexpected = changed(request, "</ns1:inputs>", 2, "<ns1:oops/></ns1:inputs>");
    EXPECT_EQ(
        refusalOf(unexpected),
        "Unexpected node name: oops" + placeOf(unexpected, "<ns1:oops", 0, "/ExportToApplicationInput/inputs[3]/oops"));
    std::string const elsewhere = changed(request, "xmlns:ns1", 0, "xmlns:ns1='urn:other' xmlns:ns0");
    std::string const notThere =
        "the root element \"ExportToApplicationInput\" is in namespace \"urn:other\", not in \"" + schemaURI + "\"" +
        placeOf(elsewhere, "<", 0, "/ExportToApplicationInput");
    std::istringstream in(elsewhere);
    EXPECT_EQ(domExceptionPlace([&] { readMessage<Request>(elsewhere); }), notThere);
    EXPECT_EQ(domExceptionPlace([&] { readMessage<Request>(in); }), notThere);
    EXPECT_EQ(domExceptionPlace([&] { checkRootNamespace(XmlDocument::parse(elsewhere).root(), schemaURI); }),
              notThere);
    std::string const filter = "<q xmlns='" + schemaURI + "'>\n  <filter getSpecTemplates='yes'/></q>";
    EXPECT_EQ(domExceptionPlace([&] { readBack<v08::GetExportTemplatesInput>(filter); }),
              "lexical_cast: 'yes' is not a boolean (expected true, false, 1 or 0)" +
                  placeOf(filter, "<filter", 0, "/q/filter/@getSpecTemplates"));
}

TEST(ErrorPlace, ARefusalOfTheTextHasThePathOfTheElementTheReaderWasIn) {
    // In the start tag of the second record's second override.
    std::string const broken = changed(request, "templateId=\"o2\"", 1, "templateId=\"o2\" =''");
    XmlReadLimits shallow, few;
    shallow.maxDepth = 2;
    few.maxAttributes = 2;
    std::istringstream in(request);
    std::string const name = changed(request, ">n2<", 2, ">n&2<");
    std::string const tree = changed(request, "<ns1:objectTemplateOverride", 5, "<a><");
    std::size_t const firstInputs = request.find("<ns1:inputs");
    std::string const misplaced = "a start tag holds '=' where '>', '/>' or an attribute name is expected";
    std::pair<std::string, std::string> const cases[] = {
        {refusalOf(broken),
         misplaced + placeAt(broken, broken.find(" =''") + 1, "/ExportToApplicationInput/inputs[2]")},
        // In the text of the third record's second name.
        {refusalOf(name),
         "'&' does not begin a reference (write '&amp;' for '&')" +
             placeAt(name, name.find(">n&2<") + 3, "/ExportToApplicationInput/inputs[3]/attributesToExport[2]")},
        // At the end of the start tag that is one too deep.
        {domExceptionPlace([&] { readMessage<Request>(in, shallow); }),
         "elements are nested deeper than XmlReadLimits::maxDepth (2 levels)" +
             placeAt(request, request.find('>', request.find('<', firstInputs + 1)),
                     "/ExportToApplicationInput/inputs[1]")},
        // A start tag refused before its element opens (at its third
        // attribute's '='): the element it is in.
        {domExceptionPlace([&] { readMessage<Request>(request, few); }),
         "an element has more attributes than XmlReadLimits::maxAttributes (2)" +
             placeAt(request, request.find('=', request.find('=', request.find('=', firstInputs) + 1) + 1),
                     "/ExportToApplicationInput")},
        // A tree, which knows no types, numbers every element but the root.
        {domExceptionPlace([&] { XmlDocument::parse(tree); }),
         "'<' is not followed by an element name (write '&lt;' for '<')" +
             placeAt(tree, tree.find("<a><") + 4, "/ExportToApplicationInput/inputs[3]/a[1]")},
    };
    for (auto const& [refusal, expected] : cases) EXPECT_EQ(refusal, expected);
    // The first after a refusal of a binding step in the first record, which
    // the text's own refusal goes before: the elements read after the first
    // refusal are no entries of a list any more, and have no number.
    std::string const both = changed(broken, "</ns1:inputs>", 0, "<x/></ns1:inputs>");
    EXPECT_EQ(domExceptionPlace([&] { MessageReader().read<Request>(both); }),
              misplaced + placeAt(broken, broken.find(" =''") + 1, "/ExportToApplicationInput/inputs"));
}
