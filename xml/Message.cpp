#include "xml/Message.h"

#include "host/DomException.h"
#include "host/XmlBinder.h"

namespace Kestrune::Soa::Common::Xml {

void checkRootNamespace(XMLNode const& root, std::string_view uri) {
    if (root.namespaceURI != uri) throw wrongRootNamespace(root.name, root.namespaceURI, uri, root.line);
}

}  // namespace Kestrune::Soa::Common::Xml
