#include "importexport/ImportExport.h"

#include <iostream>
#include <string>

namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::readMessage;

int main() {
    // Three records, the third with an element that no record has.
    std::string const request = std::string("<ExportToApplicationInput xmlns='") + ie::schemaNamespaceURI + "'>\n" +
                                "  <inputs templateId='T-1'/>\n" + "  <inputs templateId='T-2'/>\n" +
                                "  <inputs templateId='T-3'><objectTemplateOverrides/></inputs>\n" +
                                "</ExportToApplicationInput>\n";
    try {
        readMessage<ie::ExportToApplicationInput>(request);
    } catch (DomException const& e) {
        std::cout << e.getMessage() << '\n';                                    // what
        std::cout << "line " << e.line() << ", column " << e.column() << '\n';  // where in the text
        std::cout << e.path() << '\n';                                          // which element
    }
}
