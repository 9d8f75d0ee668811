#pragma once

// What a reader reports of a document, element by element, to whoever builds
// something from it: a tree (XmlDocument), a message (XmlBinder), or a
// caller's own handler (XmlReader).

#include "host/Export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

class XMLNode;

/// A name as the reader reports it: its text, valid for the whole read, and
/// its number among the distinct names the reader has met (in the order it
/// met them), or kUncounted for a name that has none. Within a read, two
/// names have the same number exactly when they have the same text; a reader
/// kept from one document to the next keeps the numbers too, until it gives
/// back its memory (XmlReader::maxKeptBytes), so a handler can key what it
/// learns by them for the read it is in, or for as long as the reader's
/// XmlReader::nameNumbering() stays the same.
struct XmlName {
    static constexpr std::uint32_t kUncounted = 0xFFFFFFFF;
    std::string_view text;
    std::uint32_t number = kUncounted;
};

struct XmlEventAttribute {
    XmlName name;            ///< local name
    XmlName namespaceURI;    ///< empty for an unprefixed attribute
    std::string_view value;  ///< references decoded, normalised; valid during the call only
};

/// A namespace declaration of a start tag: `xmlns:prefix="uri"`, or
/// `xmlns="uri"` with an empty prefix (an empty uri there: no default namespace).
struct XmlNamespaceDeclaration {
    XmlName prefix;
    XmlName uri;
};

struct XmlElementStart {
    XmlName name;                                   ///< local name
    XmlName namespaceURI;                           ///< empty when the element has none
    XmlEventAttribute const* attributes = nullptr;  ///< not the namespace declarations
    std::size_t attributeCount = 0;
    /// The namespace declarations of the start tag, in the order written:
    /// what a value naming something by a prefix (xsi:type) is read with.
    XmlNamespaceDeclaration const* declarations = nullptr;
    std::size_t declarationCount = 0;
    std::uint32_t line = 0;         ///< of the end of the start tag (1-based): where its "/>" or ">" begins
    std::uint32_t column = 0;       ///< of the same place (1-based, in characters); 0 when not known
    bool root = false;              ///< the document's root element
    XMLNode const* node = nullptr;  ///< the element, when the events come from a tree

    /// The value of the attribute with this local name, whatever its
    /// namespace; an empty view when there is none (as XMLNode::getAttr).
    std::string_view getAttr(std::string_view localName) const noexcept {
        for (std::size_t i = 0; i < attributeCount; ++i)
            if (attributes[i].name.text == localName) return attributes[i].value;
        return {};
    }
};

class XmlEventHandler {
public:
    virtual ~XmlEventHandler() = default;
    virtual void startElement(XmlElementStart const& element) = 0;
    /// Character data of the innermost open element, CDATA included, in
    /// pieces; valid during the call only.
    virtual void characters(std::string_view text) = 0;
    virtual void endElement() = 0;
    /// Where the handler is in the document: the path of the innermost open
    /// element, as DomException::path() spells it; empty when the handler
    /// does not say. The reader puts it on each refusal of its own that has
    /// none, so that a refusal names the element it was found in.
    virtual std::string path() const { return {}; }
};

/// Reports `node` and all it holds to `handler`, in document order, as a
/// reader reported the text it was read from (the text of an element comes
/// whole, before its children). Iterative: any depth is walked.
KXSOACOMMON_EXPORT void walk(XMLNode const& node, XmlEventHandler& handler);

}  // namespace Kestrune::Soa::Common::Xml
