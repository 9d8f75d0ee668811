#pragma once

// The published schemas as `kxsoa-ie schema` prints them and the tests validate with them, with the configured
// namespace host (see CMakeLists.txt): the base one, 2007-06, then 2008-06.

#include <cstddef>

namespace kxsoa::schemas {

struct EmbeddedSchema {
    char const* fileName;  // as the schemas name each other in schemaLocation
    char const* text;
};

inline constexpr std::size_t schemaCount = 3;
extern EmbeddedSchema const embeddedSchemas[schemaCount];

}  // namespace kxsoa::schemas
