// Writes a request with the installed library and reads it back; exits
// non-zero when anything differs.

#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"

#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlStream;

int main() {
    ie::ImportFromApplicationInput request;
    request.addInput(ie::ImportFromApplicationInputData("csv", "Folder", "ticket-1"));

    XmlStream stream;
    request.outputXML(stream, "importFromApplication");

    ie::ImportFromApplicationInput readBack;
    readBack.parse(XmlDocument::parse(stream.str()).root());
    bool const same =
        readBack.getInputArray().size() == 1 && readBack.getInputArray()[0].getTransientFileWriteTicket() == "ticket-1";
    std::cout << stream.str() << '\n' << (same ? "consumer: read back what it wrote" : "consumer: MISMATCH") << '\n';
    return same ? 0 : 1;
}
