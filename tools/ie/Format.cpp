#include "Format.h"

namespace kxsoa_ie {

namespace {

// Where the tag that starts at `at` ends (one past its '>'): the first '>'
// outside the quotes of an attribute value.
std::size_t tagEnd(std::string_view xml, std::size_t at) {
    char quote = 0;
    for (++at; at < xml.size(); ++at) {
        char const c = xml[at];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return xml.size();
}

}  // namespace

std::string indented(std::string_view xml) {
    std::string out;
    out.reserve(xml.size() + xml.size() / 4);
    std::size_t depth = 0;
    enum { nothing, text, startTag, endTag } last = nothing;  // the end tag of an empty element included
    auto const newLine = [&](std::size_t level) { out.append("\n").append(2 * level, ' '); };
    for (std::size_t at = 0; at < xml.size();) {
        if (xml[at] != '<') {
            std::size_t const end = std::min(xml.find('<', at), xml.size());
            out.append(xml.substr(at, end - at));
            last = text;
            at = end;
            continue;
        }
        std::size_t const end = tagEnd(xml, at);
        std::string_view const tag = xml.substr(at, end - at);
        if (tag.size() > 1 && tag[1] == '/') {
            depth -= depth > 0;
            if (last == endTag) newLine(depth);
            last = endTag;
        } else {
            if (last == startTag || last == endTag) newLine(depth);
            bool const empty = tag.size() > 2 && tag[tag.size() - 2] == '/';
            depth += !empty;
            last = empty ? endTag : startTag;
        }
        out.append(tag);
        at = end;
    }
    return out;
}

}  // namespace kxsoa_ie
