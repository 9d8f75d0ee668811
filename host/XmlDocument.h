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
struct XmlReadLimits {
    std::size_t maxBytes = std::size_t{256} * 1024 * 1024;  // size of the XML text
    std::size_t maxDepth = 256;                             // nesting of elements; the root is depth 1
};

// A parsed XML document: the tree of its elements, read from XML 1.0 text
// with namespace processing. All nodes and their text live in one arena that
// the document owns, so nodes are valid exactly as long as the document.
//
// The reader refuses, with a DomException that names line, column and
// reason: text that is not well-formed or not namespace-well-formed, any
// document type declaration (so no entity is ever declared or loaded), text
// over limits.maxBytes and nesting deeper than limits.maxDepth.
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
