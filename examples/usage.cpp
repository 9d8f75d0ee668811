#include "importexport/ImportExport.h"  // the whole public interface

#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::writeMessage;

int main() {
    ie::ImportFromApplicationInput request;
    request.addInput(ie::ImportFromApplicationInputData("csv", "Folder", "write-ticket-17"));

    // Any root name will do; the type's own is the one the schemas declare.
    std::string const xml = writeMessage(request, "ImportFromApplicationInput");
    std::cout << xml << '\n';  // well-formed, namespace-declared XML

    try {
        // The root must be in the 2007-06 namespace; then the type reads it.
        auto const received = readMessage<ie::ImportFromApplicationInput>(xml);
        std::cout << received.dump();  // every member by its XML name, nested ones indented
        return received.sameContent(request) ? 0 : 1;
    } catch (DomException const& e) {  // not well-formed, another namespace, or an element the type does not accept
        std::cerr << "line " << e.line() << ": " << e.getMessage() << '\n';
        return 1;
    }
}
