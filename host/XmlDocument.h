#pragma once

#include "host/Export.h"
#include "host/XMLNode.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

// Bounds on what a reader accepts. The defaults are far beyond any real
// message; lower them for untrusted peers, raise them for exceptional data.
// Each is checked as the text is read, so a refusal costs time in proportion
// to the text read until then, and the message names the limit, with the
// line and column where it was passed.
struct XmlReadLimits {
    // Size of the XML text in bytes; a stream is not read past it.
    std::size_t maxBytes = std::size_t{256} * 1024 * 1024;
    // Nesting of elements; the root is depth 1.
    std::size_t maxDepth = 256;
    // Attributes of one element, namespace declarations included; counted
    // on the start tag before the parser reads it.
    std::size_t maxAttributes = 256;
    // Distinct names in one document: element and attribute names, prefixes,
    // namespace names and processing instruction targets.
    std::size_t maxNames = 10000;
    // Length in bytes, as written in the text, of one token: a run of
    // character data between two pieces of markup, an attribute value, a
    // comment, a CDATA section or a processing instruction.
    std::size_t maxTokenBytes = std::size_t{16} * 1024 * 1024;
};

// A parsed XML document: the tree of its elements, read from XML 1.0 text
// with namespace processing. All nodes and their text live in one arena that
// the document owns, so nodes are valid exactly as long as the document.
//
// The reader refuses, with a DomException that names line, column and
// reason: text that is not well-formed or not namespace-well-formed, any
// document type declaration (so no entity is ever declared or loaded), text
// in an encoding other than UTF-8, UTF-16, UCS-4 or one that extends ASCII,
// and text over any of the limits. A stream that fails is reported as such
// ("XML input could not be read"), and so is libxml2 running out of memory.
//
// The parser pulls the text in pieces of a few kilobytes as it advances:
// text in memory is never copied whole, and a stream is read no further
// than the parser has got, nor past limits.maxBytes.
class KXSOACOMMON_EXPORT XmlDocument {
public:
    static XmlDocument parse(std::string_view xml, XmlReadLimits const& limits = {});
    static XmlDocument parse(std::istream& in, XmlReadLimits const& limits = {});

    XmlDocument(XmlDocument&& other) noexcept;
    XmlDocument& operator=(XmlDocument&& other) noexcept;
    XmlDocument(XmlDocument const&) = delete;
    XmlDocument& operator=(XmlDocument const&) = delete;
    ~XmlDocument();

    // The document's root element.
    XMLNode const& root() const noexcept { return *m_root; }

private:
    friend class XmlTreeBuilder;
    struct Storage;
    XmlDocument(std::unique_ptr<Storage> storage, XMLNode const* root) noexcept;

    std::unique_ptr<Storage> m_storage;
    XMLNode const* m_root = nullptr;
};

}  // namespace Kestrune::Soa::Common::Xml
