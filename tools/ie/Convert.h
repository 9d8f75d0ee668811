#pragma once

// kxsoa-ie convert: a message carried to the other schema version, a
// request record by record.

#include "CommandLine.h"

namespace kxsoa_ie {

int convert(Invocation const& invocation);

}  // namespace kxsoa_ie
