// The 2008-06 import request and its records: member tables and accessors.
// What every member kind does is BindingTest's.

#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

TEST(Import2008, RecordAndRequest) {
    ImportFromApplicationInputData1 record("csv", "s", "c", true, "t");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setSpecificationType(record.getSpecificationType() + "2");
    record.setCreateSpecElementType(record.getCreateSpecElementType() + "3");
    record.setTransientFileWriteTicket(record.getTransientFileWriteTicket() + "5");
    std::string const attributes =
        " applicationFormat=\"csv1\" specificationType=\"s2\" createSpecElementType=\"c3\" isLive=\"true\""
        " transientFileWriteTicket=\"t5\"/>";
    EXPECT_EQ(written(record, "root"), root + attributes);
    ImportFromApplicationInputData1 const copy = roundTrip(record, typePrefix + "ImportFromApplicationInputData1");
    EXPECT_EQ((Strings{copy.getApplicationFormat(), copy.getSpecificationType(), copy.getCreateSpecElementType(),
                       copy.getTransientFileWriteTicket()}),
              (Strings{"csv1", "s2", "c3", "t5"}));
    EXPECT_TRUE(copy.getIsLive());
    ImportFromApplicationInputData1 flag;
    EXPECT_FALSE(flag.getIsLive());
    flag.setIsLive(true);
    EXPECT_TRUE(flag.getIsLive());

    ImportFromApplicationInput request;
    request.setInputArray({record});
    EXPECT_EQ(written(request, "root"), root + "><ns1:inputs" + attributes + "</ns1:root>");
    request.addInput(ImportFromApplicationInputData1(troublesome, "", "", false, ""));
    EXPECT_EQ(request.getInputArray()[1].getApplicationFormat(), troublesome);
    roundTrip(request, typePrefix + "ImportFromApplicationInput");
}
