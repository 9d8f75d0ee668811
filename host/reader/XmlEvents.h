#pragma once

// What the parser reports of a document, element by element, to whoever
// builds something from it (a tree, a message).

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

// A name as the parser reports it: its text, valid for the whole read, and
// its number among the distinct names of the document (in the order they
// were met), or kUncounted for a name the parser does not keep.
struct XmlName {
    static constexpr std::uint32_t kUncounted = 0xFFFFFFFF;
    std::string_view text;
    std::uint32_t number = kUncounted;
};

struct XmlEventAttribute {
    XmlName name;          // local name
    XmlName namespaceURI;  // empty for an unprefixed attribute
    std::string_view value;  // references decoded, normalised; valid during the call only
};

struct XmlElementStart {
    XmlName name;          // local name
    XmlName namespaceURI;  // empty when the element has none
    XmlEventAttribute const* attributes;
    std::size_t attributeCount;
    std::uint32_t line;  // of the end of the start tag
};

class XmlEventHandler {
public:
    virtual void startElement(XmlElementStart const& element) = 0;
    // Character data of the innermost open element, CDATA included, in
    // pieces; valid during the call only.
    virtual void characters(std::string_view text) = 0;
    virtual void endElement() = 0;

protected:
    ~XmlEventHandler() = default;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
