#include "importexport/ImportExport.h"

#include <iostream>
#include <string>

namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::kindName;
using namespace Kestrune::Soa::Common::Xml;

int main() {
    // A record with an attribute that no record has, one without its
    // templateType, and an override with text where none may be.
    std::string const request =
        std::string("<ExportToApplicationInput xmlns='") + ie::schemaNamespaceURI + "'>\n" +
        "  <inputs applicationFormat='xlsx' templateType='excel' templateId='T-1' colour='red'/>\n" +
        "  <inputs applicationFormat='xlsx' templateId='T-2'>\n" +
        "    <objectTemplateOverride businessObjectType='Item' templateType='excel' templateId='O-1'>text"
        "</objectTemplateOverride>\n" +
        "  </inputs>\n" + "</ExportToApplicationInput>\n";
    try {
        MessageReader().validate<ie::ExportToApplicationInput>(request);  // held to the schemas, nothing built
    } catch (DomException const& e) {
        for (auto const& error : e.errors())  // every error of the message, in the order of the text
            std::cout << error.line << ':' << error.column << ": " << error.path << ": " << kindName(error.kind) << ": "
                      << error.message << '\n';
        return 1;
    }
}
