#include "importexport/2008_06/SchemaNamespace.h"

#include "host/NamespaceHost.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

char const schemaNamespaceURI[] = KXSOA_NAMESPACE_URI("/Schemas/ImportExport/2008-06/FileImportExport");

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
