// The import messages: the member table and accessors of the record, the
// request and the response. What every member kind does is BindingTest's.

#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

TEST(ImportFromApplication, RecordAndRequest) {
    ImportFromApplicationInputData record("csv", "Folder", "t");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setCreateSpecElementType(record.getCreateSpecElementType() + "2");
    record.setTransientFileWriteTicket(record.getTransientFileWriteTicket() + "3");
    std::string const attributes =
        " applicationFormat=\"csv1\" createSpecElementType=\"Folder2\" transientFileWriteTicket=\"t3\"/>";
    EXPECT_EQ(written(record, "root"), root + attributes);
    ImportFromApplicationInputData const copy = roundTrip(record, typePrefix + "ImportFromApplicationInputData");
    EXPECT_EQ(
        (Strings{copy.getApplicationFormat(), copy.getCreateSpecElementType(), copy.getTransientFileWriteTicket()}),
        (Strings{"csv1", "Folder2", "t3"}));

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
    ImportFromApplicationResponse const copy = roundTrip(response, typePrefix + "ImportFromApplicationResponse");
    EXPECT_EQ(copy.getResultObjectArray()[1].getUid(), "r2");
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
    EXPECT_EQ(copy.getServiceData().getPartialErrors().size(), 2u);
}
