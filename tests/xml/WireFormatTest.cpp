// The messages on the wire: every element in its schema's namespace, older
// documents still read. (Each type's tests validate its full document.)

#include "host/XmlDocument.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "support/RoundTrip.h"
#include "validate/SchemaValidation.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kxsoa_test;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Kestrune::Soa::Common::Xml::XmlDocument;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

namespace {

std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";

v07::ImportFromApplicationResponse response2007() {
    v07::ImportFromApplicationResponse response(fullServiceData());
    response.addResultObject(ModelObject("r1", "Item"));
    response.addResultObject(ModelObject("r2", "Folder"));
    return response;
}

}  // namespace

TEST(WireFormat, BusinessObjectsAndServiceDataAtTheRootAreInTheBaseNamespace) {
    // At the root, with no containing element, they are in the base namespace.
    EXPECT_EQ(XmlDocument::parse(written(fullServiceData(), "ServiceData")).root().namespaceURI, baseURI);
    EXPECT_EQ(kxsoa::validation::messageError(written(fullServiceData(), "data"), "ServiceData"), "");
    EXPECT_EQ(kxsoa::validation::messageError(written(ModelObject("u", "t"), "object"), "ModelObject"), "");
    std::set<std::string> fromData, fromObject, fromEmpty;
    fullServiceData().getNamespaces(fromData);
    ModelObject().getNamespaces(fromObject);
    ServiceData().getNamespaces(fromEmpty);  // with no updated object to ask
    EXPECT_EQ(fromData, std::set<std::string>{baseURI});
    EXPECT_EQ(fromObject, fromData);
    EXPECT_EQ(fromEmpty, fromData);
}

TEST(WireFormat, DocumentsInTheOldFormStillReadButAreNotValid) {
    // Business objects rebinding the message prefix to the base namespace,
    // the service data in the base namespace: as written before.
    std::string const old = "<ns1:r xmlns:ns1=\"" + uri2007 + "\" xmlns:ns2=\"" + baseURI +
                            "\">\n<ns1:resultObjects xmlns:ns1=\"" + baseURI +
                            "\" uid=\"r1\" type=\"Item\"/><ns1:resultObjects xmlns:ns1=\"" + baseURI +
                            "\" uid=\"r2\" type=\"Folder\"/><ns2:ServiceData>"
                            "<ns2:partialErrors message=\"m1\"/><ns2:partialErrors message=\"\"/>"
                            "<ns2:updated uid=\"u1\" type=\"Item\"/><ns2:updated uid=\"u2\" type=\"\"/>"
                            "</ns2:ServiceData></ns1:r>";
    EXPECT_TRUE(sameContent(response2007(), readBack<v07::ImportFromApplicationResponse>(old)));
    EXPECT_EQ(kxsoa::validation::messageError(old, "ImportFromApplicationResponse"),
              "line 2: Element '{" + baseURI + "}resultObjects': This element is not expected. Expected is one of ( {" +
                  uri2007 + "}resultObjects, {" + uri2007 + "}ServiceData ).");
}

TEST(WireFormat, SchemasRefuseWhatTheLibraryNeverWritesNamingTheElementAsWritten) {
    std::string const uri2008 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
    std::string const in2007 = "<x:e xmlns:x='" + uri2007 + "'", in2008 = "<x:e xmlns:x='" + uri2008 + "'";
    std::string const flags =
        " getObjectTemplates='true' getSpecTemplates='false' getConfiguredObjectTemplate='true'"
        " getConfiguredSpecTemplate='false' getExcelTemplates=";
    // The type, the document, and the whole error: the first problem, on line 1.
    auto const element = [](std::string const& uri, char const* name) {
        return "line 1: Element '{" + uri + "}" + name + "'";
    };
    auto const oneOf = [](std::string const& uri, char const* a, char const* b) {
        return " Expected is one of ( {" + uri + "}" + a + ", {" + uri + "}" + b + " ).";
    };
    using Refused = std::tuple<char const*, std::string, std::string>;
    for (auto const& [type, xml, error] :
         {Refused{"ImportFromApplicationResponse", in2007 + "><x:resultObjects uid='r'/><x:ServiceData/></x:e>",
                  element(uri2007, "resultObjects") + ": The attribute 'type' is required but missing."},
          Refused{"ImportFromApplicationResponse", in2007 + "><x:resultObjects uid='r' type=''/></x:e>",
                  element(uri2007, "e") + ": Missing child element(s)." +
                      oneOf(uri2007, "resultObjects", "ServiceData")},
          Refused{"ExportTemplateInput", in2008 + flags + "'yes'/>",
                  element(uri2008, "e") +
                      ", attribute 'getExcelTemplates': 'yes' is not a valid value of the atomic type 'xs:boolean'."},
          Refused{"ExportToApplicationInputData1",
                  in2008 + " applicationFormat='' templateType='' templateId=''><x:attributesToExport/>"
                           "<x:objectsToExport uid='' type=''/></x:e>",
                  element(uri2008, "objectsToExport") + ": This element is not expected." +
                      oneOf(uri2008, "attributesToExport", "objectTemplateOverride")},
          Refused{"TemplateOverride", in2008 + " businessObjectType='' templateType=''/>",
                  element(uri2008, "e") + ": The attribute 'templateId' is required but missing."},
          Refused{"TemplateOverride", in2008 + flags + "'true'/>",  // a valid message of another type
                  element(uri2008, "e") +
                      ", attribute 'getObjectTemplates': The attribute 'getObjectTemplates' is not allowed."},
          Refused{"TemplateOverride", in2008 + ">", "line 1: Premature end of data in tag e line 1"}}) {
        EXPECT_EQ(kxsoa::validation::messageError(xml, type), error) << xml;
    }
    EXPECT_EQ(kxsoa::validation::messageError(in2008 + flags + "'true'/>", "ExportTemplateInput"), "");
}
