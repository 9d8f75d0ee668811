// libFuzzer target: any bytes, read by the library's reader and by
// libxml2's SAX2 pass (tests/support/Judge.h), which must both refuse or
// both read the same events; and read again by the library from a stream
// in pieces of several sizes, which must give exactly what the read from
// memory gave. One reader reads every input, as a server's does. An input
// may end with limits to read it with as well (kxsoa_test::FuzzInput: each
// field of XmlReadLimits at 0, 1, small, large, the judged value or near
// and at SIZE_MAX), read by a reader of its own: as with the judged limits
// but for refusals of a limit the text passes. Any difference aborts,
// printing both readings. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_differential -max_total_time=60 <corpus folder>

#include "support/Judge.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// libxml2's few messages without a parser context, not printed.
void quiet(void*, char const*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    static Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    static bool const quieted = (xmlSetGenericErrorFunc(nullptr, &quiet), true);
    (void)quieted;
    std::size_t const pieces[] = {1, 2, 3, 5, 8, 13, 64, 1 + size / 2};
    std::string_view const input(reinterpret_cast<char const*>(data), size);
    std::string const disagreement = kxsoa_test::fuzzDisagreement(reader, input, pieces);
    if (disagreement.empty()) return 0;
    std::fprintf(stderr, "%s\n", disagreement.c_str());
    std::abort();
}
