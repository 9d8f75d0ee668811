// libFuzzer target: any bytes, read as XML and bound to each of the fifteen
// message types, end in a DomException or in an object that writes itself,
// reads that text back and writes exactly the same text again; never in a
// crash, a leak or undefined behaviour. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_read_and_bind -max_total_time=60 <corpus folder>

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "tools/ie/MessageTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    XmlReadLimits limits;
    limits.maxDepth = 64;
    try {
        XmlDocument const document =
            XmlDocument::parse(std::string_view(reinterpret_cast<char const*>(data), size), limits);
        for (kxsoa_ie::MessageType const& type : kxsoa_ie::messageTypes()) {
            std::string text;
            try {
                text = type.bind(document.root()).written;
            } catch (DomException const&) {
                continue;  // not a document of this type
            }
            // Whatever a type accepts it writes as text that reads back to the
            // same object: parsed text is always writable, no exception expected.
            if (type.bind(XmlDocument::parse(text).root()).written != text) std::abort();
        }
    } catch (DomException const&) {
    }
    return 0;
}
