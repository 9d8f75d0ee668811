#pragma once

#include "host/Export.h"
#include "host/XMLNode.h"
#include "host/XmlReadLimits.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

/// A parsed XML document: the tree of its elements, read from XML 1.0 text
/// with namespace processing. All nodes and their text live in one arena that
/// the document owns, so nodes are valid exactly as long as the document.
///
/// The text is UTF-8 or UTF-16 (either byte order, with or without a byte
/// order mark; without one, UTF-16 must begin with "<?"). Any other encoding
/// is refused, and so is an XML declaration whose encoding contradicts the
/// text's ("encoding "ISO-8859-1" is not accepted: send UTF-8 or UTF-16").
///
/// The reader refuses, with a DomException that names line, column and
/// reason: text that is not well-formed or not namespace-well-formed, any
/// document type declaration (so no entity is ever declared or loaded), text
/// in an encoding that is not accepted, and text over any of the limits. A
/// stream that fails is reported as such ("XML input could not be read");
/// the end of the text is no failure, whatever exceptions() the stream was
/// asked to throw (its mask is as it was after the read).
/// Memory that runs out is std::bad_alloc, as anywhere.
///
/// UTF-8 text in memory is read where it is, never copied whole; a stream
/// (or UTF-16) is read through a window of a few kilobytes that slides on as
/// the reader advances, no further than the reader has got, nor past
/// limits.maxBytes.
class KXSOACOMMON_EXPORT XmlDocument {
public:
    static XmlDocument parse(std::string_view xml, XmlReadLimits const& limits = {});
    static XmlDocument parse(std::istream& in, XmlReadLimits const& limits = {});

    XmlDocument(XmlDocument&& other) noexcept;
    XmlDocument& operator=(XmlDocument&& other) noexcept;
    XmlDocument(XmlDocument const&) = delete;
    XmlDocument& operator=(XmlDocument const&) = delete;
    ~XmlDocument();

    /// The document's root element.
    XMLNode const& root() const noexcept { return *m_root; }

private:
    friend class XmlTreeBuilder;
    struct Storage;
    XmlDocument(std::unique_ptr<Storage> storage, XMLNode const* root) noexcept;

    std::unique_ptr<Storage> m_storage;
    XMLNode const* m_root = nullptr;
};

}  // namespace Kestrune::Soa::Common::Xml
