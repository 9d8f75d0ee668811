#pragma once

// A message of one of several paired classes, its type told by its root
// element: the namespace gives the schema version, the local name the type.
// The types are the alternatives of a std::variant of paired classes, any
// such variant; MessageReader::readOneOf reads one straight from its text,
// parseOneOf from a parsed element.

#include "host/BaseObject.h"
#include "host/XmlBinder.h"
#include "xml/Export.h"
#include "xml/Handle.h"
#include "xml/ReadOptions.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace Kestrune::Soa::Common::Xml {

class XMLNode;
class XmlMessageSource;
class XmlReader;
struct XmlElementType;
struct TypeMembers;

/// One alternative of a variant, as reading sees it.
struct OneOfAlternative {
    TypeMembers const& (*members)();         ///< its name, schema version and namespace URI
    XmlElementType const& (*elementType)();  ///< how its element is read
    /// Makes the std::optional<Variant> at `message` hold a new message of
    /// this alternative; returns its implementation object.
    BaseObject& (*emplace)(void* message);
};

/// The alternatives of a variant, in its order (as index() counts them).
struct OneOfAlternatives {
    OneOfAlternative const* first;
    std::size_t count;

    OneOfAlternative const* begin() const noexcept { return first; }
    OneOfAlternative const* end() const noexcept { return first + count; }
};

namespace Detail {

template <class Variant, std::size_t I>
BaseObject& emplaceAlternative(void* message) {
    Variant& chosen = static_cast<std::optional<Variant>*>(message)->emplace(std::in_place_index<I>);
    return HandleAccess::object(std::get<I>(chosen));
}

template <class Variant, std::size_t... I>
OneOfAlternatives const& alternatives(std::index_sequence<I...>) {
    static OneOfAlternative const rows[] = {{&ImplOf<std::variant_alternative_t<I, Variant>>::members,
                                             &ImplOf<std::variant_alternative_t<I, Variant>>::xmlElementType,
                                             &emplaceAlternative<Variant, I>}...};
    static OneOfAlternatives const all{rows, sizeof...(I)};
    return all;
}

/// The place of Message among the alternatives; their count when it is none of them.
template <class Message, class... Alternatives>
constexpr std::size_t alternativeIndex(std::variant<Alternatives...> const*) {
    std::size_t index = 0;
    static_cast<void>(((std::is_same_v<Message, Alternatives> || (++index, false)) || ...));
    return index;
}

/// How the records of a request are handed to a caller's handler (the
/// binder's sink): `records` is the list, whose last entry is the record.
using RecordSink = void (*)(void* handler, void* records);

/// Reads the document in `xml` or `in` with `reader` into `binder`: at the
/// root, the std::optional<Variant> at `message` is made to hold the
/// alternative it names (or the root is refused as rootAlternative refuses
/// it), and its requests' records go to sinks[index] when that is not null.
/// The binder reads with `options` (its policy; the root is not checked,
/// as it tells the type).
KXSOAIMPORTEXPORT_EXPORT void readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                                        std::string_view xml, OneOfAlternatives const& alternatives, void* message,
                                        RecordSink const* sinks, void* handler);
KXSOAIMPORTEXPORT_EXPORT void readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                                        std::istream& in, OneOfAlternatives const& alternatives, void* message,
                                        RecordSink const* sinks, void* handler);
KXSOAIMPORTEXPORT_EXPORT void readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                                        XmlMessageSource& source, OneOfAlternatives const& alternatives, void* message,
                                        RecordSink const* sinks, void* handler);
/// Holds the document to the schemas, as the alternative its root names,
/// building nothing (XmlBinder::validate): returns the alternative's index.
KXSOAIMPORTEXPORT_EXPORT std::size_t validateOneOf(XmlReader& reader, XmlBinder& binder,
                                                   XmlBinder::Options const& options, std::string_view xml,
                                                   OneOfAlternatives const& alternatives);
KXSOAIMPORTEXPORT_EXPORT std::size_t validateOneOf(XmlReader& reader, XmlBinder& binder,
                                                   XmlBinder::Options const& options, std::istream& in,
                                                   OneOfAlternatives const& alternatives);
/// The same from a parsed element.
KXSOAIMPORTEXPORT_EXPORT void parseOneOf(XMLNode const& element, OneOfAlternatives const& alternatives, void* message,
                                         XmlBinder::Options const& options);

}  // namespace Detail

/// The alternatives of Variant, a std::variant of paired classes.
template <class Variant>
OneOfAlternatives const& alternativesOf() {
    return Detail::alternatives<Variant>(std::make_index_sequence<std::variant_size_v<Variant>>());
}

/// The index of the alternative whose root element is in `namespaceURI` and
/// named `localName` (its class name). Any other root is refused with a
/// DomException that names its namespace and name and lists what is
/// accepted: the versions' namespaces, or the types of the root's version.
KXSOAIMPORTEXPORT_EXPORT std::size_t rootAlternative(OneOfAlternatives const& alternatives,
                                                     std::string_view namespaceURI, std::string_view localName);

/// The message that a parsed element holds, of the alternative of Variant
/// that its namespace and local name give; refused as by rootAlternative
/// (with the element's line, column and path), then as by that type's
/// parse(), or held to the schemas as `options` say (their root is not
/// looked at: it tells the type).
template <class Variant>
Variant parseOneOf(XMLNode const& element, ReadOptions const& options = {}) {
    std::optional<Variant> message;
    Detail::parseOneOf(element, alternativesOf<Variant>(), &message, options.binderOptions(nullptr));
    return std::move(*message);
}

}  // namespace Kestrune::Soa::Common::Xml
