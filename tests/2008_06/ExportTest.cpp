// The 2008-06 export request, its records and their template overrides:
// member tables and accessors. What every member kind does is BindingTest's.

#include "importexport/2008_06/ExportToApplicationInput.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

TEST(Export2008, TemplateOverride) {
    TemplateOverride override("Item", "t", "i");  // each accessor reaches its own member
    override.setBusinessObjectType(override.getBusinessObjectType() + "1");
    override.setTemplateType(override.getTemplateType() + "2");
    override.setTemplateId(override.getTemplateId() + "3");
    EXPECT_EQ(written(override, "root"),
              root + " businessObjectType=\"Item1\" templateType=\"t2\" templateId=\"i3\"/>");
    TemplateOverride const copy = roundTrip(override, typePrefix + "TemplateOverride");
    EXPECT_EQ((Strings{copy.getBusinessObjectType(), copy.getTemplateType(), copy.getTemplateId()}),
              (Strings{"Item1", "t2", "i3"}));
}

TEST(Export2008, RecordAndRequest) {
    ExportToApplicationInputData1 record("xlsx", "t", "i");  // each accessor reaches its own member
    record.setApplicationFormat(record.getApplicationFormat() + "1");
    record.setTemplateType(record.getTemplateType() + "2");
    record.setTemplateId(record.getTemplateId() + "3");
    // Lists are written in member order, whatever the order of adding.
    record.setObjectTemplateOverrideArray({TemplateOverride("Folder", "excel", "f")});
    record.setAttributesToExportArray({"object_name"});
    record.setObjectsToExportArray({ModelObject("o1", "Item")});
    record.addObjectTemplateOverride(TemplateOverride());
    record.addAttributesToExport("item_id");
    record.addObjectsToExport(ModelObject("o2"));
    std::string const element =
        " applicationFormat=\"xlsx1\" templateType=\"t2\" templateId=\"i3\">"
        "<ns1:objectsToExport uid=\"o1\" type=\"Item\"/><ns1:objectsToExport uid=\"o2\" type=\"\"/>"
        "<ns1:attributesToExport>object_name</ns1:attributesToExport>"
        "<ns1:attributesToExport>item_id</ns1:attributesToExport>"
        "<ns1:objectTemplateOverride businessObjectType=\"Folder\" templateType=\"excel\" templateId=\"f\"/>"
        "<ns1:objectTemplateOverride businessObjectType=\"\" templateType=\"\" templateId=\"\"/>";
    EXPECT_EQ(written(record, "root"), rootWithBase + element + "</ns1:root>");
    ExportToApplicationInputData1 const copy = roundTrip(record, typePrefix + "ExportToApplicationInputData1");
    EXPECT_EQ((Strings{copy.getApplicationFormat(), copy.getTemplateType(), copy.getTemplateId()}),
              (Strings{"xlsx1", "t2", "i3"}));
    EXPECT_EQ(copy.getObjectsToExportArray()[1].getUid(), "o2");
    EXPECT_EQ(copy.getAttributesToExportArray()[1], "item_id");
    EXPECT_EQ(copy.getObjectTemplateOverrideArray()[0].getTemplateId(), "f");

    ExportToApplicationInput request;
    request.setInputArray({record});
    EXPECT_EQ(written(request, "root"), rootWithBase + "><ns1:inputs" + element + "</ns1:inputs></ns1:root>");
    request.addInput(ExportToApplicationInputData1(troublesome, "", ""));
    EXPECT_EQ(request.getInputArray()[1].getApplicationFormat(), troublesome);
    roundTrip(request, typePrefix + "ExportToApplicationInput");
}
