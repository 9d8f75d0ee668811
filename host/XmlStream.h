#pragma once

#include "host/Export.h"

#include <cstddef>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

/// The XML writer that objects write themselves onto. It is an output stream:
/// each write operation returns the text to insert, and the caller inserts it
/// at once. The stream keeps track of the open elements and the namespace
/// declarations in scope, so that what it produces is well-formed,
/// namespace-well-formed XML 1.0 in UTF-8 whether an object is written at the
/// root or inside an element that the caller opened:
/// - the root element declares every URI handed to addNamespaces (but one
///   whose prefix, given out before, the root's own name takes: that URI is
///   declared where it is used);
/// - each URI gets a stable prefix ("ns1", "ns2", ...), made unlike every
///   prefix in scope and the prefix of the element being opened;
/// - a name without prefix is qualified with its URI's prefix; a name with a
///   prefix is written as it stands and is in the namespace that prefix has
///   in scope; only a prefix not bound in scope is bound to the URI given;
/// - no element repeats a declaration that is already in scope, so a message
///   written at the root declares its namespaces once, on the root.
/// The prefixes "xml" and "xmlns" and their namespaces are never bound.
/// Misuse (an invalid name, closing what is not open, a second root element)
/// throws a DomException instead of producing broken XML, and changes
/// nothing: a write refused before it wrote anything leaves the stream as
/// it was (a new or reset stream stays one for the next message), the
/// namespaces handed to it or gathered for the refused element forgotten.
///
/// The text an operation returns lives in the stream and stays valid until
/// the next operation: insert it at once, as `stream << stream.write...(...)`
/// does. Objects write themselves through the binding's operations below,
/// which append straight to the stream's text.
///
/// Reuse: reset() starts the next document on the same stream, exactly as a
/// new stream on the same buffer would. Every buffer keeps its memory, so that
/// once the stream has written a message of a given shape, writing another of
/// that shape allocates nothing; what it keeps changes no byte it writes. A
/// stream is for one thread at a time; give each thread its own.
///
/// A write that fails throws (a DomException for what XML cannot carry,
/// std::bad_alloc, or std::ios_base::failure from a caller's buffer that
/// refuses bytes) instead of leaving the text cut short. On a caller's
/// buffer, a document that was not finished (its root element not closed) is
/// never handed on by reset() or the destructor: what was held of it is
/// dropped. Only what went on before the failure in whole pieces (a message
/// longer than a piece) has reached the buffer; bytesHandedOn() tells how
/// much.
class KXSOACOMMON_EXPORT XmlStream : public std::ostream {
public:
    /// Writes into a string that the stream owns; see str().
    XmlStream();
    /// Writes onto the caller's buffer, which must outlive the stream. What
    /// the caller inserts goes to the buffer at once; what objects write goes
    /// in pieces of 64 KiB, the last when the root element ends (or at
    /// flush()), when the buffer is synced as well (pubsync), so that a
    /// message written onto a connection reaches the peer when it ends. The
    /// destructor hands on what is left of a finished document (an error can
    /// then no longer be reported) and drops what is held of an unfinished
    /// one.
    explicit XmlStream(std::streambuf* target);
    ~XmlStream() override;
    XmlStream(XmlStream const&) = delete;
    XmlStream& operator=(XmlStream const&) = delete;

    /// The text written so far, for a stream that writes into its own string;
    /// empty for a stream on a caller's buffer. The string holds the text as
    /// it is at the call: after more is written, call str() again.
    std::string const& str() const noexcept;

    /// Ends the document: the next element written is a new root, written
    /// exactly as on a new stream on the same buffer. A stream on its own
    /// string drops the text written (keeping its memory). One on a caller's
    /// buffer hands on what it holds of a finished document, and drops what
    /// it holds of an unfinished one (a write that failed, or a request left
    /// open). The stream's error state is cleared, the namespaces handed to it
    /// for the next element are forgotten, a probe left open is abandoned, and
    /// the prefixes are given out from "ns1" again. maxTokenBytes() and
    /// maxNameBytes() stay. If the caller's buffer refuses the last piece of a
    /// finished document, reset() throws std::ios_base::failure after the
    /// stream is reset all the same.
    void reset();

    /// Bytes of the current document (since the stream was made or last
    /// reset) that the caller's buffer has taken: what the stream handed on
    /// and what the caller inserted. After a write that threw, 0 means that
    /// nothing of the failed message reached the buffer. Always 0 for a
    /// stream on its own string.
    std::size_t bytesHandedOn() const noexcept;

    /// True exactly while no element written to the stream is open.
    bool isRootElement() const noexcept;

    /// URIs that the next element opened (normally the root) declares.
    void addNamespaces(std::set<std::string> namespaces);

    /// "<prefix:name" followed by the namespace declarations the element needs.
    std::string const& writeOpenElement(std::string_view uri, std::string_view name);

