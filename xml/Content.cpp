#include "xml/internal/ContentRules.h"

#include <cstdio>

namespace Kestrune::Soa::Common::Xml::Content {

std::string quoted(std::string const& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char const c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') {
                    char escaped[5];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace Kestrune::Soa::Common::Xml::Content
