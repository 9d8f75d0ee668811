#pragma once

#include "host/Export.h"

#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

// The XML writer that objects write themselves onto. It is an output stream:
// each write operation returns the text to insert, and the caller inserts it
// at once. The stream keeps track of the open elements and the namespace
// declarations in scope, so that what it produces is well-formed,
// namespace-well-formed XML 1.0 in UTF-8 whether an object is written at the
// root or inside an element that the caller opened:
// - the root element declares every URI handed to addNamespaces (but one
//   whose prefix, given out before, the root's own name takes: that URI is
//   declared where it is used);
// - each URI gets a stable prefix ("ns1", "ns2", ...), made unlike every
//   prefix in scope and the prefix of the element being opened;
// - a name without prefix is qualified with its URI's prefix; a name with a
//   prefix is written as it stands and is in the namespace that prefix has
//   in scope; only a prefix not bound in scope is bound to the URI given;
// - no element repeats a declaration that is already in scope, so a message
//   written at the root declares its namespaces once, on the root.
// The prefixes "xml" and "xmlns" and their namespaces are never bound.
// Misuse (an invalid name, closing what is not open, a second root element)
// throws a DomException instead of producing broken XML.
//
// The text an operation returns lives in the stream and stays valid until
// the next operation: insert it at once, as `stream << stream.write...(...)`
// does. Writing allocates nothing per element once the stream's buffers have
// grown to the message's shape.
//
// A write that fails throws (std::bad_alloc, or std::ios_base::failure from a
// caller's buffer that refuses bytes) instead of leaving the text cut short.
class KXSOACOMMON_EXPORT XmlStream : public std::ostream {
public:
    // Writes into a string that the stream owns; see str().
    XmlStream();
    // Writes onto the caller's buffer, which must outlive the stream.
    explicit XmlStream(std::streambuf* target);
    ~XmlStream() override;
    XmlStream(XmlStream const&) = delete;
    XmlStream& operator=(XmlStream const&) = delete;

    // The text written so far, for a stream that writes into its own string;
    // empty for a stream on a caller's buffer.
    std::string const& str() const noexcept;

    // True exactly while no element written to the stream is open.
    bool isRootElement() const noexcept;

    // URIs that the next element opened (normally the root) declares.
    void addNamespaces(std::set<std::string> namespaces);

    // "<prefix:name" followed by the namespace declarations the element needs.
    std::string const& writeOpenElement(std::string_view uri, std::string_view name);

    // Opens the element of an object that is a local element of the type
    // containing it: as writeOpenElement, except that a name without prefix
    // stays without one and is in the namespace of the innermost open
    // element, declared as the default namespace (xmlns="...") unless it
    // already is. At the root it is writeOpenElement. Close it with `uri`.
    std::string const& writeOpenLocalElement(std::string_view uri, std::string_view name);

    // `text` escaped as toXmlString escapes it, into the stream's own buffer
    // (valid until the next call of escape). writeAttribute takes this text
    // as it is, without checking it again.
    std::string const& escape(std::string_view text);

    // ` name="value"`; `value` must already be escaped (see toXmlString): raw
    // markup, a reference other than the five predefined entities and
    // character references to characters XML can carry, or text XML cannot
    // carry is refused.
    std::string const& writeAttribute(std::string_view name, std::string_view value) const;

    // ">" to go on with content, or "/>" when `empty` (the element is then closed).
    std::string const& writeOpenElementClose(std::string_view uri, bool empty);

    // "</prefix:name>" for the innermost open element, which must be this one.
    std::string const& writeCloseElement(std::string_view uri, std::string_view name);

    // The prefix of `uri` in this stream (assigned on first request, then
    // stable, as is the string returned); never empty. An empty URI cannot
    // have one and is refused.
    std::string const& getNamespacePrefix(std::string_view uri);

private:
    std::string const& open(std::string_view uri, std::string_view name, bool local);

    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace Kestrune::Soa::Common::Xml
