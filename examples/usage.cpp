#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"

#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlStream;

int main() {
    ie::ImportFromApplicationInput request;
    request.addInput(ie::ImportFromApplicationInputData("csv", "Folder", "write-ticket-17"));

    XmlStream stream;  // writes into its own string
    request.outputXML(stream, "importFromApplication");
    std::cout << stream.str() << '\n';  // well-formed, namespace-declared XML

    try {
        XmlDocument const document = XmlDocument::parse(stream.str());
        ie::ImportFromApplicationInput received;
        received.parse(document.root());  // appends to the lists; never clears them
        std::cout << received.dump();     // every member by its XML name, nested ones indented
        return received.sameContent(request) ? 0 : 1;
    } catch (DomException const& e) {  // not well-formed, or an element the type does not accept
        std::cerr << "line " << e.line() << ": " << e.getMessage() << '\n';
        return 1;
    }
}
