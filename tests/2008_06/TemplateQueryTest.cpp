// The 2008-06 export template query: filter, request and response.

#include "importexport/2008_06/ConfiguredTemplate.h"
#include "importexport/2008_06/ExportTemplateInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"

#include "Fixtures.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Flags = std::vector<bool>;

Flags flagsOf(ExportTemplateInput const& filter) {
    return {filter.getGetObjectTemplates(), filter.getGetSpecTemplates(), filter.getGetConfiguredObjectTemplate(),
            filter.getGetConfiguredSpecTemplate(), filter.getGetExcelTemplates()};
}

std::string describe(ConfiguredTemplate const& t) {
    return joined({t.getBusinessObjectType(), t.getTemplateName(), t.getTemplateType()});
}
std::string describe(GetExportTemplateResponse const& r) {
    auto const configured = [](ConfiguredTemplate const& t) { return describe(t); };
    return joined(r.getSpecTemplateArray()) + joined(r.getObjectTemplatArray()) + joined(r.getExcelTemplateArray()) +
           joined(r.getConfiguredSpecTemplateArray(), configured) +
           joined(r.getConfiguredObjectTemplateArray(), configured) + joined(r.getServiceData().getPartialErrors()) +
           joined(r.getServiceData().getUpdatedObjects(), [](ModelObject const& o) { return o.getUid(); });
}

std::string const responseStart = rootStart + " xmlns:ns2=\"" + baseURI + "\">";
std::string const serviceDataElement = "<ServiceData xmlns=\"" + schemaURI + "\"></ServiceData></ns1:e>";

// The filter's five attributes, each with the text `v`, and the end of its empty element.
std::string allFlags(std::string const& v) {
    return " getObjectTemplates=\"" + v + "\" getSpecTemplates=\"" + v + "\" getConfiguredObjectTemplate=\"" + v +
           "\" getConfiguredSpecTemplate=\"" + v + "\" getExcelTemplates=\"" + v + "\"/>";
}

}  // namespace

