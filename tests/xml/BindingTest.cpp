// Writing, reading and comparing every member kind. Three 2008-06 messages
// carry all seven between them: the export record (text attributes, business
// objects, names, structures), the template query (a nested structure of
// flags) and its response (the service data).

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
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlStream;
using Record = ExportToApplicationInputData1;

namespace {

// The message namespace as prefix m, the base one as b.
std::string const declarations = " xmlns:m='" + schemaURI + "' xmlns:b='" + baseURI + "'";

// Every list filled, with text that needs care in XML.
Record populated() {
    Record record(troublesome, "", "t");
    record.addObjectsToExport(ModelObject(troublesome, troublesome));
    record.addObjectsToExport(ModelObject("o2"));
    record.setAttributesToExportArray({troublesome, "", "n"});
    record.addObjectTemplateOverride(TemplateOverride("", troublesome, ""));
    record.addObjectTemplateOverride(TemplateOverride());
    return record;
}

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

TEST(Binding, TroublesomeTextComesBackFromEveryKindAndWhatXmlCannotCarryOrAReaderWouldRefuseIsRefused) {
    EXPECT_TRUE(sameContent(populated(), readBack<Record>(written(populated(), "r"))));
    GetExportTemplateResponse response{ServiceData()};
    response.getServiceData().addPartialError(troublesome);
    EXPECT_TRUE(sameContent(response, readBack<GetExportTemplateResponse>(written(response, "r"))));
    response.getServiceData().addPartialError("bell\x07");
    EXPECT_THROW(written(response, "r"), DomException);
    // Longer than the stream's longest token as escaped, in an attribute and in a text.
    std::string const escapesTo201 = std::string(196, 'x') + "&";
    Record inText;
    inText.addAttributesToExport(escapesTo201);
    for (Record const& tooLong : {Record(escapesTo201, "", ""), inText}) {
        XmlStream stream;
        stream.setMaxTokenBytes(200);
        std::string const refusal = domExceptionMessage([&] { tooLong.outputXML(stream, "r"); });
        EXPECT_EQ(refusal,
                  "XmlStream: a text of 201 bytes as escaped is longer than XmlReadLimits::maxTokenBytes (200 bytes), "
                  "which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxTokenBytes)");
        EXPECT_EQ(stream.str().find("xxx"), std::string::npos) << stream.str();  // the refused text is not written
    }
}

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

TEST(Binding, EmptyListsWriteNothingButTheElementStillHasStartAndEndTags) {
    EXPECT_EQ(written(Record(), "root"),
              root + " applicationFormat=\"\" templateType=\"\" templateId=\"\"></ns1:root>");
    EXPECT_EQ(written(GetExportTemplateResponse(), "root"),
              rootWithBase + "><ServiceData xmlns=\"" + schemaURI + "\"></ServiceData></ns1:root>");
}

TEST(Binding, ARequestWrittenRecordByRecordDeclaresWhatItsFirstRecordNeeds) {
    // Without business objects in the first record, the root declares the
    // message's namespace alone and a later record the base one where it uses it.
    Record const plain("csv", "t", "i");
    for (std::vector<Record> const& records :
         {std::vector<Record>{}, {plain}, {plain, populated(), plain}, {populated(), plain}}) {
        ExportToApplicationInput request;
        request.setInputArray(records);
        roundTrip(request, typePrefix + "ExportToApplicationInput");  // the same text as outputXML, the same probes
    }
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

TEST(Binding, ParsingAppendsInterleavedChildrenInOrderReservingOnceForEachListAndOverwritesAttributes) {
    XmlDocument const document = XmlDocument::parse(
        "<m:r" + declarations +
        " applicationFormat='read'><m:attributesToExport>n1</m:attributesToExport><m:objectTemplateOverride "
        "templateId='i1'/><m:attributesToExport>n2</m:attributesToExport><b:objectsToExport uid='o1'/>"
        "<m:objectTemplateOverride templateId='i2'/><m:objectsToExport uid='o2'/></m:r>");
    Record record;
    record.setApplicationFormat("before");
    record.addAttributesToExport("kept");
    record.parse(document.root());
    EXPECT_EQ(record.getAttributesToExportArray().capacity(), 3u);
    EXPECT_EQ(record.getObjectTemplateOverrideArray().capacity(), 2u);
    record.parse(document.root());
    EXPECT_EQ(record.getApplicationFormat(), "read");
    EXPECT_EQ(record.getAttributesToExportArray(), (Strings{"kept", "n1", "n2", "n1", "n2"}));
    EXPECT_EQ(record.getAttributesToExportArray().capacity(), 5u);
    ASSERT_EQ(record.getObjectTemplateOverrideArray().size(), 4u);
    EXPECT_EQ(record.getObjectTemplateOverrideArray()[1].getTemplateId(), "i2");
    ASSERT_EQ(record.getObjectsToExportArray().size(), 4u);
    EXPECT_EQ(record.getObjectsToExportArray().capacity(), 4u);
    EXPECT_EQ(record.getObjectsToExportArray()[1].getUid(), "o2");
}

TEST(Binding, SingleMembersAreReadInPlaceIntoTheSharedObjectAgainForEachElement) {
    ExportTemplateInput filter(true, false, false, false, false);
    GetExportTemplatesInput query(filter);
    query.parse(XmlDocument::parse("<m:q" + declarations +
                                   "><m:filter getSpecTemplates='true'/><m:filter getExcelTemplates='true'/></m:q>")
                    .root());
    EXPECT_FALSE(filter.getGetObjectTemplates());
    EXPECT_FALSE(filter.getGetSpecTemplates());
    EXPECT_TRUE(filter.getGetExcelTemplates());
    ServiceData serviceData;
    GetExportTemplateResponse response(serviceData);
    response.parse(XmlDocument::parse("<m:s" + declarations +
                                      "><b:ServiceData><b:partialErrors message='m'/></b:ServiceData>"
                                      "<ServiceData><b:partialErrors message='n'/></ServiceData></m:s>")
                       .root());
    EXPECT_EQ(serviceData.getPartialErrors(), (Strings{"m", "n"}));
}

TEST(Binding, UnexpectedChildStopsParsingAndKeepsWhatWasRead) {
    ProbeRecorder probes;
    Record record;
    XmlDocument const document = XmlDocument::parse(
        "<m:r" + declarations + " templateId='read'>\n" +
        "<m:attributesToExport>n1</m:attributesToExport><m:objectsToExport uid='o1'/>\n"
        "<m:AttributesToExport>case differs</m:AttributesToExport><m:attributesToExport>n2</m:attributesToExport>"
        "</m:r>");
    try {
        record.parse(document.root());
        ADD_FAILURE() << "no DomException";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "Unexpected node name: AttributesToExport");
        EXPECT_EQ(e.line(), 3u);
    }
    EXPECT_EQ(record.getTemplateId(), "read");
    EXPECT_EQ(record.getAttributesToExportArray(), Strings{"n1"});
    EXPECT_EQ(record.getObjectsToExportArray().size(), 1u);
    // The failed read leaves no probe started: its call is abandoned.
    EXPECT_EQ(probes.events, (Strings{"start " + typePrefix + "ExportToApplicationInputData1::parse",
                                      "abandoned " + typePrefix + "ExportToApplicationInputData1::parse"}));

    EXPECT_EQ(domExceptionMessage([] {
                  readBack<GetExportTemplateResponse>("<m:s" + declarations +
                                                      "><ServiceData><b:partialError/></ServiceData></m:s>");
              }),
              "Unexpected node name: partialError");
    // A record refused in its middle is taken off the list again, the names
    // it gained with it; the record before stays.
    ExportToApplicationInput request;
    XmlDocument const two =
        XmlDocument::parse("<m:q" + declarations +
                           "><m:inputs templateId='1'/><m:inputs templateId='2'><m:attributesToExport>"
                           "n</m:attributesToExport><m:oops/></m:inputs></m:q>");
    EXPECT_EQ(domExceptionMessage([&] { request.parse(two.root()); }), "Unexpected node name: oops");
    ASSERT_EQ(request.getInputArray().size(), 1u);
    EXPECT_EQ(request.getInputArray()[0].getTemplateId(), "1");
}

TEST(Binding, AttributeOnlyTypesIgnoreChildrenAndForeignAttributes) {
    ExportTemplateInput const filter = readBack<ExportTemplateInput>(
        "<m:f" + declarations + " other='x' getSpecTemplates=' true ' getExcelTemplates='1'><m:a/><b/></m:f>");
    EXPECT_FALSE(filter.getGetObjectTemplates());
    EXPECT_TRUE(filter.getGetSpecTemplates());
    EXPECT_TRUE(filter.getGetExcelTemplates());
    TemplateOverride const override =
        readBack<TemplateOverride>("<o templateId='i'><templateType>x</templateType></o>");
    EXPECT_EQ(override.getTemplateId(), "i");
    EXPECT_EQ(override.getTemplateType(), "");
    EXPECT_THROW(readBack<ExportTemplateInput>("<f getSpecTemplates='yes'/>"), DomException);
}

TEST(Binding, InsideACallersElementNoProbeFiresAndEveryChildIsInTheTypesNamespace) {
    GetExportTemplateResponse response(fullServiceData());
    response.addSpecTemplate("s");
    response.addConfiguredSpecTemplate(ConfiguredTemplate());
    ProbeRecorder probes;
    auto const check = [](auto message) {
        XmlDocument const envelope = XmlDocument::parse(writtenInside(message));
        for (XMLNode const& body : envelope.root().children) {
            message.parse(body);
            EXPECT_EQ(body.namespaceURI, schemaURI);
            for (XMLNode const& child : body.children) EXPECT_EQ(child.namespaceURI, schemaURI) << child.name;
        }
    };
    check(populated());
    check(response);
    EXPECT_EQ(probes.events, Strings{});
    // A business object inside declares nothing: the message's prefix is in scope.
    Record record("f", "", "");
    record.addObjectsToExport(ModelObject("u"));
    std::string const message = "<ns1:message xmlns:ns1=\"" + schemaURI +
                                "\" applicationFormat=\"f\" templateType=\"\" templateId=\"\"><ns1:objectsToExport "
                                "uid=\"u\" type=\"\"/></ns1:message>";
    std::string const inside = writtenInside(record);
    EXPECT_EQ(inside, "<env:Envelope xmlns:env=\"" + callerURI + "\">" + message + message + "</env:Envelope>");
    XmlDocument const envelope = XmlDocument::parse(inside);
    auto second = envelope.root().children.begin();
    EXPECT_EQ(second++, envelope.root().children.begin());  // the postfix form steps too
    EXPECT_EQ(second, ++envelope.root().children.begin());
}
