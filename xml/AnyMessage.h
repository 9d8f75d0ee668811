#pragma once

// Any of the fifteen message types in one value: what a document holds
// whose type its root element tells, the version by its namespace and the
// type by its local name (MessageReader::readAny, readAnyMessage).

#include "host/XMLNode.h"
#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationInputData.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationInputData.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2008_06/ConfiguredTemplate.h"
#include "importexport/2008_06/ExportTemplateInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"
#include "importexport/2008_06/TemplateOverride.h"
#include "xml/Export.h"

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <variant>

namespace Kestrune::Soa::Common::Xml {

// One message of any of the fifteen types: 2007-06 first, each version's
// types in the order of its records, requests and responses (as `kxsoa-ie
// types` lists them). Visit it (std::visit), or ask for one type
// (std::get_if).
using AnyMessage = std::variant<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInputData,
                                Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput,
                                Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationResponse,
                                Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInputData,
                                Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput,
                                Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse,
                                Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInputData1,
                                Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInput,
                                Schemas::Importexport::_2008_06::Fileimportexport::TemplateOverride,
                                Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInputData1,
                                Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput,
                                Schemas::Importexport::_2008_06::Fileimportexport::ExportTemplateInput,
                                Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplatesInput,
                                Schemas::Importexport::_2008_06::Fileimportexport::ConfiguredTemplate,
                                Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplateResponse>;

// What a root element says of its message's type.
struct MessageTypeInfo {
    char const* version;       // "2007-06" or "2008-06"
    char const* name;          // the class name, which is also the root element's in the schemas
    char const* namespaceURI;  // the version's
};

// The type of AnyMessage's alternative `index` (as index() counts them).
KXSOAIMPORTEXPORT_EXPORT MessageTypeInfo const& messageType(std::size_t index);
// The type of the message that `message` holds.
inline MessageTypeInfo const& messageType(AnyMessage const& message) { return messageType(message.index()); }

namespace Detail {

template <class Message, class... Alternatives>
constexpr std::size_t indexIn(std::variant<Alternatives...> const*) {
    std::size_t index = 0;
    static_cast<void>(((std::is_same_v<Message, Alternatives> || (++index, false)) || ...));
    return index;
}

}  // namespace Detail

// The type of Message, one of the fifteen.
template <class Message>
MessageTypeInfo const& messageType() {
    constexpr std::size_t index = Detail::indexIn<Message>(static_cast<AnyMessage const*>(nullptr));
    static_assert(index < std::variant_size_v<AnyMessage>, "Message is one of the fifteen message types");
    return messageType(index);
}

// The alternative of AnyMessage whose root element is in `namespaceURI` and
// named `localName`. Any other root is refused with a DomException that
// names its namespace and name and lists what is accepted: the versions'
// namespaces, or the types of the root's version.
KXSOAIMPORTEXPORT_EXPORT std::size_t messageIndex(std::string_view namespaceURI, std::string_view localName);

// The message that a parsed element holds, of the type its namespace and
// local name give; refused as by messageIndex (with the element's line,
// column and path), then as by that type's parse().
KXSOAIMPORTEXPORT_EXPORT AnyMessage parseAnyMessage(XMLNode const& element);

// The version ("2007-06", "2008-06") whose namespace is `namespaceURI`;
// null for any other.
KXSOAIMPORTEXPORT_EXPORT char const* schemaVersionOf(std::string_view namespaceURI);

}  // namespace Kestrune::Soa::Common::Xml
