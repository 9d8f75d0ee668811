#pragma once

// What the tests of the 2007-06 messages share.

#include "support/RoundTrip.h"

namespace kxsoa_test {

inline std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
inline std::string const typePrefix = "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::";
// How an element "root" begins at the root: with its own namespace, and also the base one.
inline std::string const root = "<ns1:root xmlns:ns1=\"" + uri2007 + "\"";
inline std::string const rootWithBase = root + " xmlns:ns2=\"" + baseURI + "\"";

}  // namespace kxsoa_test
