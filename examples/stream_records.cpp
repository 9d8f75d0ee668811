#include "importexport/ImportExport.h"

#include <iostream>
#include <string>

namespace ie = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::RequestWriter;
using Kestrune::Soa::Common::Xml::XmlStream;

// `stream_records write | stream_records read`: a request of 100,000 records
// goes through a pipe, written as each record is made and read one record at
// a time; neither side holds the whole request.
int main(int argc, char** argv) {
    long const records = 100000;
    std::string const mode = argc == 2 ? argv[1] : "";
    if (mode == "write") {
        XmlStream stream(std::cout.rdbuf());
        RequestWriter<ie::ImportFromApplicationInput> writer(stream);
        writer.open("ImportFromApplicationInput");
        for (long i = 0; i < records; ++i)
            writer.write(ie::ImportFromApplicationInputData("csv", "Folder", "ticket-" + std::to_string(i)));
        writer.close();
        return 0;
    }
    if (mode == "read") {
        long received = 0, inOrder = 0;
        try {
            MessageReader reader;
            reader.readEach<ie::ImportFromApplicationInput>(
                std::cin, [&](ie::ImportFromApplicationInputData const& record) {
                    inOrder += record.getTransientFileWriteTicket() == "ticket-" + std::to_string(received++);
                });
        } catch (DomException const& e) {
            std::cerr << "line " << e.line() << ": " << e.getMessage() << '\n';
            return 1;
        }
        std::cout << received << " records received, " << inOrder << " in order\n";
        return inOrder == records && received == records ? 0 : 1;
    }
    std::cerr << "usage: stream_records write | stream_records read\n";
    return 64;
}
