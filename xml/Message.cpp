#include "xml/Message.h"

#include "host/DomException.h"

namespace Kestrune::Soa::Common::Xml {

void checkRootNamespace(XMLNode const& root, std::string_view uri) {
    if (root.namespaceURI == uri) return;
    std::string const actual =
        root.namespaceURI.empty() ? "no namespace" : "namespace \"" + std::string(root.namespaceURI) + '"';
    throw Exceptions::DomException(
        "the root element \"" + std::string(root.name) + "\" is in " + actual + ", not in \"" + std::string(uri) + "\"",
        root.line);
}

}  // namespace Kestrune::Soa::Common::Xml
