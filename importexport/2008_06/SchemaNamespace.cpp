#include "importexport/2008_06/SchemaNamespace.h"

#include "host/NamespaceHost.h"

// The label, written once: the URI holds it too.
#define KXSOA_SCHEMA_VERSION "2008-06"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

char const schemaVersion[] = KXSOA_SCHEMA_VERSION;
char const schemaNamespaceURI[] =
    KXSOA_NAMESPACE_URI("/Schemas/ImportExport/" KXSOA_SCHEMA_VERSION "/FileImportExport");

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
