#pragma once

// What the tests of the 2008-06 messages share.

#include "support/RoundTrip.h"

namespace kxsoa_test {

inline std::string const schemaURI = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
inline std::string const typePrefix = "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::";
// How an element "root" begins at the root: with its own namespace, and also the base one.
inline std::string const root = "<ns1:root xmlns:ns1=\"" + schemaURI + "\"";
inline std::string const rootWithBase = root + " xmlns:ns2=\"" + baseURI + "\"";

}  // namespace kxsoa_test
