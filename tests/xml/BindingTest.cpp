// Comparing and dumping every member kind, and what the request writer
// refuses. (Each message type's tests write and read its members.) Three
// 2008-06 messages carry all seven kinds between them: the export record
// (text attributes, business objects, names, structures), the template
// query (a nested structure of flags) and its response (the service data).

#include "2008_06/Fixtures.h"

#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "xml/RequestWriter.h"

#include <gtest/gtest.h>

#include <array>

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::RequestWriter;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlStream;
using Record = ExportToApplicationInputData1;

namespace {

// The message namespace as prefix m, the base one as b.
std::string const declarations = " xmlns:m='" + schemaURI + "' xmlns:b='" + baseURI + "'";

// Each change of `xml` (from, to) alone makes the difference given of the
// T read, found both ways round; all at once they make every one of them,
// in the order given (member order: a list's entries, then its count).
template <class T>
void expectDifferences(std::string const& xml, std::vector<std::array<char const*, 3>> const& changes) {
    T const original = readBack<T>(xml);
    std::string all = xml;
    Strings expected;
    for (auto const& [from, to, difference] : changes) {
        std::string changed = xml;
        T const other = readBack<T>(changed.replace(changed.find(from), std::string(from).size(), to));
        EXPECT_EQ(original.difference(other), difference) << changed;
        EXPECT_NE(other.difference(original), "") << changed;
        all.replace(all.find(from), std::string(from).size(), to);
        expected.push_back(difference);
    }
    EXPECT_EQ(original.differences(readBack<T>(all)), expected);
    EXPECT_EQ(original.difference(readBack<T>(xml)), "");
    EXPECT_EQ(original.differences(readBack<T>(xml)), Strings{});
}

}  // namespace

TEST(Binding, DifferenceNamesTheFirstDifferingMemberOfEachKindAndDifferencesEveryOne) {
    expectDifferences<Record>("<m:r" + declarations +
                                  " applicationFormat='L'><m:objectsToExport uid='u1' type='T'/>"
                                  "<m:attributesToExport>a</m:attributesToExport><m:attributesToExport>b"
                                  "</m:attributesToExport><m:objectTemplateOverride templateId='o'/></m:r>",
                              {{"'L'", "'L&#10;'", "applicationFormat: \"L\" vs \"L\\n\""},
                               {"'T'", "'U'", "objectsToExport[0]: \"u1\" (T) vs \"u1\" (U)"},
                               {">b<", ">c<", "attributesToExport[1]: \"b\" vs \"c\""},
                               {"</m:r>", "<m:attributesToExport/></m:r>", "attributesToExport: 2 vs 3 entries"},
                               {"'o'", "'p'", "objectTemplateOverride[0].templateId: \"o\" vs \"p\""}});
    expectDifferences<GetExportTemplatesInput>("<m:q" + declarations + "><m:filter getExcelTemplates='true'/></m:q>",
                                               {{"true", "false", "filter.getExcelTemplates: true vs false"}});
    expectDifferences<GetExportTemplateResponse>(
        "<m:s" + declarations +
            "><b:ServiceData><b:partialErrors message='m'/><b:updated uid='u9'/></b:ServiceData></m:s>",
        {{"'m'", "'n'", "ServiceData.partialErrors[0]: \"m\" vs \"n\""},
         {"'u9'", "'u8'", "ServiceData.updatedObjects[0]: \"u9\" vs \"u8\""}});
}

TEST(Binding, DumpShowsEveryMemberByItsXmlName) {
    Record record("L\x1F \x7F~\t\r\\", "", "t");  // control characters shown escaped, DEL too
    record.addObjectsToExport(ModelObject("u1", "T"));
    record.addObjectsToExport(ModelObject("u2"));
    record.addObjectTemplateOverride(TemplateOverride("Item", "", "i"));
    EXPECT_EQ(record.dump(),
              "ExportToApplicationInputData1\n"
              "  applicationFormat: \"L\\x1F \\x7F~\\t\\r\\\\\"\n"
              "  templateType: \"\"\n"
              "  templateId: \"t\"\n"
              "  objectsToExport[0]: \"u1\" (T)\n"
              "  objectsToExport[1]: \"u2\"\n"
              "  attributesToExport: none\n"
              "  objectTemplateOverride[0]:\n"
              "    businessObjectType: \"Item\"\n"
              "    templateType: \"\"\n"
              "    templateId: \"i\"\n");
    EXPECT_EQ(GetExportTemplatesInput(ExportTemplateInput(false, true, false, false, false)).dump(),
              "GetExportTemplatesInput\n  filter:\n    getObjectTemplates: false\n    getSpecTemplates: true\n"
              "    getConfiguredObjectTemplate: false\n    getConfiguredSpecTemplate: false\n"
              "    getExcelTemplates: false\n");
    Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse response(ServiceData{});
    response.addTransientFileReadTicket("t");
    response.getServiceData().addPartialError("half \"done\"");
    EXPECT_EQ(response.dump(),
              "ExportToApplicationResponse\n"
              "  transientFileReadTickets[0]: \"t\"\n"
              "  ServiceData:\n"
              "    partialErrors[0]: \"half \\\"done\\\"\"\n"
              "    updatedObjects: none\n");
}

TEST(Binding, RequestWriterRefusesWhatWouldBreakTheRequest) {
    XmlStream stream;
    RequestWriter<ExportToApplicationInput> writer(stream);
    Record const record("csv", "t", "i");
    writer.open("r");
    writer.write(record);
    EXPECT_EQ(Kestrune::Soa::Common::Xml::HandleAccess::object(record).getRefCount(), 1);  // no record is kept
    writer.close();
    stream.reset();
    EXPECT_EQ(domExceptionMessage([&] { writer.write(record); }), "RequestWriter: cannot write: no request is open");
    writer.open("r");
    EXPECT_EQ(domExceptionMessage([&] { writer.open("r"); }),
              "RequestWriter: cannot open: the request before is not closed");
    writer.close();
    EXPECT_EQ(domExceptionMessage([&] { writer.close(); }), "RequestWriter: cannot close: no request is open");
    writer.open("r");  // the stream refuses a second document, and the refusal closes the request
    EXPECT_EQ(domExceptionMessage([&] { writer.write(record); }),
              "XmlStream: cannot write element \"r\": the document already has its root element");
    EXPECT_EQ(domExceptionMessage([&] { writer.write(record); }), "RequestWriter: cannot write: no request is open");
    stream.reset();
    stream << stream.writeOpenElement(callerURI, "env:Envelope");
    EXPECT_EQ(domExceptionMessage([&] { writer.open("r"); }),
              "RequestWriter: cannot open: the request must be the stream's root element");
    // A reset between two records ends the request: the next record is
    // refused rather than written as a document of its own.
    for (bool const closing : {false, true}) {
        stream.reset();
        writer.open("r");
        writer.write(record);
        stream.reset();
        EXPECT_EQ(domExceptionMessage([&] { closing ? writer.close() : writer.write(record); }),
                  std::string("RequestWriter: cannot ") + (closing ? "close" : "write") +
                      ": the stream was reset since the request's first record: open the request again");
        EXPECT_EQ(stream.str(), "");
        writer.open("r");
        writer.close();
        EXPECT_EQ(stream.str(), written(ExportToApplicationInput(), "r"));
    }
}
