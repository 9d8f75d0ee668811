#include "xml/Message.h"

#include "host/DomException.h"
#include "host/XmlBinder.h"

namespace Kestrune::Soa::Common::Xml {

void checkRootNamespace(XMLNode const& root, std::string_view uri) {
    if (root.namespaceURI == uri) return;
    Exceptions::DomException error = wrongRoot(root.name, root.namespaceURI, uri, {});
    error.setPlace(root.line, root.column);
    error.setPath('/' + std::string(root.name));
    throw error;
}

}  // namespace Kestrune::Soa::Common::Xml
