#include "host/reader/Refusal.h"

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

struct LimitWords {
    std::size_t XmlReadLimits::*field;
    char const* name;
    char const* what;   // what passed it, as a rule
    char const* after;  // what follows the field's name
    char const* unit;
};

// By Limit.
constexpr LimitWords kLimits[] = {
    {&XmlReadLimits::maxBytes, "maxBytes", "the XML text is larger", "", " bytes"},
    {&XmlReadLimits::maxDepth, "maxDepth", "elements are nested deeper", "", " levels"},
    {&XmlReadLimits::maxAttributes, "maxAttributes", "an element has more attributes", "", ""},
    {&XmlReadLimits::maxNames, "maxNames", "the document uses more distinct names", "", ""},
    {&XmlReadLimits::maxTokenBytes, "maxTokenBytes",
     "a token (text, attribute value, comment, CDATA section or processing instruction) is longer", "", " bytes"},
    {&XmlReadLimits::maxNameBytes, "maxNameBytes", "a name is longer", "", " bytes"},
    {&XmlReadLimits::maxTreeBytesPerByte, "maxTreeBytesPerByte", "the document's elements need more memory", " allows",
     " bytes per byte of text"},
};

}  // namespace

std::string pastLimit(Limit limit, XmlReadLimits const& limits, char const* what) {
    LimitWords const& words = kLimits[static_cast<std::size_t>(limit)];
    return std::string(what != nullptr ? what : words.what) + " than XmlReadLimits::" + words.name + words.after +
           " (" + std::to_string(limits.*words.field) + words.unit + ")";
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
