// The validating read against libxml2's schema validation, its judge
// (tests/support/SchemaJudge.h), on documents made from a type's sample by
// one to three mutations in a row, as the input picks them: both give the
// same verdict, and validate() the validating read's errors, or the target
// stops.

#include "../support/SchemaJudge.h"

#include "host/DomException.h"
#include "xml/MessageReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using namespace Kestrune::Soa::Common::Xml;
    static std::vector<kxsoa_test::JudgedType> const types = kxsoa_test::judgedTypes();
    FuzzedDataProvider bytes(data, size);
    kxsoa_test::JudgedType const& type = types[bytes.ConsumeIntegralInRange<std::size_t>(0, types.size() - 1)];
    std::string text = kxsoa_test::written(kxsoa_test::sampleOf(type, bytes.ConsumeIntegralInRange<std::size_t>(0, 2)));
    int const rounds = bytes.ConsumeIntegralInRange(1, 3);
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> made;
        try {
            kxsoa_test::forEachMutation(kxsoa_test::parsed(text), [&](std::string const& one) { made.push_back(one); });
        } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
            return 0;  // two mutations gave an element one attribute twice: not XML, nothing to judge
        }
        text = made[bytes.ConsumeIntegral<std::uint16_t>() % made.size()];
    }
    MessageReader reader(XmlReadLimits(), ReadPolicy::Validate);
    bool judged = false;
    try {
        judged = kxsoa_test::validByLibxml2(text, type);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        return 0;  // as above
    }
    kxsoa_test::LibraryReading const read = kxsoa_test::readWithLibrary(reader, text, type);
    if (judged == read.refused) std::abort();
    // validate(), which builds nothing, says what the validating read says.
    if (kxsoa_test::readWithLibrary(reader, text, type, true).result != (read.refused ? read.result : "")) std::abort();
    return 0;
}
