// The 2007-06 messages: the member tables and accessors of the export and
// import records, requests and responses. What every member kind does is
// BindingTest's.

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"

#include "support/RoundTrip.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

namespace {

std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
std::string const typePrefix = "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::";
// How an element "root" begins at the root: with its own namespace, and also the base one.
std::string const root = "<ns1:root xmlns:ns1=\"" + uri2007 + "\"";
std::string const rootWithBase = root + " xmlns:ns2=\"" + baseURI + "\"";

}  // namespace

TEST(ExportToApplication, RecordAndRequest) {
    ExportToApplicationInputData record("xlsx", "t");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setTemplateId(record.getTemplateId() + "2");
    record.setAttributesToExportArray({"object_name"});  // lists in member order, whatever the order of adding
    record.setObjectsToExportArray({ModelObject("o1", "Item")});
    record.addAttributesToExport("item_id");
    record.addObjectsToExport(ModelObject("o2"));
    std::string const element =
        " applicationFormat=\"xlsx1\" templateId=\"t2\">"
        "<ns1:objectsToExport uid=\"o1\" type=\"Item\"/>"
        "<ns1:objectsToExport uid=\"o2\" type=\"\"/>"
        "<ns1:attributesToExport>object_name</ns1:attributesToExport>"
        "<ns1:attributesToExport>item_id</ns1:attributesToExport>";
    EXPECT_EQ(written(record, "root"), rootWithBase + element + "</ns1:root>");
    roundTrip(record, typePrefix + "ExportToApplicationInputData");

    ExportToApplicationInput request;
    request.setInputArray({record});
    EXPECT_EQ(written(request, "root"), rootWithBase + "><ns1:inputs" + element + "</ns1:inputs></ns1:root>");
    request.addInput(ExportToApplicationInputData(troublesome, ""));
    EXPECT_EQ(request.getInputArray()[1].getApplicationFormat(), troublesome);
    roundTrip(request, typePrefix + "ExportToApplicationInput");
}

TEST(ExportToApplication, Response) {
    ExportToApplicationResponse response(fullServiceData());
    response.setTransientFileReadTicketArray({"t1"});
    response.addTransientFileReadTicket("t2");
    EXPECT_EQ(written(response, "root"), rootWithBase +
                                             "><ns1:transientFileReadTickets>t1</ns1:transientFileReadTickets>"
                                             "<ns1:transientFileReadTickets>t2</ns1:transientFileReadTickets>" +
                                             fullServiceDataElement(uri2007) + "</ns1:root>");
    roundTrip(response, typePrefix + "ExportToApplicationResponse");
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
}

TEST(ImportFromApplication, RecordAndRequest) {
    ImportFromApplicationInputData record("csv", "Folder", "t");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setCreateSpecElementType(record.getCreateSpecElementType() + "2");
    record.setTransientFileWriteTicket(record.getTransientFileWriteTicket() + "3");
    std::string const attributes =
        " applicationFormat=\"csv1\" createSpecElementType=\"Folder2\" transientFileWriteTicket=\"t3\"/>";
    EXPECT_EQ(written(record, "root"), root + attributes);
    roundTrip(record, typePrefix + "ImportFromApplicationInputData");

    ImportFromApplicationInput request;
    request.setInputArray({record});
    EXPECT_EQ(written(request, "root"), root + "><ns1:inputs" + attributes + "</ns1:root>");
    request.addInput(ImportFromApplicationInputData(troublesome, "Item", ""));
    EXPECT_EQ(request.getInputArray()[1].getApplicationFormat(), troublesome);
    roundTrip(request, typePrefix + "ImportFromApplicationInput");
}

TEST(ImportFromApplication, Response) {
    ImportFromApplicationResponse response(fullServiceData());
    response.setResultObjectArray({ModelObject("r1", "Item")});
    response.addResultObject(ModelObject("r2"));
    EXPECT_EQ(written(response, "root"), rootWithBase +
                                             "><ns1:resultObjects uid=\"r1\" type=\"Item\"/>"
                                             "<ns1:resultObjects uid=\"r2\" type=\"\"/>" +
                                             fullServiceDataElement(uri2007) + "</ns1:root>");
    roundTrip(response, typePrefix + "ImportFromApplicationResponse");
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
}
