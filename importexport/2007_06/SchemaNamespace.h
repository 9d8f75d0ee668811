#pragma once

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

// The namespace of the 2007-06 schema version.
inline constexpr char schemaNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/ImportExport/2007-06/FileImportExport");

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
