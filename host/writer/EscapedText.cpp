#include "host/writer/EscapedText.h"

#include "host/XmlCharacters.h"
#include "host/writer/Refusal.h"

#include <algorithm>
#include <array>
#include <string>

namespace Kestrune::Soa::Common::Xml::Writer {

void refuseTokenLength(std::size_t length, std::size_t maxTokenBytes, char const* what) {
    refuse(Exceptions::ErrorKind::Limit,
           std::string(what) + " of " + std::to_string(length) +
               " bytes as escaped is longer than XmlReadLimits::maxTokenBytes (" + std::to_string(maxTokenBytes) +
               " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxTokenBytes)");
}

namespace {

// Bytes that an escaped attribute value holds as they are: all but markup,
// references, control characters and the lead of a multi-byte character.
constexpr std::array<bool, 256> makePlainValueBytes() {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[b] = b != '<' && b != '"' && b != '&';
    plain['\t'] = plain['\n'] = plain['\r'] = true;
    return plain;
}

}  // namespace

bool isReference(std::string_view name) {
    for (std::string_view const predefined : {"amp", "lt", "gt", "quot", "apos"})
        if (name == predefined) return true;
    bool const hex = name.size() > 1 && name[1] == 'x';
    std::string_view const digits = name.substr(std::min(name.size(), hex ? std::size_t{2} : std::size_t{1}));
    if (name.empty() || name[0] != '#' || digits.empty()) return false;
    char32_t value = 0;
    for (char const c : digits) {
        int digit = c >= '0' && c <= '9' ? c - '0' : -1;
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        // Held just past the last code point, however many digits follow.
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    return detail::isXmlChar(value);
}

void checkEscaped(std::string_view name, std::string_view value) {
    static constexpr std::array<bool, 256> plainValueByte = makePlainValueBytes();
    for (std::size_t i = 0; i < value.size(); ++i) {
        char const c = value[i];
        if (plainValueByte[static_cast<unsigned char>(c)]) continue;
        bool bad = true;
        if (c == '&') {
            std::size_t const end = value.find(';', i);
            bad = end == std::string_view::npos || !isReference(value.substr(i + 1, end - i - 1));
            if (!bad) i = end;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            detail::Utf8Sequence const sequence = detail::decodeUtf8(value, i);
            bad = sequence.length == 0 || !detail::isXmlChar(sequence.codePoint);
            if (!bad) i += sequence.length - 1;
        }
        if (bad)
            refuse(Exceptions::ErrorKind::Unwritable, "the value of attribute \"" + std::string(name) +
                                                          "\" is not escaped (byte offset " + std::to_string(i) +
                                                          "); pass it through toXmlString");
    }
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
