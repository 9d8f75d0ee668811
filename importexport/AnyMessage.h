#pragma once

// The fifteen message types, listed once, and a message of any of them:
// what a document holds whose type its root element tells, the version by
// its namespace and the type by its local name.

#include "host/XMLNode.h"
#include "host/XmlReadLimits.h"
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
#include "xml/MessageReader.h"
#include "xml/OneOf.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string_view>
#include <tuple>
#include <variant>

namespace Kestrune::Soa::Common::Xml {

/// What a message type is for: a request, a record of a request, a
/// response, or a part of one of them.
enum class MessageRole : unsigned char { Record, Request, Response, Override, Filter, ConfiguredTemplate };

/// "record", "request", "response", "override", "filter", "configured template".
KXSOAIMPORTEXPORT_EXPORT char const* roleName(MessageRole role);

/// One row of MessageTypes: a message type and what it is for.
template <class Message, MessageRole Role>
struct ListedType {
    using Type = Message;
    static constexpr MessageRole role = Role;
};

/// The fifteen message types, each once, with its role: 2007-06 first, each
/// version's types in the order of its records, requests and responses (as
/// `kxsoa-ie types` lists them). AnyMessage, messageType() and what iterates
/// the types come from this list.
using MessageTypes = std::tuple<
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInputData, MessageRole::Record>,
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput, MessageRole::Request>,
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationResponse, MessageRole::Response>,
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInputData, MessageRole::Record>,
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput, MessageRole::Request>,
    ListedType<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse, MessageRole::Response>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInputData1, MessageRole::Record>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInput, MessageRole::Request>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::TemplateOverride, MessageRole::Override>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInputData1, MessageRole::Record>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput, MessageRole::Request>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ExportTemplateInput, MessageRole::Filter>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplatesInput, MessageRole::Request>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::ConfiguredTemplate, MessageRole::ConfiguredTemplate>,
    ListedType<Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplateResponse, MessageRole::Response>>;

/// Calls `f` with each row of MessageTypes, in order: a ListedType, whose
/// Type is the message type and whose role is its role.
template <class F>
void forEachMessageType(F&& f) {
    std::apply([&f](auto... row) { (f(row), ...); }, MessageTypes());
}

namespace Detail {

template <class Listed>
struct VariantOfListed;
template <class... Listed>
struct VariantOfListed<std::tuple<Listed...>> {
    using type = std::variant<typename Listed::Type...>;
};

}  // namespace Detail

/// One message of any of the fifteen types, in the order of MessageTypes.
/// Visit it (std::visit), or ask for one type (std::get_if).
using AnyMessage = Detail::VariantOfListed<MessageTypes>::type;

/// What the library says of a message type.
struct MessageTypeInfo {
    char const* version;       ///< "2007-06" or "2008-06"
    char const* name;          ///< the class name, which is also the root element's in the schemas
    char const* namespaceURI;  ///< the version's
    MessageRole role;
};

/// The type of AnyMessage's alternative `index` (as index() counts them);
/// std::out_of_range past the fifteenth.
KXSOAIMPORTEXPORT_EXPORT MessageTypeInfo const& messageType(std::size_t index);
/// The type of the message that `message` holds.
inline MessageTypeInfo const& messageType(AnyMessage const& message) { return messageType(message.index()); }
/// The type of Message, one of the fifteen.
template <class Message>
MessageTypeInfo const& messageType() {
    constexpr std::size_t index = Detail::alternativeIndex<Message>(static_cast<AnyMessage const*>(nullptr));
    static_assert(index < std::variant_size_v<AnyMessage>, "Message is one of the fifteen message types");
    return messageType(index);
}

/// The version ("2007-06", "2008-06") whose namespace is `namespaceURI`;
/// null for any other.
KXSOAIMPORTEXPORT_EXPORT char const* schemaVersionOf(std::string_view namespaceURI);

/// The alternative of AnyMessage whose root element is in `namespaceURI` and
/// named `localName`. Any other root is refused with a DomException that
/// names its namespace and name and lists what is accepted: the versions'
/// namespaces, or the types of the root's version.
KXSOAIMPORTEXPORT_EXPORT std::size_t messageIndex(std::string_view namespaceURI, std::string_view localName);

/// The message, of any of the fifteen types, that the text holds, read with
/// `reader` (MessageReader::readOneOf): its root's namespace gives the
/// version and its local name the type. Read as reader.read<Type>() reads
/// it: the same values, limits, errors and probes. A root that tells no type
/// is refused as messageIndex() refuses it, with the root's line, column and
/// path (after the text: a text that turns out to be broken fails with the
/// reader's error).
KXSOAIMPORTEXPORT_EXPORT AnyMessage readAny(MessageReader& reader, std::string_view xml);
KXSOAIMPORTEXPORT_EXPORT AnyMessage readAny(MessageReader& reader, std::istream& in);
/// The next message of any type on `source`, returned as soon as its root
/// element ends; none when the input ends before another message begins
/// (XmlMessageSource says what frames a message).
KXSOAIMPORTEXPORT_EXPORT std::optional<AnyMessage> readNextAny(MessageReader& reader, XmlMessageSource& source);

/// Holds the text to the schemas as the type its root names, as
/// MessageReader::validate<Type>() does, building nothing; returns that
/// type. A root that tells no type is refused as by readAny().
KXSOAIMPORTEXPORT_EXPORT MessageTypeInfo const& validateAny(MessageReader& reader, std::string_view xml);
KXSOAIMPORTEXPORT_EXPORT MessageTypeInfo const& validateAny(MessageReader& reader, std::istream& in);

/// The same, a request's records handed on one by one as readEach() hands
/// them: `onRecord` takes the record of any of the four requests (a generic
/// lambda, say); any other message is read whole.
template <class OnRecord>
AnyMessage readEachAny(MessageReader& reader, std::istream& in, OnRecord&& onRecord) {
    return reader.readEachOneOf<AnyMessage>(in, onRecord);
}
template <class OnRecord>
AnyMessage readEachAny(MessageReader& reader, std::string_view xml, OnRecord&& onRecord) {
    return reader.readEachOneOf<AnyMessage>(xml, onRecord);
}

/// The one-call form: the message of any type that the document holds, read
/// by a reader of its own within `limits`, as `options` say (their root is
/// not looked at: it tells the type).
inline AnyMessage readAnyMessage(std::string_view xml, XmlReadLimits const& limits = {},
                                 ReadOptions const& options = {}) {
    MessageReader reader(limits, options);
    return readAny(reader, xml);
}
inline AnyMessage readAnyMessage(std::istream& in, XmlReadLimits const& limits = {}, ReadOptions const& options = {}) {
    MessageReader reader(limits, options);
    return readAny(reader, in);
}

/// The message that a parsed element holds, of the type its namespace and
/// local name give; refused as by messageIndex (with the element's line,
/// column and path), then as by that type's parse().
KXSOAIMPORTEXPORT_EXPORT AnyMessage parseAnyMessage(XMLNode const& element);

}  // namespace Kestrune::Soa::Common::Xml
