// The messages on the wire: every element in its schema's namespace, every
// type's full document accepted by the published schemas, older documents
// still read.

#include "host/XmlDocument.h"
#include "host/XmlString.h"
#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "support/RoundTrip.h"
#include "validate/SchemaValidation.h"

#include <gtest/gtest.h>

using namespace kxsoa_test;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
std::string const prefix2007 = "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::";
std::string const prefix2008 = "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::";

ServiceData fullServiceData() {
    ServiceData serviceData;
    serviceData.addPartialError(troublesome);
    serviceData.addPartialError("");
    serviceData.addUpdatedObject(ModelObject("u1", "Item"));
    serviceData.addUpdatedObject(ModelObject(troublesome, ""));
    return serviceData;
}

template <class Record>
Record withObjectsAndAttributes(Record record) {
    record.addObjectsToExport(ModelObject("o1", "Item"));
    record.addObjectsToExport(ModelObject("o2", troublesome));
    record.addAttributesToExport("object_name");
    record.addAttributesToExport(troublesome);
    return record;
}

v07::ImportFromApplicationResponse response2007() {
    v07::ImportFromApplicationResponse response(fullServiceData());
    response.addResultObject(ModelObject("r1", "Item"));
    response.addResultObject(ModelObject("r2", "Folder"));
    return response;
}

// What a response reads into, in one text.
std::string describe(v07::ImportFromApplicationResponse const& response) {
    std::string text;
    for (ModelObject const& object : response.getResultObjectArray())
        text += object.getUid() + "/" + object.getType() + "|";
    for (std::string const& message : response.getServiceData().getPartialErrors()) text += message + "|";
    for (ModelObject const& object : response.getServiceData().getUpdatedObjects())
        text += object.getUid() + "/" + object.getType() + "|";
    return text;
}

}  // namespace

TEST(WireFormat, FullDocumentOfEveryTypeMatchesTheSchemasAtTheRootAndInsideACallersElement) {
    v07::ImportFromApplicationInputData const import07("csv", troublesome, "ticket");
    v07::ImportFromApplicationInput importRequest07;
    importRequest07.setInputArray({import07, v07::ImportFromApplicationInputData()});
    roundTrip(import07, prefix2007 + "ImportFromApplicationInputData");
    roundTrip(importRequest07, prefix2007 + "ImportFromApplicationInput");
    roundTrip(response2007(), prefix2007 + "ImportFromApplicationResponse");

    v07::ExportToApplicationInputData const export07 =
        withObjectsAndAttributes(v07::ExportToApplicationInputData("f", ""));
    v07::ExportToApplicationInput exportRequest07;
    exportRequest07.setInputArray({export07, export07});
    v07::ExportToApplicationResponse exportResponse07(fullServiceData());
    exportResponse07.setTransientFileReadTicketArray({"t1", troublesome});
    roundTrip(export07, prefix2007 + "ExportToApplicationInputData");
    roundTrip(exportRequest07, prefix2007 + "ExportToApplicationInput");
    roundTrip(exportResponse07, prefix2007 + "ExportToApplicationResponse");

    v08::ImportFromApplicationInputData1 const import08("csv", "spec", troublesome, true, "ticket");
    v08::ImportFromApplicationInput importRequest08;
    importRequest08.setInputArray({import08, v08::ImportFromApplicationInputData1()});
    roundTrip(import08, prefix2008 + "ImportFromApplicationInputData1");
    roundTrip(importRequest08, prefix2008 + "ImportFromApplicationInput");

    v08::TemplateOverride const override("Item", "ExcelTemplate", troublesome);
    v08::ExportToApplicationInputData1 export08 =
        withObjectsAndAttributes(v08::ExportToApplicationInputData1("f", "t", "i"));
    export08.setObjectTemplateOverrideArray({override, v08::TemplateOverride()});
    v08::ExportToApplicationInput exportRequest08;
    exportRequest08.setInputArray({export08, export08});
    roundTrip(override, prefix2008 + "TemplateOverride");
    roundTrip(export08, prefix2008 + "ExportToApplicationInputData1");
    roundTrip(exportRequest08, prefix2008 + "ExportToApplicationInput");

    v08::ExportTemplateInput const filter(true, false, true, false, true);
    v08::ConfiguredTemplate const configured("Item", troublesome, "ExcelTemplate");
    v08::GetExportTemplateResponse templates(fullServiceData());
    templates.setSpecTemplateArray({"s1", troublesome});
    templates.setObjectTemplatArray({"o1", "o2"});
    templates.setExcelTemplateArray({"", "e2"});
    templates.setConfiguredSpecTemplateArray({configured, v08::ConfiguredTemplate()});
    templates.setConfiguredObjectTemplateArray({v08::ConfiguredTemplate(), configured});
    roundTrip(filter, prefix2008 + "ExportTemplateInput");
    roundTrip(v08::GetExportTemplatesInput(filter), prefix2008 + "GetExportTemplatesInput");
    roundTrip(configured, prefix2008 + "ConfiguredTemplate");
    roundTrip(templates, prefix2008 + "GetExportTemplateResponse");
}

