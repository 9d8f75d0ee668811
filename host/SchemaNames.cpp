#include "host/SchemaNames.h"

#include "host/XmlCharacters.h"

namespace Kestrune::Soa::Common::Xml::detail {

namespace {

// True when `utf8` is one character or more, each valid UTF-8, the first
// taken by `first`, every later one by `later`.
template <typename First, typename Later>
bool isMadeOf(std::string_view utf8, First first, Later later) noexcept {
    if (utf8.empty()) return false;
    for (std::size_t at = 0; at < utf8.size();) {
        Utf8Sequence const sequence = decodeUtf8(utf8, at);
        if (sequence.length == 0 || !(at == 0 ? first(sequence.codePoint) : later(sequence.codePoint))) return false;
        at += sequence.length;
    }
    return true;
}

}  // namespace

bool isSchemaName(std::string_view utf8) noexcept { return isMadeOf(utf8, isSchemaNameStartChar, isSchemaNameChar); }

bool isSchemaNCName(std::string_view utf8) noexcept {
    return isMadeOf(
        utf8, [](char32_t c) { return c != ':' && isSchemaNameStartChar(c); },
        [](char32_t c) { return c != ':' && isSchemaNameChar(c); });
}

bool isSchemaNmtoken(std::string_view utf8) noexcept { return isMadeOf(utf8, isSchemaNameChar, isSchemaNameChar); }

}  // namespace Kestrune::Soa::Common::Xml::detail
