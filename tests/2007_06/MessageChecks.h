#pragma once

// What the tests of both 2007-06 message families share.

#include "support/RoundTrip.h"

#include "host/ModelObject.h"
#include "host/ServiceData.h"

#include <gtest/gtest.h>

namespace kxsoa_test {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Strings = std::vector<std::string>;  // the const getters of a read-back object, in member order

inline std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
inline std::string const typePrefix = "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::";
// How an element "root" begins at the root: with its own namespace, and also the base one.
inline std::string const root = "<ns1:root xmlns:ns1=\"" + uri2007 + "\"";
inline std::string const rootWithBase = root + " xmlns:ns2=\"" + baseURI + "\"";

}  // namespace kxsoa_test
