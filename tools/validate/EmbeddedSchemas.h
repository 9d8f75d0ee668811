#pragma once

// The published schemas, compiled into the validator (see CMakeLists.txt).

#include <cstddef>

namespace kxsoa::validation::detail {

struct EmbeddedSchema {
    char const* fileName;  // as the schemas name each other in schemaLocation
    char const* text;
};

inline constexpr std::size_t schemaCount = 3;
extern EmbeddedSchema const embeddedSchemas[schemaCount];

}  // namespace kxsoa::validation::detail
