// Writes a 2008-06 export request with the installed library, reads it back
// and compares the two by content; exits non-zero when anything differs.
// Prints the language standard it was compiled at, for the build that runs it.

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/SchemaNamespace.h"

#include <iostream>
#include <string>

namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlStream;

int main() {
    ie::ExportToApplicationInputData1 record("xlsx", "excel", "T-7");
    record.addObjectsToExport(ModelObject("uid-1", "Item"));
    record.addAttributesToExport("object_name");
    record.addObjectTemplateOverride(ie::TemplateOverride("Folder", "excel", "T-8"));
    ie::ExportToApplicationInput request;
    request.addInput(record);

    XmlStream stream;
    request.outputXML(stream, "exportToApplication");
    std::string const xml = stream.str();

    ie::ExportToApplicationInput readBack;
    try {
        XmlDocument const document = XmlDocument::parse(xml);
        if (document.root().namespaceURI != ie::schemaNamespaceURI) {
            std::cerr << "consumer: the root is not in " << ie::schemaNamespaceURI << '\n';
            return 1;
        }
        readBack.parse(document.root());
    } catch (DomException const& e) {
        std::cerr << "consumer: " << e.getMessage() << '\n';
        return 1;
    }
    std::string const difference = request.difference(readBack);
    if (!difference.empty()) {
        std::cerr << "consumer: read back something else: " << difference << '\n';
        return 1;
    }
    std::cout << "consumer (C++ " << __cplusplus << "): read back what it wrote\n" << readBack.dump();
    return 0;
}
