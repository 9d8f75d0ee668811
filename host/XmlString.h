#pragma once

#include "host/Export.h"

#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

/// `text` escaped so that it comes back exactly from an XML 1.0 parser, both
/// as element text and as an attribute value in single or double quotes:
/// & < > " ' as entity references, tab, LF and CR as character references
/// (a parser would otherwise normalise them). A text that XML 1.0 cannot
/// carry (invalid UTF-8, a control character other than tab, LF and CR,
/// U+FFFE or U+FFFF) is refused with a DomException naming the character
/// and its byte offset; nothing is ever written raw or silently changed.
KXSOACOMMON_EXPORT std::string toXmlString(std::string const& text);

/// The same escaping, appended to `out`; costs one scan and one append when
/// nothing needs escaping. On refusal `out` is left as it was.
KXSOACOMMON_EXPORT void appendXmlString(std::string& out, std::string_view text);

}  // namespace Kestrune::Soa::Common::Xml
