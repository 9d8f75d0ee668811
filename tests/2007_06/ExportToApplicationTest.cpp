// The export messages: the member table and accessors of the record, the
// request and the response. What every member kind does is BindingTest's.

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

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
    ExportToApplicationInputData const copy = roundTrip(record, typePrefix + "ExportToApplicationInputData");
    EXPECT_EQ((Strings{copy.getApplicationFormat(), copy.getTemplateId()}), (Strings{"xlsx1", "t2"}));
    EXPECT_EQ(copy.getObjectsToExportArray()[1].getUid(), "o2");
    EXPECT_EQ(copy.getAttributesToExportArray()[1], "item_id");

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
    ExportToApplicationResponse const copy = roundTrip(response, typePrefix + "ExportToApplicationResponse");
    EXPECT_EQ(copy.getTransientFileReadTicketArray()[1], "t2");
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
    EXPECT_EQ(copy.getServiceData().getPartialErrors().size(), 2u);
}
