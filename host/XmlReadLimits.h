#pragma once

#include <cstddef>

namespace Kestrune::Soa::Common::Xml {

/// Bounds on what a reader accepts. The defaults are far beyond any real
/// message; lower them for untrusted peers, raise them for exceptional data.
/// Each is checked as the text is read, so a refusal costs time in proportion
/// to the text read until then, and its message names the field (for example
/// "XmlReadLimits::maxTokenBytes"), its value, and the line and column where
/// it was passed.
///
/// Raised far past their defaults, the limits cost time in proportion to
/// the text still: no check of the reader grows faster than the text. Any
/// value from 0 to SIZE_MAX may be set: SIZE_MAX means no limit (no sum or
/// product of a limit with a length is made that could wrap).
struct XmlReadLimits {
    /// Size of the XML text in bytes, as received; a stream is never read
    /// past it (the byte after it is only looked at, to tell whether the text
    /// goes on).
    std::size_t maxBytes = std::size_t{256} * 1024 * 1024;
    /// Nesting of elements; the root is depth 1.
    std::size_t maxDepth = 256;
    /// Attributes of one element, namespace declarations included; counted
    /// at each attribute's "=".
    std::size_t maxAttributes = 256;
    /// Distinct names in one document: element and attribute names, prefixes,
    /// namespace names and processing instruction targets.
    std::size_t maxNames = 10000;
    /// Length in bytes of one token as written in the text in UTF-8 (a UTF-16
    /// text is counted after its conversion to UTF-8), references counted as
    /// written: a run of character data between two pieces of markup, an
    /// attribute value, a comment, a CDATA section, a processing instruction
    /// or the XML declaration; and a run of white space in a tag, and the
    /// body of a document type declaration until it is refused. Each is
    /// refused at its first byte past the limit, as it is read, so that a
    /// reader holds no more of a token than a few times the limit. An
    /// XmlStream refuses to write a token longer than its own maxTokenBytes,
    /// by default this one, so what it writes reads back.
    std::size_t maxTokenBytes = std::size_t{16} * 1024 * 1024;
    /// Length in bytes of one name as written: an element or attribute name
    /// with its prefix and colon, a processing instruction's target, or the
    /// name of an entity reference; and of a namespace URI as declared
    /// (references decoded). An XmlStream refuses
    /// to write a longer name or URI than its own maxNameBytes, by default
    /// this one.
    std::size_t maxNameBytes = std::size_t{64} * 1024;
    /// Memory the document's elements may need, per byte of its text in
    /// UTF-8: each element counts as one node, each attribute as one
    /// attribute record plus its value, each namespace declaration as one
    /// declaration record, and the character data as its bytes
    /// (sizeof(XMLNode), sizeof(XMLAttribute) and
    /// sizeof(XMLNamespaceDeclaration), 96, 48 and 32 on 64-bit systems). The first 64 KiB are free; past them the
    /// count may not pass this many bytes for each byte read up to that point. It bounds the tree that
    /// XmlDocument::parse builds to this multiple of the text, and applies alike when a message is read without a tree.
    /// Every message of the library's types needs less than 6 bytes per byte; a document of nothing but empty elements
    /// needs 24.
    std::size_t maxTreeBytesPerByte = 8;
};

}  // namespace Kestrune::Soa::Common::Xml
