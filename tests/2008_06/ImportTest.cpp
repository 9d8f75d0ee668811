// The 2008-06 import request and its records.

#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

using Record = ImportFromApplicationInputData1;

std::string describe(Record const& r) {
    return joined({r.getApplicationFormat(), r.getSpecificationType(), r.getCreateSpecElementType(),
                   r.getIsLive() ? "live" : "not live", r.getTransientFileWriteTicket()});
}
std::string describe(ImportFromApplicationInput const& request) {
    return joined(request.getInputArray(), [](Record const& r) { return describe(r); });
}

}  // namespace

TEST(Import2008, RequestAndRecordComeBackMemberByMember) {
    Record record(troublesome, "s", "c", false, "t");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setSpecificationType(record.getSpecificationType() + "2");
    record.setCreateSpecElementType(record.getCreateSpecElementType() + "3");
    record.setIsLive(true);
    record.setTransientFileWriteTicket(record.getTransientFileWriteTicket() + "5");
    EXPECT_EQ(describe(record), troublesome + "1|s2|c3|live|t5|");
    EXPECT_EQ(describe(roundTrip(record, typePrefix + "ImportFromApplicationInputData1")), describe(record));

    EXPECT_EQ(describe(Record()), "|||not live||");
    ImportFromApplicationInput request;
    request.setInputArray({record, Record()});
    request.addInput(Record("csv", "", troublesome, false, troublesome));
    ImportFromApplicationInput const copy = roundTrip(request, typePrefix + "ImportFromApplicationInput");
    EXPECT_EQ(describe(copy), describe(request));
    EXPECT_EQ(copy.getInputArray().size(), 3u);
}

TEST(Import2008, LiteralForms) {
    // Each constructor argument lands in its own attribute, the flag fourth.
    EXPECT_EQ(written(Record("a&b", "s", "c", true, "t"), "e"),
              rootStart +
                  " applicationFormat=\"a&amp;b\" specificationType=\"s\" createSpecElementType=\"c\""
                  " isLive=\"true\" transientFileWriteTicket=\"t\"/>");
    ImportFromApplicationInput request;
    EXPECT_EQ(written(request, "e"), rootStart + "></ns1:e>");
    Record record("f", "s", "c", false, "t");
    request.addInput(record);
    record.setIsLive(true);  // the request shares the record
    EXPECT_EQ(written(request, "e"), rootStart +
                                         "><ns1:inputs applicationFormat=\"f\" specificationType=\"s\""
                                         " createSpecElementType=\"c\" isLive=\"true\" transientFileWriteTicket=\"t\"/>"
                                         "</ns1:e>");
}

TEST(Import2008, ReadingKeepsRecordsAndRefusesUnexpectedChildren) {
    ImportFromApplicationInput request;
    request.addInput(Record("kept", "", "", false, ""));
    EXPECT_EQ(parseInto(request, element("<f:inputs isLive='1' applicationFormat='read'/><f:input/><f:inputs/>")),
              "Unexpected node name: input");
    EXPECT_EQ(describe(request), "[kept|||not live||][read|||live||]");
    EXPECT_EQ(parseInto(request, element("<f:Inputs/>")), "Unexpected node name: Inputs");
}
