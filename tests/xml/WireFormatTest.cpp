// The messages on the wire: every element in its schema's namespace, older
// documents still read. (Each type's tests validate its full document.)

#include "host/XmlDocument.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "support/RoundTrip.h"
#include "support/SchemaValidation.h"

#include <gtest/gtest.h>

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
