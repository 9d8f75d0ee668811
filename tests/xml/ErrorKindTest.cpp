// Each kind of error, from one refusal of that kind: its kind and its whole
// message with its place, what a caller's catch (std::exception) prints.

#include "2008_06/Fixtures.h"

#include "host/LexicalCast.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/AnyMessage.h"
#include "importexport/VersionPairs.h"
#include "xml/Message.h"
#include "xml/RequestWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <istream>

using namespace kxsoa_test;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::kindName;

namespace {

// "KIND: WHAT" of the DomException that `action` throws, caught as a
// std::exception.
std::string thrown(std::function<void()> const& action) {
    try {
        action();
    } catch (std::exception const& e) {
        auto const* error = dynamic_cast<DomException const*>(&e);
        return std::string(error != nullptr ? kindName(error->kind()) : "(not a DomException)") + ": " + e.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(ErrorKind, EachRefusalHasItsKind) {
    XmlReadLimits shallow;
    shallow.maxDepth = 1;
    v08::ExportToApplicationInputData1 record;
    record.setTemplateType("excel");
    std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
    std::string const unknownAttribute = "<GetExportTemplatesInput xmlns='" + schemaURI + "' x=''/>";
    std::string const query = "<GetExportTemplatesInput xmlns='" + schemaURI + "'>\n  <x/></GetExportTemplatesInput>";
    std::string const versions =
        "which is no message version's: 2007-06 \"" + uri2007 + "\" or 2008-06 \"" + schemaURI + '"';
    // Every kind but Invalid, which only a validating read gives.
    std::pair<std::function<void()>, std::string> const rows[] = {
        {[] {
             std::istream none(nullptr);
             XmlDocument::parse(none);
         },
         "unreadable: the input stream failed after 0 bytes"},
        {[] { XmlDocument::parse("<?xml version='1.0' encoding='UTF-7'?><r/>"); },
         "encoding: encoding \"UTF-7\" is not accepted: send UTF-8, UTF-16 or US-ASCII (line 1, column 31)"},
        {[&] { XmlDocument::parse("<r><a/></r>", shallow); },
         "limit: elements are nested deeper than XmlReadLimits::maxDepth (1 levels) (line 1, column 7, at /r)"},
        {[] { XmlDocument::parse("<a>\n</b>"); },
         "not well-formed: the end tag 'b' does not match the start tag 'a' of line 1 (line 2, column 5, at /a)"},
        {[] { XmlDocument::parse("<!DOCTYPE a><a/>"); },
         "unsupported: a document type declaration (DOCTYPE) is not accepted (line 1, column 12)"},
        {[] { readMessage<v08::GetExportTemplatesInput>("<q xmlns='urn:x'/>"); },
         "wrong root: the root element is \"q\" in namespace \"urn:x\", not \"GetExportTemplatesInput\" in namespace "
         "\"" +
             schemaURI + "\" (line 1, column 18, at /q)"},
        {[] { readMessage<v08::GetExportTemplatesInput>("<q/>"); },
         "wrong root: the root element is \"q\" in no namespace, not \"GetExportTemplatesInput\" in namespace \"" +
             schemaURI + "\" (line 1, column 4, at /q)"},
        {[] { readAnyMessage("<r/>"); },
         "wrong root: the root element \"r\" is in no namespace, " + versions + " (line 1, column 4, at /r)"},
        {[&] { readMessage<v08::GetExportTemplatesInput>(query); },
         "unexpected: Unexpected node name: x (line 2, column 6, at /GetExportTemplatesInput/x)"},
        {[&] { readMessage<v08::GetExportTemplatesInput>(unknownAttribute, {}, ReadPolicy::Validate); },
         "invalid: attribute \"x\" is not allowed here (line 1, column " + std::to_string(unknownAttribute.size()) +
             ", at /GetExportTemplatesInput/@x); 1 more error"},
        {[] { lexical_cast<bool>(std::string("yes")); },
         "value: lexical_cast: 'yes' is not a boolean (expected true, false, 1 or 0)"},
        {[] { XmlStream().writeOpenElement("urn:a", "1a"); },
         "unwritable: XmlStream: '1a' is not a valid element name"},
        {[&] { downgrade(record); },
         "unmatched: the 2008-06 ExportToApplicationInputData1 holds values in members that the 2007-06 "
         "ExportToApplicationInputData does not have: templateType (Unmatched::Drop drops them)"},
        {[] {
             XmlStream stream;
             RequestWriter<v08::ExportToApplicationInput>(stream).close();
         },
         "misuse: RequestWriter: cannot close: no request is open"},
    };
    for (auto const& [action, expected] : rows) EXPECT_EQ(thrown(action), expected);
}