    /// Opens the element of an object that is a local element of the type
    /// containing it: as writeOpenElement, except that a name without prefix
    /// stays without one and is in the namespace of the innermost open
    /// element, declared as the default namespace (xmlns="...") unless it
    /// already is. At the root it is writeOpenElement. Close it with `uri`.
    std::string const& writeOpenLocalElement(std::string_view uri, std::string_view name);

    /// `text` escaped as toXmlString escapes it, into the stream's own buffer
    /// (valid until the next call of escape). writeAttribute takes this text
    /// as it is, without checking it again. Refused when the escaped text is
    /// longer than maxTokenBytes().
    std::string const& escape(std::string_view text);

    /// The longest token, an attribute value or a run of text as escaped, that
    /// the stream writes: a longer one is refused with a DomException naming
    /// XmlReadLimits::maxTokenBytes, as a reader with that limit would refuse
    /// it. The reader's default unless set; raise the two together.
    void setMaxTokenBytes(std::size_t bytes) noexcept;
    std::size_t maxTokenBytes() const noexcept;

    /// The longest name the stream writes, as written (an element or
    /// attribute name with its prefix and colon), and the longest namespace
    /// URI: a longer one is refused with a DomException naming
    /// XmlReadLimits::maxNameBytes, as a reader with that limit would refuse
    /// it. The reader's default unless set; raise the two together.
    void setMaxNameBytes(std::size_t bytes) noexcept;
    std::size_t maxNameBytes() const noexcept;

    /// ` name="value"`; `value` must already be escaped (see toXmlString) and
    /// no longer than maxTokenBytes(): raw markup, a reference other than the
    /// five predefined entities and character references to characters XML can
    /// carry, or text XML cannot carry is refused.
    std::string const& writeAttribute(std::string_view name, std::string_view value) const;

    /// ">" to go on with content, or "/>" when `empty` (the element is then closed).
    std::string const& writeOpenElementClose(std::string_view uri, bool empty);

    /// "</prefix:name>" for the innermost open element, which must be this one.
    std::string const& writeCloseElement(std::string_view uri, std::string_view name);

    /// The prefix of `uri` in this stream (assigned on first request, then
    /// stable until reset(), as is the string returned); never empty. An
    /// empty URI cannot have one and is refused.
    std::string const& getNamespacePrefix(std::string_view uri);

    /// The binding's operations (xml/, and the host's business objects and
    /// service data). Each does what the write... operation of the same name
    /// does, with the same checks, and appends its text to the stream's text
    /// itself instead of returning it.
    void openElement(std::string_view uri, std::string_view name);
    void openLocalElement(std::string_view uri, std::string_view name);
    /// The attribute with `text` escaped (as escape() does) on the way.
    void attribute(std::string_view name, std::string_view text);
    void closeStartTag(std::string_view uri, bool empty);
    void closeElement(std::string_view uri, std::string_view name);
    /// "<name>text</name>", `text` escaped: an element of text alone, inside
    /// the open element; `name` as qualifiedName gives it.
    void textElement(std::string_view name, std::string_view text);
    /// `local` qualified with the prefix of `uri` ("ns1:local"), or `local`
    /// alone for an empty URI: the name of a child element. The string lives
    /// as long as the stream.
    std::string const& qualifiedName(std::string_view uri, std::string_view local);

    /// A URI that the next element opened declares, as addNamespaces adds
    /// them (the two are declared together, in order).
    void addNamespace(std::string_view uri);
    /// While one lives, the stream gathers the namespaces of the root element
    /// about to be written: an object's outputXML then writes nothing and
    /// hands the URIs its element tree needs to addNamespace (the same as its
    /// getNamespaces gives, without building a set).
    class KXSOACOMMON_EXPORT GatheringNamespaces {
    public:
        explicit GatheringNamespaces(XmlStream& stream) noexcept;
        ~GatheringNamespaces();
        GatheringNamespaces(GatheringNamespaces const&) = delete;
        GatheringNamespaces& operator=(GatheringNamespaces const&) = delete;

    private:
        XmlStream& m_stream;
    };
    bool gathersNamespaces() const noexcept;

    /// The timing probe of the message written at the root: started
    /// (Monitor::markStart) before its start tag, ended with its end tag
    /// (markEnd). A write that throws abandons it (markAbandoned), and so
    /// does reset() before its end, so that no probe is left started.
    void startProbe(std::string const& probe);
    void endProbe();
    void abandonProbe() noexcept;

    /// Writing one root element in parts, for xml/RequestWriter.h: the next
    /// object written at the root writes only the part named (First: the
    /// start of its element, its namespace declarations and its children;
    /// Middle: its children; Last: its children and its end; the probe runs
    /// from the first part to the last). Whole, the default, is all of it.
    enum class Part : unsigned char { Whole, First, Middle, Last };
    void writeNextAs(Part part) noexcept;
    /// The part to write now, for the object's writing procedure; the stream
    /// goes back to Whole, so that what the object holds is written whole.
    Part takePart() noexcept;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace Kestrune::Soa::Common::Xml