TEST(TemplateQuery2008, EachFilterFlagTravelsAloneInItsPosition) {
    EXPECT_EQ(written(ExportTemplateInput(), "e"), rootStart + allFlags("false"));
    EXPECT_EQ(written(ExportTemplateInput(true, true, true, true, true), "e"), rootStart + allFlags("true"));
    for (std::size_t i = 0; i < 5; ++i) {
        Flags expected(5, false);
        expected[i] = true;
        ExportTemplateInput const filter(expected[0], expected[1], expected[2], expected[3], expected[4]);
        EXPECT_EQ(flagsOf(filter), expected) << i;
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

TEST(TemplateQuery2008, RequestWritesItsFilterOnceAndReadsIntoTheSharedOne) {
    EXPECT_EQ(written(GetExportTemplatesInput(), "e"), rootStart + "><ns1:filter" + allFlags("false") + "</ns1:e>");
    ExportTemplateInput filter(false, true, false, false, false);
    GetExportTemplatesInput const request(filter);
    filter.setGetExcelTemplates(true);  // seen through the request
    EXPECT_EQ(flagsOf(roundTrip(request, typePrefix + "GetExportTemplatesInput").getFilter()),
              (Flags{false, true, false, false, true}));

    GetExportTemplatesInput other;
    other.setFilter(filter);
    readInto(other, element("<f:filter getObjectTemplates='true' getSpecTemplates='true'/>"
                            "<f:filter getConfiguredSpecTemplate='true'/>"));
    EXPECT_EQ(flagsOf(filter), (Flags{false, false, false, true, false}));  // the second child overwrote all five
    other.getFilter().setGetExcelTemplates(true);
    EXPECT_TRUE(request.getFilter().getGetExcelTemplates());

    EXPECT_EQ(parseInto(other, element("<f:filter/><f:Filter/>")), "Unexpected node name: Filter");
    EXPECT_FALSE(filter.getGetExcelTemplates());
    EXPECT_EQ(parseInto(other, element("<f:filters/>")), "Unexpected node name: filters");
}

TEST(TemplateQuery2008, ResponseAndConfiguredTemplateComeBackMemberByMember) {
    ConfiguredTemplate configured("Item", troublesome, "t");  // each accessor reaches its own member
    configured.setBusinessObjectType(configured.getBusinessObjectType() + "1");
    configured.setTemplateName(configured.getTemplateName() + "2");
    configured.setTemplateType(configured.getTemplateType() + "3");
    EXPECT_EQ(describe(configured), "Item1|" + troublesome + "2|t3|");
    EXPECT_EQ(describe(roundTrip(configured, typePrefix + "ConfiguredTemplate")), describe(configured));

    ServiceData serviceData;
    serviceData.addPartialError(troublesome);
    serviceData.addUpdatedObject(ModelObject("uid-3", "Item"));
    GetExportTemplateResponse response(ServiceData{});
    response.setServiceData(serviceData);
    response.setSpecTemplateArray({"spec", troublesome});
    response.setObjectTemplatArray({"object"});
    response.setExcelTemplateArray({""});
    response.setConfiguredSpecTemplateArray({ConfiguredTemplate("B", "N", "T")});
    response.setConfiguredObjectTemplateArray({ConfiguredTemplate(), configured});
    EXPECT_EQ(describe(response), "spec|" + troublesome + "|object||[B|N|T|][|||][" + describe(configured) + "]" +
                                      troublesome + "|[uid-3]");
    EXPECT_EQ(describe(roundTrip(response, typePrefix + "GetExportTemplateResponse")), describe(response));
    EXPECT_EQ(describe(GetExportTemplateResponse(serviceData)), troublesome + "|[uid-3]");
}

TEST(TemplateQuery2008, ResponseListsAreWrittenInMemberOrder) {
    GetExportTemplateResponse response;
    EXPECT_EQ(written(response, "e"), responseStart + serviceDataElement);
    response.addExcelTemplate("x");
    response.addSpecTemplate("s1");
    response.addConfiguredObjectTemplate(ConfiguredTemplate("B", "N", "T"));
    response.addSpecTemplate("s2");
    response.addObjectTemplat("o&");
    response.addConfiguredSpecTemplate(ConfiguredTemplate());
    EXPECT_EQ(written(response, "e"),
              responseStart +
                  "<ns1:specTemplates>s1</ns1:specTemplates><ns1:specTemplates>s2</ns1:specTemplates>"
                  "<ns1:objectTemplats>o&amp;</ns1:objectTemplats><ns1:excelTemplates>x</ns1:excelTemplates>"
                  "<ns1:configuredSpecTemplates businessObjectType=\"\" templateName=\"\" templateType=\"\"/>"
                  "<ns1:configuredObjectTemplates businessObjectType=\"B\" templateName=\"N\" templateType=\"T\"/>" +
                  serviceDataElement);
}

TEST(TemplateQuery2008, ResponseReadsInterleavedChildrenAndRefusesOthers) {
    GetExportTemplateResponse response;
    response.addExcelTemplate("kept");
    readInto(response, element("<f:excelTemplates>x1</f:excelTemplates><f:specTemplates>s</f:specTemplates>"
                               "<f:configuredSpecTemplates templateName='c'/><b:ServiceData/>"
                               "<f:excelTemplates>x2</f:excelTemplates><f:objectTemplats>o</f:objectTemplats>"));
    EXPECT_EQ(describe(response), "s|o|kept|x1|x2|[|c||]");  // spec, object, Excel names, configured spec

    EXPECT_EQ(
        parseInto(response, element("<f:specTemplates>t</f:specTemplates><f:objectTemplates>o</f:objectTemplates>")),
        "Unexpected node name: objectTemplates");
    EXPECT_EQ(joined(response.getSpecTemplateArray()), "s|t|");
}

TEST(TemplateQuery2008, ACloneSharesConfiguredTemplatesButNotNameLists) {
    GetExportTemplateResponse response;
    response.addSpecTemplate("s");
    ConfiguredTemplate configured("B", "N", "T");
    response.addConfiguredSpecTemplate(configured);
    GetExportTemplateResponse clone = response;
    clone.ensureUnShared();
    clone.addSpecTemplate("only in the clone");
    configured.setTemplateName("renamed");
    EXPECT_EQ(describe(response), "s|[B|renamed|T|]");
    EXPECT_EQ(describe(clone), "s|only in the clone|[B|renamed|T|]");
}
