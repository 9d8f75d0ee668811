#include "importexport/2007_06/SchemaNamespace.h"

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

char const schemaNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/ImportExport/2007-06/FileImportExport");

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
