#pragma once

#include "xml/Export.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

/// The label of this schema version, "2007-06", and the XML namespace URI of
/// every 2007-06 message: "http://", the namespace host the library was built
/// with ("kestrune.com" unless configured otherwise), then
/// "/Schemas/ImportExport/", the label and "/FileImportExport".
extern KXSOAIMPORTEXPORT_EXPORT char const schemaVersion[];
extern KXSOAIMPORTEXPORT_EXPORT char const schemaNamespaceURI[];

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
