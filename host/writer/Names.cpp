#include "host/writer/Names.h"

#include "host/XmlCharacters.h"
#include "host/writer/Refusal.h"

namespace Kestrune::Soa::Common::Xml::Writer {

void checkBindable(std::string_view uri) {
    if (uri.empty()) refuse(Exceptions::ErrorKind::Unwritable, "an empty namespace URI cannot be bound to a prefix");
    if (uri == xmlNamespace || uri == xmlnsNamespace)
        refuse(Exceptions::ErrorKind::Unwritable,
               "the reserved namespace \"" + std::string(uri) + "\" cannot be bound to a prefix");
}

void checkNameLength(std::size_t length, std::size_t maxNameBytes, char const* what) {
    if (length <= maxNameBytes) return;
    refuse(Exceptions::ErrorKind::Limit,
           std::string(what) + " of " + std::to_string(length) + " bytes is longer than XmlReadLimits::maxNameBytes (" +
               std::to_string(maxNameBytes) +
               " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxNameBytes)");
}

QualifiedName splitName(std::string_view name, bool checked) {
    std::size_t const colon = name.find(':');
    QualifiedName split{{}, name};
    if (colon != std::string_view::npos) split = {name.substr(0, colon), name.substr(colon + 1)};
    bool const valid = checked || (detail::isNCName(split.local) &&
                                   (colon == std::string_view::npos || detail::isNCName(split.prefix)));
    if (!valid) refuse(Exceptions::ErrorKind::Unwritable, detail::quotedInput(name) + " is not a valid element name");
    return split;
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
