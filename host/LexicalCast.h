#pragma once

#include "host/Export.h"

#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

/// Conversions between values and their XML text. Only the specialisations
/// below exist; any other pair fails to link.
template <class Target, class Source>
Target lexical_cast(Source const& value);

/// "true" or "false".
template <>
KXSOACOMMON_EXPORT std::string lexical_cast<std::string, bool>(bool const& value);

/// XML Schema's boolean forms: "true", "false", "1", "0", white space around
/// them ignored. An empty text (what a missing attribute reads as) is false.
/// Any other text throws a DomException that quotes it.
template <>
KXSOACOMMON_EXPORT bool lexical_cast<bool, std::string>(std::string const& text);
template <>
KXSOACOMMON_EXPORT bool lexical_cast<bool, std::string_view>(std::string_view const& text);

}  // namespace Kestrune::Soa::Common::Xml
