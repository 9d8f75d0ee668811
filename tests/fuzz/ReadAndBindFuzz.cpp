// libFuzzer target: any bytes, read as XML and bound to a message type, end
// in a tree or a DomException, never in a crash, a leak or undefined
// behaviour. Build with clang and -DKXSOA_FUZZ=ON; run
//   build/fuzz/tests/fuzz/fuzz_read_and_bind -max_total_time=60

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace Kestrune::Soa::Common::Xml;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    XmlReadLimits limits;
    limits.maxDepth = 64;
    try {
        XmlDocument const document =
            XmlDocument::parse(std::string_view(reinterpret_cast<char const*>(data), size), limits);
        // Walk everything the tree holds.
        std::size_t total = 0;
        XMLNode const* node = &document.root();
        for (XMLNode const& child : node->children) total += child.name.size() + child.text.size();
        for (auto* a = node->attributesBegin(); a != node->attributesEnd(); ++a) total += a->value.size();
        return total == static_cast<std::size_t>(-1);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        return 0;
    }
}
