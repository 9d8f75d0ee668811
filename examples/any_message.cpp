#include "importexport/ImportExport.h"

#include <iostream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace v7 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::messageType;
using Kestrune::Soa::Common::Xml::upgrade;
using Kestrune::Soa::Common::Xml::writeMessage;

// The requests this server takes, all in 2008-06.
void serve(v8::ImportFromApplicationInput const& request) {
    std::cout << "import of " << request.getInputArray().size() << " records\n";
}
void serve(v8::ExportToApplicationInput const& request) {
    std::cout << "export of " << request.getInputArray().size() << " records\n";
}
void serve(v8::GetExportTemplatesInput const& query) {
    std::cout << "templates" << (query.getFilter().getGetExcelTemplates() ? ", Excel ones too\n" : "\n");
}

template <class... Cases>
struct Overloaded : Cases... {
    using Cases::operator()...;
};
template <class... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

int main() {
    std::vector<std::string> received;  // on one endpoint, in either version
    v7::ImportFromApplicationInput older;
    older.addInput(v7::ImportFromApplicationInputData("csv", "Folder", "ticket-1"));
    received.push_back(writeMessage(older, "ImportFromApplicationInput"));
    received.push_back(
        writeMessage(v8::GetExportTemplatesInput(v8::ExportTemplateInput(true, false, false, false, true)),
                     "GetExportTemplatesInput"));
    received.push_back(writeMessage(v8::TemplateOverride("Item", "excel", "T-1"), "TemplateOverride"));
    received.push_back("<ExportToApplicationInput xmlns='urn:somebody-else'/>");

    MessageReader reader;  // one per thread, kept from message to message
    for (std::string const& text : received) {
        try {
            // The root's namespace gives the version, its name the type.
            AnyMessage const message = readAny(reader, text);
            std::visit(Overloaded{
                           // A 2007-06 request is served as its 2008-06 counterpart.
                           [](v7::ImportFromApplicationInput const& request) { serve(upgrade(request)); },
                           [](v7::ExportToApplicationInput const& request) { serve(upgrade(request)); },
                           [](v8::ImportFromApplicationInput const& request) { serve(request); },
                           [](v8::ExportToApplicationInput const& request) { serve(request); },
                           [](v8::GetExportTemplatesInput const& query) { serve(query); },
                           [&](auto const&) {
                               std::cout << "not a request: " << messageType(message).version << ' '
                                         << messageType(message).name << '\n';
                           },
                       },
                       message);
        } catch (DomException const& e) {  // not XML, no message's root, or not such a message
            std::cout << "refused at " << e.path() << ": " << e.getMessage() << '\n';
        }
    }
}
