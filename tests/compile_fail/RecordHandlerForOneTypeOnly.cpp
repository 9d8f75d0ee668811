// Must not compile: a record handler that takes the 2008-06 export record
// only, given to a read that may meet the records of four requests. The
// compiler is to say so in the library's words, once per record it does not
// take, and nothing more.

#include "importexport/Requests.h"

#include <sstream>

namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

int main() {
    Kestrune::Soa::Common::Xml::MessageReader reader;
    std::istringstream in("<x/>");
    readEachRequest(reader, in, [](v8::ExportToApplicationInputData1 const&) {});
}
