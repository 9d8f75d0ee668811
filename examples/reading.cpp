#include "importexport/ImportExport.h"

#include <iostream>
#include <string>
#include <vector>

namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

int main() {
    std::vector<std::string> received;  // requests as clients send them
    for (char const* ticket : {"ticket-1", "ticket-2", "ticket-3"}) {
        ie::ImportFromApplicationInput request;
        request.addInput(ie::ImportFromApplicationInputData1("csv", "Drawing", "Folder", true, ticket));
        received.push_back(writeMessage(request, "ImportFromApplicationInput"));
    }

    XmlReadLimits limits;  // lower them for an untrusted peer
    limits.maxBytes = 1 << 20;
    // One reader per thread, kept from message to message: each read goes
    // straight from the text into the message, with no tree between.
    MessageReader reader(limits);  // only requests of this type, in their namespace
    for (std::string const& text : received) {
        try {
            auto const request = reader.read<ie::ImportFromApplicationInput>(text);
            for (auto const& record : request.getInputArray())
                std::cout << record.getTransientFileWriteTicket() << '\n';
        } catch (DomException const& e) {  // not XML, past a limit, or not such a request
            std::cerr << "line " << e.line() << ": " << e.getMessage() << '\n';
            return 1;
        }
    }
}
