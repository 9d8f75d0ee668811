// libFuzzer target: the tool's fully populated sample of any of the fifteen
// types, its every attribute value and element text replaced by text made
// from the bytes, is read, and the object must write exactly that text
// again: every member read and written unchanged. Text that XML cannot
// carry must be refused by the escaping with a DomException, and nothing
// else may be. Any difference aborts. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_round_trip -max_total_time=60 <corpus folder>

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlString.h"
#include "tools/ie/MessageTypes.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

// True when `text` is UTF-8 of XML 1.0 characters only: what the writer
// must carry unchanged. Written apart from the library's own tables: the
// well-formed byte sequences, less the controls, surrogates, U+FFFE and U+FFFF.
bool carriable(std::string const& text) {
    static std::regex const xmlText(
        "([\t\n\r\x20-\x7F]|[\xC2-\xDF][\x80-\xBF]|\xE0[\xA0-\xBF][\x80-\xBF]|[\xE1-\xEC\xEE][\x80-\xBF]{2}|"
        "\xED[\x80-\x9F][\x80-\xBF]|\xEF[\x80-\xBE][\x80-\xBF]|\xEF\xBF[\x80-\xBD]|\xF0[\x90-\xBF][\x80-\xBF]{2}|"
        "[\xF1-\xF3][\x80-\xBF]{3}|\xF4[\x80-\x8F][\x80-\xBF]{2})*");
    return std::regex_match(text, xmlText);
}

// Either raw bytes, or pieces of text that needs care in XML (markup, the
// white space that parsers normalise, "]]>", multi-byte characters), which
// may also be cut inside a character.
std::string textFrom(FuzzedDataProvider& bytes) {
    static std::string const troublesome = "a &<>\"'\t\n\r\n]]>&amp;\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";
    if (bytes.ConsumeBool()) return bytes.ConsumeRandomLengthString(24);
    std::string value;
    for (std::size_t n = bytes.ConsumeIntegralInRange<std::size_t>(0, 8); n > 0; --n)
        value += troublesome.substr(bytes.ConsumeIntegralInRange<std::size_t>(0, troublesome.size()),
                                    bytes.ConsumeIntegralInRange<std::size_t>(0, 6));
    return value;
}

// `value` escaped; aborts unless the escaping refuses exactly what XML cannot carry.
std::string escaped(std::string const& value) {
    try {
        std::string text = Kestrune::Soa::Common::Xml::toXmlString(value);
        if (!carriable(value)) std::abort();  // wrote text that XML cannot carry
        return text;
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        if (carriable(value)) std::abort();  // refused text that XML carries
        throw;
    }
}

// `xml` as the writer wrote it, with every attribute value but the namespace
// declarations, and every element text, made from the bytes; a flag stays
// "true" or "false".
std::string refilled(std::string const& xml, FuzzedDataProvider& bytes) {
    std::string out;
    for (std::size_t i = 0; i < xml.size(); ++i) {
        out += xml[i];
        bool const value = xml[i] == '"' && out.compare(out.rfind(' ') + 1, 5, "xmlns") != 0;
        bool const text = xml[i] == '>' && i + 1 < xml.size() && xml[i + 1] != '<';
        if (!value && !text) continue;
        std::size_t const end = xml.find(value ? '"' : '<', i + 1);
        bool const flag =
            value && (xml.compare(i + 1, end - i - 1, "true") == 0 || xml.compare(i + 1, end - i - 1, "false") == 0);
        out += flag ? (bytes.ConsumeBool() ? "true" : "false") : escaped(textFrom(bytes));
        out += xml[end];
        i = end;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    std::vector<kxsoa_ie::MessageType> const& types = kxsoa_ie::messageTypes();
    kxsoa_ie::MessageType const& type = types[bytes.ConsumeIntegralInRange<std::size_t>(0, types.size() - 1)];
    std::string xml;
    try {
        xml = refilled(type.sample(type, bytes.ConsumeIntegralInRange<std::size_t>(0, 3)), bytes);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        return 0;  // text that XML cannot carry, rightly refused
    }
    // Must read: no exception expected.
    if (type.bind(Kestrune::Soa::Common::Xml::XmlDocument::parse(xml).root()).written != xml) std::abort();
    return 0;
}
