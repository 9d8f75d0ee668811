#pragma once

// The library's list of the message types, as the tests expect to see it.

#include "importexport/AnyMessage.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace kxsoa_test {

// The names of the types of `version`, in the library's order, as a refusal
// lists them: "A, B or C".
inline std::string typesOfVersion(std::string const& version) {
    using Kestrune::Soa::Common::Xml::messageType;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < std::variant_size_v<Kestrune::Soa::Common::Xml::AnyMessage>; ++i)
        if (messageType(i).version == version) names.push_back(messageType(i).name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

}  // namespace kxsoa_test
