// Requests and records carried between the versions, member by member by XML
// name: the members 2008-06 added refused (or dropped) on the way back when
// they hold values; and the same carrying between any two types, for every
// kind of member. (The tool's convert tests carry every pair both ways.)

#include "2008_06/Fixtures.h"

#include "importexport/2008_06/ConfiguredTemplate.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/VersionPairs.h"
#include "xml/Sample.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kxsoa_test;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::carry;
using Kestrune::Soa::Common::Xml::downgrade;
using Kestrune::Soa::Common::Xml::HandleAccess;
using Kestrune::Soa::Common::Xml::makeSample;
using Kestrune::Soa::Common::Xml::Unmatched;
using Kestrune::Soa::Common::Xml::UnmatchedMembers;
using Kestrune::Soa::Common::Xml::upgrade;

namespace {

// The paths that carrying refuses, or "(carried)".
Strings refused(std::function<void()> const& carrying) {
    try {
        carrying();
    } catch (UnmatchedMembers const& e) {
        return e.paths();
    }
    return {"(carried)"};
}

template <class Handle>
bool sameObject(Handle const& a, Handle const& b) {
    return &HandleAccess::object(a) == &HandleAccess::object(b);
}

}  // namespace

// Which members a record refuses, one by one, the tool's tests see (its
// messages name them); here the exception's own message, over records.
TEST(Conversion, DowngradeNamesEveryAddedMemberThatHoldsAValueAndDropsThemWhenAsked) {
    v08::ExportToApplicationInput exports = upgrade(makeSample<v07::ExportToApplicationInput>(3));
    v08::ExportToApplicationInputData1 first = exports.getInputArray()[0], third = exports.getInputArray()[2];
    first.setTemplateType("excel");
    third.addObjectTemplateOverride(v08::TemplateOverride());
    third.addObjectTemplateOverride(v08::TemplateOverride());
    try {
        downgrade(exports);
        ADD_FAILURE() << "downgraded";
    } catch (UnmatchedMembers const& e) {
        EXPECT_EQ(
            e.getMessage(),
            "the 2008-06 ExportToApplicationInput holds values in members that the 2007-06 "
            "ExportToApplicationInput does not have: inputs[0].templateType, "
            "inputs[2].objectTemplateOverride[0], inputs[2].objectTemplateOverride[1] (Unmatched::Drop drops them)");
    }
    EXPECT_TRUE(sameContent(makeSample<v07::ExportToApplicationInput>(3), downgrade(exports, Unmatched::Drop)));
}

// Every kind of member, carried into a type of the same members and into
// one that has none of them.
TEST(Conversion, CarryingBetweenAnyTypesCarriesEveryKindAndNamesWhatHasNowhereToGo) {
    auto const response = makeSample<v08::GetExportTemplateResponse>(2);
    auto const copy = carry<v08::GetExportTemplateResponse>(response);
    EXPECT_TRUE(sameContent(response, copy));
    EXPECT_FALSE(sameObject(copy.getServiceData(), response.getServiceData()));  // structures are new
    EXPECT_FALSE(sameObject(copy.getConfiguredSpecTemplateArray()[0], response.getConfiguredSpecTemplateArray()[0]));
    EXPECT_TRUE(
        sameObject(copy.getServiceData().getUpdatedObjects()[1], response.getServiceData().getUpdatedObjects()[1]));
    auto const query = makeSample<v08::GetExportTemplatesInput>(1);
    auto const queried = carry<v08::GetExportTemplatesInput>(query);
    EXPECT_TRUE(sameContent(query, queried));
    EXPECT_FALSE(sameObject(queried.getFilter(), query.getFilter()));
    EXPECT_EQ(
        refused([&] { carry<v08::TemplateOverride>(response); }),
        (Strings{"specTemplates[0]", "specTemplates[1]", "objectTemplats[0]", "objectTemplats[1]", "excelTemplates[0]",
                 "excelTemplates[1]", "configuredSpecTemplates[0]", "configuredSpecTemplates[1]",
                 "configuredObjectTemplates[0]", "configuredObjectTemplates[1]", "ServiceData.partialErrors[0]",
                 "ServiceData.partialErrors[1]", "ServiceData.updatedObjects[0]", "ServiceData.updatedObjects[1]"}));
    EXPECT_EQ(refused([&] { carry<v08::TemplateOverride>(query); }),
              (Strings{"filter.getObjectTemplates", "filter.getSpecTemplates", "filter.getConfiguredObjectTemplate",
                       "filter.getConfiguredSpecTemplate", "filter.getExcelTemplates"}));
    EXPECT_EQ(refused([&] { carry<v08::TemplateOverride>(v08::GetExportTemplatesInput()); }), Strings{"(carried)"});
    // Members of one name carried, the others refused: a configured template
    // has no "templateId", an override no "templateName".
    v08::ConfiguredTemplate const configured("Item", "name", "excel");
    EXPECT_EQ(refused([&] { carry<v08::TemplateOverride>(configured); }), Strings{"templateName"});
    v08::TemplateOverride const carried = carry<v08::TemplateOverride>(configured, Unmatched::Drop);
    EXPECT_TRUE(sameContent(v08::TemplateOverride("Item", "excel", ""), carried));
}
