#pragma once

// The namespace URI of the 2007-06 schema version. Internal to the library: the
// namespace host is compiled in.

#ifndef KXSOA_NAMESPACE_HOST
#error "KXSOA_NAMESPACE_HOST is set by the build"
#endif

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

inline constexpr char schemaNamespaceURI[] = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
