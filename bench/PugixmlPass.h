#pragma once

// A baseline from another parser: pugixml's load_buffer, which builds its
// own tree from a copy of the text, checks neither namespaces nor all that
// XML requires, and keeps no limits.

#include <cstddef>
#include <string_view>

namespace kxsoa_bench {

// The number of elements of the tree built; 0 when pugixml refused the text.
std::size_t pugixmlLoad(std::string_view xml);

}  // namespace kxsoa_bench
