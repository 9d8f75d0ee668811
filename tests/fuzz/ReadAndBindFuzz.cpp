// libFuzzer target: any bytes, read as XML and bound to each of the fifteen
// message types, end in a DomException or in an object that writes itself,
// reads that text back and writes exactly the same text again; never in a
// crash, a leak or undefined behaviour. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_read_and_bind -max_total_time=60 <corpus folder>

#include "Messages.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>
#include <type_traits>

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;

namespace {

// Whatever a type accepts, it writes as text that reads back to the same object.
template <class T>
void expectStableRoundTrip(XMLNode const& root) {
    T first;
    try {
        first.parse(root);
    } catch (DomException const&) {
        return;  // not a document of this type
    }
    std::string const text = kxsoa_fuzz::written(first);  // parsed text is always writable: no exception expected
    T second;
    second.parse(XmlDocument::parse(text).root());
    if (kxsoa_fuzz::written(second) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    XmlReadLimits limits;
    limits.maxDepth = 64;
    try {
        XmlDocument const document =
            XmlDocument::parse(std::string_view(reinterpret_cast<char const*>(data), size), limits);
        std::apply(
            [&](auto*... type) {
                (expectStableRoundTrip<std::remove_pointer_t<decltype(type)>>(document.root()), ...);
            },
            kxsoa_fuzz::AllTypes{});
    } catch (DomException const&) {
    }
    return 0;
}
