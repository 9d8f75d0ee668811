// The round trip of a client and a server: the client writes an import
// request as XML, the server reads it and answers with a response, the
// client reads the response.

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"

#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XmlStream;

namespace {

std::string clientRequest() {
    ie::ImportFromApplicationInput request;
    request.addInput(ie::ImportFromApplicationInputData("csv", "Folder", "write-ticket-17"));
    request.addInput(ie::ImportFromApplicationInputData("xlsx", "Item & Revision", "write-ticket-18"));
    XmlStream stream;
    request.outputXML(stream, "importFromApplication");
    return stream.str();
}

std::string serverResponse(std::string const& requestText) {
    ie::ImportFromApplicationInput request;
    request.parse(XmlDocument::parse(requestText).root());

    ie::ImportFromApplicationResponse response;
    for (ie::ImportFromApplicationInputData const& record : request.getInputArray()) {
        response.addResultObject(
            ModelObject("uid-" + record.getTransientFileWriteTicket(), record.getCreateSpecElementType()));
    }
    response.getServiceData().addPartialError("xlsx: 2 rows skipped");
    XmlStream stream;
    response.outputXML(stream, "importFromApplicationResponse");
    return stream.str();
}

}  // namespace

int main() {
    try {
        std::string const requestText = clientRequest();
        std::cout << "request:\n" << requestText << "\n\n";
        std::string const responseText = serverResponse(requestText);
        std::cout << "response:\n" << responseText << "\n\n";

        ie::ImportFromApplicationResponse response;
        response.parse(XmlDocument::parse(responseText).root());
        std::cout << "the client read " << response.getResultObjectArray().size() << " business objects:\n";
        for (ModelObject const& object : response.getResultObjectArray())
            std::cout << "  " << object.getUid() << " (" << object.getType() << ")\n";
        for (std::string const& message : response.getServiceData().getPartialErrors())
            std::cout << "  partial error: " << message << '\n';
        return 0;
    } catch (DomException const& e) {
        std::cerr << "error: " << e.getMessage() << '\n';
        return 1;
    }
}
