#pragma once

// A deterministic, fully populated message of each type: every attribute
// set, every list with `entries` entries, nested records filled the same
// way, so that every member shows up in the written text.

#include <cstddef>

namespace kxsoa_ie {

template <class Message>
Message makeSample(std::size_t entries);

}  // namespace kxsoa_ie
