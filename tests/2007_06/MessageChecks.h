#pragma once

// Shared by the tests of both 2007-06 message families, with the checks that hold alike for both requests.

#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"
#include "support/Xmllint.h"

#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XmlDocument.h"

#include <gtest/gtest.h>

#include <utility>

namespace kxsoa_test {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Strings = std::vector<std::string>;
using Namespaces = std::set<std::string>;

inline std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
inline std::string const typePrefix = "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::";
// The declarations the writer puts on a root, and the prefixes p and b for hand-written documents.
inline std::string const ns1 = " xmlns:ns1=\"" + uri2007 + "\"";
inline std::string const ns2 = " xmlns:ns2=\"" + baseURI + "\"";
inline std::string const prefixes = " xmlns:p='" + uri2007 + "' xmlns:b='" + baseURI + "'";

inline void expectSameObjects(std::vector<ModelObject> const& a, std::vector<ModelObject> const& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(std::make_pair(a[i].getUid(), a[i].getType()), std::make_pair(b[i].getUid(), b[i].getType())) << i;
}

// What both requests do alike. `a` and `b` are records of the request's kind; namespaces that `b` brings
// must not reach the root, since only the first record is asked.
template <class Request, class Record>
void expectRequestBehaviour(Record a, Record const& b) {
    Request request;
    EXPECT_EQ(written(request, "r"), "<ns1:r" + ns1 + "></ns1:r>");
    request.addInput(a);
    a.setApplicationFormat("changed");  // the request holds the caller's record
    Request copy = request;             // and a copy of the request shares its list
    copy.addInput(b);
    EXPECT_EQ(namespacesOf(request, {"urn:kept"}), (Namespaces{"urn:kept", uri2007}));

    // Parsing appends: an element without children adds nothing, the same element twice adds twice.
    std::string const xml = written(request, "r");
    EXPECT_EQ(parseInto(copy, "<r/>"), "(no DomException)");
    parseInto(copy, xml);
    parseInto(copy, xml);
    ASSERT_EQ(request.getInputArray().size(), 6u);
    EXPECT_EQ(request.getInputArray()[4].getApplicationFormat(), "changed");

    // Only "inputs" children: another name stops the parse, keeping what came before.
    Request partial;
    for (std::string const name : {"input", "Inputs", "ServiceData"})
        EXPECT_EQ(parseInto(partial, "<p:r" + prefixes + "><p:inputs applicationFormat='" + name + "'/><p:" + name +
                                         "/><p:inputs/></p:r>"),
                  "Unexpected node name: " + name);
    ASSERT_EQ(partial.getInputArray().size(), 3u);
    EXPECT_EQ(partial.getInputArray()[1].getApplicationFormat(), "Inputs");
}

}  // namespace kxsoa_test
