#include "host/LexicalCast.h"

#include "host/DomException.h"
#include "host/XmlCharacters.h"

namespace Kestrune::Soa::Common::Xml {

template <>
std::string lexical_cast<std::string, bool>(bool const& value) {
    return value ? "true" : "false";
}

template <>
bool lexical_cast<bool, std::string_view>(std::string_view const& text) {
    constexpr std::string_view whiteSpace = " \t\n\r";
    std::size_t const first = text.find_first_not_of(whiteSpace);
    if (first == std::string_view::npos) {
        if (text.empty()) return false;
    } else {
        std::string_view const word = text.substr(first, text.find_last_not_of(whiteSpace) - first + 1);
        if (word == "true" || word == "1") return true;
        if (word == "false" || word == "0") return false;
    }
    throw Exceptions::DomException(
        "lexical_cast: " + detail::quotedInput(text) + " is not a boolean (expected true, false, 1 or 0)",
        Exceptions::ErrorKind::Value);
}

template <>
bool lexical_cast<bool, std::string>(std::string const& text) {
    return lexical_cast<bool, std::string_view>(text);
}

}  // namespace Kestrune::Soa::Common::Xml
