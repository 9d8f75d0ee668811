// The server side of an import: reads a 2007-06 import request from standard
// input (or the file named as the one argument), "imports" each record as a
// new business object named after its write ticket, and writes the response
// as XML on standard output. A request it cannot read is answered on
// standard error with what went wrong and where.

#include "host/DomException.h"
#include "host/ModelObject.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "xml/Message.h"

#include <fstream>
#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::writeMessage;

namespace {

ie::ImportFromApplicationResponse answer(ie::ImportFromApplicationInput const& request) {
    ie::ImportFromApplicationResponse response;
    for (ie::ImportFromApplicationInputData const& record : request.getInputArray()) {
        if (record.getApplicationFormat() != "csv") {
            response.getServiceData().addPartialError(record.getTransientFileWriteTicket() + ": the format " +
                                                      record.getApplicationFormat() + " is not imported here");
            continue;
        }
        ModelObject const created("new-" + record.getTransientFileWriteTicket(), record.getCreateSpecElementType());
        response.addResultObject(created);
        response.getServiceData().addUpdatedObject(created);
    }
    return response;
}

}  // namespace

int main(int argc, char** argv) {
    std::ifstream file;
    if (argc > 1) file.open(argv[1], std::ios::binary);
    std::istream& in = argc > 1 ? static_cast<std::istream&>(file) : std::cin;
    if (!in) {
        std::cerr << "import_server: cannot read " << argv[1] << '\n';
        return 1;
    }
    try {
        // Another version's message (or anything else) is refused before it is read.
        auto const request = readMessage<ie::ImportFromApplicationInput>(in);
        std::cout << writeMessage(answer(request), "ImportFromApplicationResponse") << '\n';
        return 0;
    } catch (DomException const& e) {
        std::cerr << "import_server: line " << e.line() << ": " << e.getMessage() << '\n';
        return 1;
    }
}
