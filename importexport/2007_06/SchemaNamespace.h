#pragma once

#include "xml/Export.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

// The XML namespace URI of every 2007-06 message: "http://", the namespace host
// the library was built with ("kestrune.com" unless configured otherwise), then
// "/Schemas/ImportExport/2007-06/FileImportExport".
extern KXSOAIMPORTEXPORT_EXPORT char const schemaNamespaceURI[];

// schemaNamespaceURI for any type of this version, found by argument-dependent
// lookup from a pointer to the type: how readMessage (xml/Message.h) knows
// which namespace a document's root must be in to be read as a 2007-06 message.
template <class Message>
char const* schemaNamespaceOf(Message const*) noexcept {
    return schemaNamespaceURI;
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
