// The 2008-06 messages: member tables and accessors of the export request,
// its records and their template overrides, of the import request and its
// records, and of the export template query (filter, request, configured
// template and response). What every member kind does is BindingTest's.

#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"

#include "Fixtures.h"

#include <vector>

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

using Flags = std::vector<bool>;

Flags flagsOf(ExportTemplateInput const& filter) {
    return {filter.getGetObjectTemplates(), filter.getGetSpecTemplates(), filter.getGetConfiguredObjectTemplate(),
            filter.getGetConfiguredSpecTemplate(), filter.getGetExcelTemplates()};
}

// The filter's five attributes, the one at `on` true, and the end of its empty element.
std::string flagAttributes(std::size_t on) {
    std::string text;
    std::size_t i = 0;
    for (char const* name : {"getObjectTemplates", "getSpecTemplates", "getConfiguredObjectTemplate",
                             "getConfiguredSpecTemplate", "getExcelTemplates"})
        text += std::string(" ") + name + (i++ == on ? "=\"true\"" : "=\"false\"");
    return text + "/>";
}

}  // namespace

TEST(Export2008, TemplateOverride) {
    TemplateOverride override("Item", "t", "i");  // each accessor reaches its own member
    override.setBusinessObjectType(override.getBusinessObjectType() + "1");
    override.setTemplateType(override.getTemplateType() + "2");
    override.setTemplateId(override.getTemplateId() + "3");
    EXPECT_EQ(written(override, "root"),
              root + " businessObjectType=\"Item1\" templateType=\"t2\" templateId=\"i3\"/>");
    roundTrip(override, typePrefix + "TemplateOverride");
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
    roundTrip(record, typePrefix + "ExportToApplicationInputData1");

    ExportToApplicationInput request;
    request.setInputArray({record});
    EXPECT_EQ(written(request, "root"), rootWithBase + "><ns1:inputs" + element + "</ns1:inputs></ns1:root>");
    request.addInput(ExportToApplicationInputData1(troublesome, "", ""));
    EXPECT_EQ(request.getInputArray()[1].getApplicationFormat(), troublesome);
    roundTrip(request, typePrefix + "ExportToApplicationInput");
}

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
    roundTrip(record, typePrefix + "ImportFromApplicationInputData1");
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

TEST(TemplateQuery2008, EachFilterFlagTravelsAloneInItsPosition) {
    EXPECT_EQ(written(ExportTemplateInput(), "root"), root + flagAttributes(5));
    for (std::size_t i = 0; i < 5; ++i) {
        Flags expected(5, false);
        expected[i] = true;
        ExportTemplateInput const filter(expected[0], expected[1], expected[2], expected[3], expected[4]);
        EXPECT_EQ(written(filter, "root"), root + flagAttributes(i));
        EXPECT_EQ(flagsOf(roundTrip(filter, typePrefix + "ExportTemplateInput")), expected) << i;
    }
    ExportTemplateInput filter(true, false, true, false, true);  // each setter flips its own flag
    filter.setGetObjectTemplates(false);
    filter.setGetSpecTemplates(true);
    filter.setGetConfiguredObjectTemplate(false);
    filter.setGetConfiguredSpecTemplate(true);
    filter.setGetExcelTemplates(false);
    EXPECT_EQ(flagsOf(filter), (Flags{false, true, false, true, false}));
}

TEST(TemplateQuery2008, RequestHoldsItsFilter) {
    ExportTemplateInput filter(false, true, false, false, false);
    GetExportTemplatesInput request(filter);
    EXPECT_EQ(written(request, "root"), root + "><ns1:filter" + flagAttributes(1) + "</ns1:root>");
    EXPECT_EQ(flagsOf(roundTrip(request, typePrefix + "GetExportTemplatesInput").getFilter()), flagsOf(filter));
    request.setFilter(ExportTemplateInput());
    request.getFilter().setGetExcelTemplates(true);
    EXPECT_EQ(flagsOf(request.getFilter()), (Flags{false, false, false, false, true}));
}

TEST(TemplateQuery2008, ConfiguredTemplateAndResponse) {
    ConfiguredTemplate configured("Item", "n", "t");  // each accessor reaches its own member
    configured.setBusinessObjectType(configured.getBusinessObjectType() + "1");
    configured.setTemplateName(configured.getTemplateName() + "2");
    configured.setTemplateType(configured.getTemplateType() + "3");
    std::string const attributes = " businessObjectType=\"Item1\" templateName=\"n2\" templateType=\"t3\"/>";
    std::string const empty = " businessObjectType=\"\" templateName=\"\" templateType=\"\"/>";
    EXPECT_EQ(written(configured, "root"), root + attributes);
    roundTrip(configured, typePrefix + "ConfiguredTemplate");

    GetExportTemplateResponse response(ServiceData{});
    response.setServiceData(fullServiceData());
    // Lists are written in member order, whatever the order of adding.
    response.setConfiguredObjectTemplateArray({ConfiguredTemplate("Folder", "co", "excel")});
    response.setConfiguredSpecTemplateArray({configured});
    response.setExcelTemplateArray({"x1"});
    response.setObjectTemplatArray({"o1"});
    response.setSpecTemplateArray({"s1"});
    response.addSpecTemplate("s2");
    response.addObjectTemplat("o2");
    response.addExcelTemplate("x2");
    response.addConfiguredSpecTemplate(ConfiguredTemplate());
    response.addConfiguredObjectTemplate(ConfiguredTemplate());
    EXPECT_EQ(written(response, "root"),
              rootWithBase +
                  "><ns1:specTemplates>s1</ns1:specTemplates><ns1:specTemplates>s2</ns1:specTemplates>"
                  "<ns1:objectTemplats>o1</ns1:objectTemplats><ns1:objectTemplats>o2</ns1:objectTemplats>"
                  "<ns1:excelTemplates>x1</ns1:excelTemplates><ns1:excelTemplates>x2</ns1:excelTemplates>"
                  "<ns1:configuredSpecTemplates" +
                  attributes + "<ns1:configuredSpecTemplates" + empty +
                  "<ns1:configuredObjectTemplates businessObjectType=\"Folder\" templateName=\"co\""
                  " templateType=\"excel\"/><ns1:configuredObjectTemplates" +
                  empty + fullServiceDataElement(schemaURI) + "</ns1:root>");
    GetExportTemplateResponse const read = roundTrip(response, typePrefix + "GetExportTemplateResponse");
    EXPECT_EQ(read.getSpecTemplateArray(), (Strings{"s1", "s2"}));
    EXPECT_EQ(read.getObjectTemplatArray(), (Strings{"o1", "o2"}));
    EXPECT_EQ(read.getExcelTemplateArray(), (Strings{"x1", "x2"}));
    EXPECT_EQ(read.getConfiguredSpecTemplateArray()[0].getTemplateName(), "n2");
    EXPECT_EQ(read.getConfiguredObjectTemplateArray()[0].getTemplateName(), "co");
    EXPECT_EQ(read.getServiceData().getPartialErrors().size(), 2u);
}
