// The export messages: record, request and response.

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"

#include "MessageChecks.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

namespace {

ExportToApplicationInputData recordWithEverything() {
    ExportToApplicationInputData record(troublesome, "");
    record.setTemplateId("\xE2\x82\xAC");
    record.setAttributesToExportArray({troublesome});
    record.setObjectsToExportArray({ModelObject("uid-1", "Item")});
    record.addAttributesToExport("");
    record.addObjectsToExport(ModelObject(troublesome));
    return record;
}

void expectEverything(ExportToApplicationInputData const& record) {
    EXPECT_EQ((Strings{record.getApplicationFormat(), record.getTemplateId()}), (Strings{troublesome, "\xE2\x82\xAC"}));
    expectSameObjects(record.getObjectsToExportArray(), {ModelObject("uid-1", "Item"), ModelObject(troublesome)});
    EXPECT_EQ(record.getAttributesToExportArray(), (Strings{troublesome, ""}));
}

}  // namespace

TEST(ExportToApplication, FullRequestAndResponseComeBackMemberByMember) {
    ExportToApplicationInput request;
    request.setInputArray({recordWithEverything(), ExportToApplicationInputData("f", "t")});
    EXPECT_EQ(namespacesOf(request), (Namespaces{uri2007, baseURI}));
    auto const records = roundTrip(request, typePrefix + "ExportToApplicationInput").getInputArray();
    ASSERT_EQ(records.size(), 2u);
    expectEverything(records[0]);
    EXPECT_EQ((Strings{records[1].getApplicationFormat(), records[1].getTemplateId()}), (Strings{"f", "t"}));
    expectEverything(roundTrip(recordWithEverything(), typePrefix + "ExportToApplicationInputData"));

    ServiceData serviceData;
    serviceData.addPartialError(troublesome);
    ExportToApplicationResponse response(serviceData);
    response.setTransientFileReadTicketArray({troublesome, ""});
    response.addTransientFileReadTicket("t3");
    ExportToApplicationResponse const copy = roundTrip(response, typePrefix + "ExportToApplicationResponse");
    EXPECT_EQ(copy.getTransientFileReadTicketArray(), (Strings{troublesome, "", "t3"}));
    EXPECT_EQ(copy.getServiceData().getPartialErrors(), Strings{troublesome});
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
}

TEST(ExportToApplication, LiteralForms) {
    EXPECT_EQ(written(ExportToApplicationInputData(), "r"),
              "<ns1:r" + ns1 + " applicationFormat=\"\" templateId=\"\"></ns1:r>");
    ExportToApplicationInputData record("f", "t");  // business objects first, whatever the order of adding
    record.addAttributesToExport("b<&>");
    record.addObjectsToExport(ModelObject("u1", "T"));
    record.addAttributesToExport("");
    EXPECT_EQ(written(record, "r"), "<ns1:r" + ns1 + ns2 +
                                        " applicationFormat=\"f\" templateId=\"t\">"
                                        "<ns1:objectsToExport uid=\"u1\" type=\"T\"/>"
                                        "<ns1:attributesToExport>b&lt;&amp;&gt;</ns1:attributesToExport>"
                                        "<ns1:attributesToExport></ns1:attributesToExport></ns1:r>");
    ExportToApplicationResponse response;
    response.addTransientFileReadTicket("t\"1\"");
    EXPECT_EQ(written(response, "r"), "<ns1:r" + ns1 + ns2 +
                                          "><ns1:transientFileReadTickets>t&quot;1&quot;"
                                          "</ns1:transientFileReadTickets><ServiceData xmlns=\"" +
                                          uri2007 + "\"></ServiceData></ns1:r>");
}

TEST(ExportToApplication, ParsingSharingAndUnexpectedChildren) {
    expectRequestBehaviour<ExportToApplicationInput>(ExportToApplicationInputData("a", ""), recordWithEverything());

    // Interleaved children each go to their own list, in document order.
    std::string const xml = "<p:r" + prefixes +
                            "><p:attributesToExport>b</p:attributesToExport><b:objectsToExport "
                            "uid='o1'/><p:attributesToExport>a &amp; c</p:attributesToExport><p:objectsToExport "
                            "uid='o2'/></p:r>";
    ExportToApplicationInputData record;
    parseInto(record, xml);
    EXPECT_EQ(record.getAttributesToExportArray(), (Strings{"b", "a & c"}));
    expectSameObjects(record.getObjectsToExportArray(), {ModelObject("o1"), ModelObject("o2")});

    // An unexpected child inside a record ends the parse of the whole request; the records before it stay.
    ExportToApplicationInput request;
    EXPECT_EQ(parseInto(request, "<p:r" + prefixes +
                                     "><p:inputs templateId='1'/><p:inputs templateId='2'>"
                                     "<p:attributesToExport/><p:attributeToExport/></p:inputs></p:r>"),
              "Unexpected node name: attributeToExport");
    ASSERT_EQ(request.getInputArray().size(), 1u);
    EXPECT_EQ(request.getInputArray()[0].getTemplateId(), "1");
    ExportToApplicationResponse response;
    EXPECT_EQ(parseInto(response, "<p:r" + prefixes +
                                      "><b:ServiceData/><p:transientFileReadTickets>t1"
                                      "</p:transientFileReadTickets><p:transientFileReadTicket/></p:r>"),
              "Unexpected node name: transientFileReadTicket");
    EXPECT_EQ(response.getTransientFileReadTicketArray(), Strings{"t1"});
}
