// The import messages: record, request and response.

#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"

#include "MessageChecks.h"

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;

namespace {

Strings fields(ImportFromApplicationInputData const& record) {
    return {record.getApplicationFormat(), record.getCreateSpecElementType(), record.getTransientFileWriteTicket()};
}

}  // namespace

TEST(ImportFromApplication, FullRequestAndResponseComeBackMemberByMember) {
    ImportFromApplicationInput request;
    request.setInputArray({ImportFromApplicationInputData("A", troublesome, "a"), ImportFromApplicationInputData()});
    request.addInput(ImportFromApplicationInputData(troublesome, "C", ""));
    ImportFromApplicationInputData(request.getInputArray()[2]).setTransientFileWriteTicket("\xE2\x82\xAC");  // shared
    auto const records = roundTrip(request, typePrefix + "ImportFromApplicationInput").getInputArray();
    ASSERT_EQ(records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(fields(records[i]), fields(request.getInputArray()[i])) << i;
    auto const record = roundTrip(request.getInputArray()[2], typePrefix + "ImportFromApplicationInputData");
    EXPECT_EQ(fields(record), (Strings{troublesome, "C", "\xE2\x82\xAC"}));

    ServiceData serviceData;
    serviceData.addPartialError(troublesome);
    ImportFromApplicationResponse response(serviceData);
    response.setResultObjectArray({ModelObject("uid-1", troublesome)});
    response.addResultObject(ModelObject("uid-2"));
    ImportFromApplicationResponse const copy = roundTrip(response, typePrefix + "ImportFromApplicationResponse");
    expectSameObjects(copy.getResultObjectArray(), {ModelObject("uid-1", troublesome), ModelObject("uid-2")});
    EXPECT_EQ(copy.getServiceData().getPartialErrors(), Strings{troublesome});
    response.setServiceData(ServiceData());
    EXPECT_TRUE(response.getServiceData().getPartialErrors().empty());
}

TEST(ImportFromApplication, LiteralForms) {
    std::string const empty = " applicationFormat=\"\" createSpecElementType=\"\" transientFileWriteTicket=\"\"/>";
    EXPECT_EQ(written(ImportFromApplicationInputData(), "r"), "<ns1:r" + ns1 + empty);
    ImportFromApplicationInput request;
    request.addInput(ImportFromApplicationInputData());
    EXPECT_EQ(written(request, "r"), "<ns1:r" + ns1 + "><ns1:inputs" + empty + "</ns1:r>");
    // Service data is always written, last and unprefixed, in the message's namespace (declared as default);
    // business objects take the message's prefix and namespace.
    ImportFromApplicationResponse response;
    std::string const serviceData = "<ServiceData xmlns=\"" + uri2007 + "\"></ServiceData></ns1:r>";
    EXPECT_EQ(written(response, "r"), "<ns1:r" + ns1 + ns2 + ">" + serviceData);
    response.setResultObjectArray({ModelObject("u1", "T"), ModelObject("u2")});
    std::string const object = "<ns1:resultObjects uid=\"u";
    EXPECT_EQ(written(response, "r"),
              "<ns1:r" + ns1 + ns2 + ">" + object + "1\" type=\"T\"/>" + object + "2\" type=\"\"/>" + serviceData);
}

TEST(ImportFromApplication, ParsingSharingAndUnexpectedChildren) {
    expectRequestBehaviour<ImportFromApplicationInput>(ImportFromApplicationInputData("a", "", ""),
                                                       ImportFromApplicationInputData());

    // A record ignores its children; a response takes its children in any order, and no others.
    std::string const record = "<p:r" + prefixes + " applicationFormat='f'><p:x/><b:inputs/></p:r>";
    EXPECT_EQ(fields(readBack<ImportFromApplicationInputData>(record)), (Strings{"f", "", ""}));
    ImportFromApplicationResponse response;
    EXPECT_EQ(
        parseInto(response, "<p:r" + prefixes +
                                "><b:ServiceData><b:partialErrors message='m'/></b:ServiceData>"
                                "<p:resultObjects uid='1' type='T'/><p:resultObjects uid='2'/><serviceData/></p:r>"),
        "Unexpected node name: serviceData");
    expectSameObjects(response.getResultObjectArray(), {ModelObject("1", "T"), ModelObject("2")});
    EXPECT_EQ(response.getServiceData().getPartialErrors(), Strings{"m"});
}
