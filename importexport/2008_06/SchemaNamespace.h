#pragma once

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

// The namespace of the 2008-06 schema version.
inline constexpr char schemaNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/ImportExport/2008-06/FileImportExport");

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
