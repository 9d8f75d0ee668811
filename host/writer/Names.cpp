#include "host/writer/Names.h"

#include "host/XmlCharacters.h"
#include "host/writer/Refusal.h"

namespace Kestrune::Soa::Common::Xml::Writer {

void refuseBinding(std::string_view uri) {
    if (uri.empty()) refuse(Exceptions::ErrorKind::Unwritable, "an empty namespace URI cannot be bound to a prefix");
    refuse(Exceptions::ErrorKind::Unwritable,
           "the reserved namespace \"" + std::string(uri) + "\" cannot be bound to a prefix");
}

void refuseNameLength(std::size_t length, std::size_t maxNameBytes, char const* what) {
    refuse(Exceptions::ErrorKind::Limit,
           std::string(what) + " of " + std::to_string(length) + " bytes is longer than XmlReadLimits::maxNameBytes (" +
               std::to_string(maxNameBytes) +
               " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxNameBytes)");
}

QualifiedName splitName(std::string_view name) {
    std::size_t const colon = name.find(':');
    QualifiedName const split = splitAt(name, colon);
    bool const valid =
        detail::isNCName(split.local) && (colon == std::string_view::npos || detail::isNCName(split.prefix));
    if (!valid) refuse(Exceptions::ErrorKind::Unwritable, detail::quotedInput(name) + " is not a valid element name");
    return split;
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
