// The 2008-06 export request, its records and their template overrides.

#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/TemplateOverride.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

using Record = ExportToApplicationInputData1;

std::string describe(TemplateOverride const& o) {
    return joined({o.getBusinessObjectType(), o.getTemplateType(), o.getTemplateId()});
}
std::string describe(Record const& r) {
    return joined({r.getApplicationFormat(), r.getTemplateType(), r.getTemplateId()}) +
           joined(r.getObjectsToExportArray(), [](ModelObject const& o) { return o.getUid() + "/" + o.getType(); }) +
           joined(r.getAttributesToExportArray()) +
           joined(r.getObjectTemplateOverrideArray(), [](TemplateOverride const& o) { return describe(o); });
}

}  // namespace

TEST(Export2008, RequestRecordAndOverrideComeBackMemberByMember) {
    TemplateOverride override("Item", "t", troublesome);  // each accessor reaches its own member
    override.setBusinessObjectType(override.getBusinessObjectType() + "1");
    override.setTemplateType(override.getTemplateType() + "2");
    override.setTemplateId(override.getTemplateId() + "3");
    EXPECT_EQ(describe(override), "Item1|t2|" + troublesome + "3|");
    EXPECT_EQ(describe(roundTrip(override, typePrefix + "TemplateOverride")), describe(override));

    Record full(troublesome, "t", "i");
    full.setApplicationFormat(full.getApplicationFormat() + "1");
    full.setTemplateType(full.getTemplateType() + "2");
    full.setTemplateId(full.getTemplateId() + "3");
    full.setObjectsToExportArray({ModelObject("uid-1", "Item"), ModelObject(troublesome)});
    full.setAttributesToExportArray({"object_name", troublesome, ""});
    full.setObjectTemplateOverrideArray({override, TemplateOverride()});
    EXPECT_EQ(describe(full), troublesome + "1|t2|i3|[uid-1/Item][" + troublesome + "/]object_name|" + troublesome +
                                  "||[" + describe(override) + "][|||]");
    EXPECT_EQ(describe(roundTrip(full, typePrefix + "ExportToApplicationInputData1")), describe(full));
    ExportToApplicationInput request;
    request.addInput(full);
    request.addInput(Record("csv", "", ""));
    ExportToApplicationInput const copy = roundTrip(request, typePrefix + "ExportToApplicationInput");
    ASSERT_EQ(copy.getInputArray().size(), 2u);
    EXPECT_EQ(describe(copy.getInputArray()[0]), describe(full));
    EXPECT_EQ(describe(copy.getInputArray()[1]), "csv|||");
}

TEST(Export2008, ListsAreWrittenInMemberOrderWhateverTheOrderOfAdding) {
    EXPECT_EQ(written(TemplateOverride(), "e"),
              rootStart + " businessObjectType=\"\" templateType=\"\" templateId=\"\"/>");
    Record record("xlsx", "t", "7");
    EXPECT_EQ(written(record, "e"),
              rootStart + " applicationFormat=\"xlsx\" templateType=\"t\" templateId=\"7\"></ns1:e>");
    TemplateOverride override("Item", "ExcelTemplate", "old");
    record.addObjectTemplateOverride(override);
    record.addAttributesToExport("a<b");
    record.addObjectsToExport(ModelObject("u1", "Item"));
    record.addAttributesToExport("name");
    override.setTemplateId("new");  // the record shares the override
    EXPECT_EQ(written(record, "e"),
              rootStart + " xmlns:ns2=\"" + baseURI +
                  "\" applicationFormat=\"xlsx\" templateType=\"t\" templateId=\"7\">" +
                  "<ns1:objectsToExport uid=\"u1\" type=\"Item\"/>"
                  "<ns1:attributesToExport>a&lt;b</ns1:attributesToExport>"
                  "<ns1:attributesToExport>name</ns1:attributesToExport>"
                  "<ns1:objectTemplateOverride businessObjectType=\"Item\" templateType=\"ExcelTemplate\""
                  " templateId=\"new\"/></ns1:e>");
}

TEST(Export2008, InterleavedChildrenGoToTheirListsAndUnexpectedOnesAreRefused) {
    Record record("before", "before", "before");
    readInto(record,
             element("<f:objectTemplateOverride templateId='3'/>"
                     "<f:attributesToExport>first &amp; more</f:attributesToExport><b:objectsToExport uid='u1'/>"
                     "<f:attributesToExport>second</f:attributesToExport>",
                     " applicationFormat='csv' templateType='t' templateId='9'"));
    EXPECT_EQ(describe(record), "csv|t|9|[u1/]first & more|second|[||3|]");

    EXPECT_EQ(parseInto(record, element("<f:attributesToExport>kept</f:attributesToExport><f:objectTemplateOverrides/>",
                                        " templateType='read'")),
              "Unexpected node name: objectTemplateOverrides");
    EXPECT_EQ(record.getTemplateType(), "read");
    EXPECT_EQ(record.getAttributesToExportArray().back(), "kept");
    ExportToApplicationInput request;
    EXPECT_EQ(parseInto(request, element("<f:inputs/><f:input/>")), "Unexpected node name: input");
    EXPECT_EQ(request.getInputArray().size(), 1u);
}

TEST(Export2008, NamespacesComeFromTheFirstEntriesOnly) {
    ExportToApplicationInput request;
    EXPECT_EQ(namespacesOf(request), std::set<std::string>{schemaURI});
    Record withObject;
    withObject.addObjectsToExport(ModelObject("u"));
    request.setInputArray({Record(), withObject});
    EXPECT_EQ(namespacesOf(request), std::set<std::string>{schemaURI});
    request.setInputArray({withObject, Record()});
    EXPECT_EQ(namespacesOf(request), (std::set<std::string>{schemaURI, baseURI}));
}