TEST(WireFormat, BusinessObjectsAndServiceDataAreLocalElementsOfTheMessage) {
    std::string const xml = written(response2007(), "response");
    // One declaration per namespace on the root; below it only the service
    // data's default namespace, which keeps its name without prefix.
    EXPECT_EQ(xml.find("xmlns", xml.find('>')), xml.find("<ServiceData xmlns=\"" + uri2007 + "\">") + 13) << xml;
    XmlDocument const document = XmlDocument::parse(xml);
    std::vector<std::string> namespaces;
    for (XMLNode const& child : document.root().children) {
        namespaces.push_back(std::string(child.name) + " " + std::string(child.namespaceURI));
        for (XMLNode const& grandchild : child.children)
            namespaces.push_back(std::string(grandchild.name) + " " + std::string(grandchild.namespaceURI));
    }
    EXPECT_EQ(namespaces,
              (std::vector<std::string>{"resultObjects " + uri2007, "resultObjects " + uri2007,
                                        "ServiceData " + uri2007, "partialErrors " + baseURI,
                                        "partialErrors " + baseURI, "updated " + baseURI, "updated " + baseURI}));
    // At the root, with no containing element, they are in the base namespace.
    EXPECT_EQ(XmlDocument::parse(written(fullServiceData(), "ServiceData")).root().namespaceURI, baseURI);
    EXPECT_EQ(kxsoa::validation::messageError(written(fullServiceData(), "data"), "ServiceData"), "");
    EXPECT_EQ(kxsoa::validation::messageError(written(ModelObject("u", "t"), "object"), "ModelObject"), "");
}

TEST(WireFormat, DocumentsInTheOldFormStillReadButAreNotValid) {
    // Business objects rebinding the message prefix to the base namespace,
    // the service data in the base namespace: as written before.
    std::string const old = "<ns1:r xmlns:ns1=\"" + uri2007 + "\" xmlns:ns2=\"" + baseURI +
                            "\">\n<ns1:resultObjects xmlns:ns1=\"" + baseURI +
                            "\" uid=\"r1\" type=\"Item\"/><ns1:resultObjects xmlns:ns1=\"" + baseURI +
                            "\" uid=\"r2\" type=\"Folder\"/><ns2:ServiceData>"
                            "<ns2:partialErrors message=\"" +
                            Kestrune::Soa::Common::Xml::toXmlString(troublesome) +
                            "\"/><ns2:partialErrors message=\"\"/><ns2:updated uid=\"u1\" type=\"Item\"/>"
                            "<ns2:updated uid=\"" +
                            Kestrune::Soa::Common::Xml::toXmlString(troublesome) +
                            "\" type=\"\"/>"
                            "</ns2:ServiceData></ns1:r>";
    EXPECT_EQ(describe(readBack<v07::ImportFromApplicationResponse>(old)), describe(response2007()));
    EXPECT_EQ(kxsoa::validation::messageError(old, "ImportFromApplicationResponse"),
              "line 2: Element '{" + baseURI + "}resultObjects': This element is not expected. Expected is one of ( {" +
                  uri2007 + "}resultObjects, {" + uri2007 + "}ServiceData ).");
}

TEST(WireFormat, SchemasRefuseWhatTheLibraryNeverWritesNamingTheElementAsWritten) {
    std::string const uri2008 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
    std::string const start = "<x:e xmlns:x='" + uri2008 + "'";
    EXPECT_EQ(kxsoa::validation::messageError(start + " businessObjectType='' templateType=''/>", "TemplateOverride"),
              "line 1: Element '{" + uri2008 + "}e': The attribute 'templateId' is required but missing.");
    std::string const flags =
        " getObjectTemplates='true' getSpecTemplates='false' getConfiguredObjectTemplate='true'"
        " getConfiguredSpecTemplate='false' getExcelTemplates=";
    EXPECT_EQ(kxsoa::validation::messageError(start + flags + "'true'/>", "ExportTemplateInput"), "");
    EXPECT_NE(kxsoa::validation::messageError(start + flags + "'1'/>", "ExportTemplateInput"), "");
    EXPECT_NE(kxsoa::validation::messageError(start + flags + "'true'/>", "TemplateOverride"), "");
    EXPECT_EQ(kxsoa::validation::messageError(start + ">", "TemplateOverride").substr(0, 7), "line 1:");
}
