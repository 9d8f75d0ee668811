// libFuzzer target: any bytes, read as XML and bound to message types, end
// in a DomException or in an object that writes itself, reads that text
// back and writes exactly the same text again; never in a crash, a leak or
// undefined behaviour. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_read_and_bind -max_total_time=60

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace Kestrune::Soa::Common::Xml;
namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

namespace {

template <class T>
std::string written(T const& object) {
    XmlStream stream;
    object.outputXML(stream, "m");
    return stream.str();
}

// Whatever a type accepts, it writes as text that reads back to the same object.
template <class T>
void expectStableRoundTrip(XMLNode const& root) {
    T first;
    try {
        first.parse(root);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        return;  // not a document of this type
    }
    std::string const text = written(first);  // parsed text is always writable: no exception expected
    T second;
    second.parse(XmlDocument::parse(text).root());
    if (written(second) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    XmlReadLimits limits;
    limits.maxDepth = 64;
    try {
        XmlDocument const document =
            XmlDocument::parse(std::string_view(reinterpret_cast<char const*>(data), size), limits);
        expectStableRoundTrip<ie::ExportToApplicationInput>(document.root());
        expectStableRoundTrip<ie::GetExportTemplateResponse>(document.root());
        expectStableRoundTrip<ie::GetExportTemplatesInput>(document.root());
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
    }
    return 0;
}
