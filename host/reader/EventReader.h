#pragma once

// The events of a document: the tokenizer's tokens made into the elements
// that XmlEventHandler receives, with their names found (NameTable), their
// namespaces resolved (Namespaces) and checked, the end tags matched, the
// attributes told unique, and the limits on depth, distinct names and
// memory per byte checked. Everything it holds is kept from one document to
// the next, so that a small document read again allocates nothing.

#include "host/XmlEvents.h"
#include "host/XmlReadLimits.h"
#include "host/reader/ByteClasses.h"
#include "host/reader/NameTable.h"
#include "host/reader/Namespaces.h"
#include "host/reader/TextInput.h"
#include "host/reader/Tokenizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class XmlEventReader {
public:
    explicit XmlEventReader(XmlReadLimits const& limits) : m_limits(limits), m_tokens(m_limits) {}
    XmlEventReader(XmlEventReader const&) = delete;
    XmlEventReader& operator=(XmlEventReader const&) = delete;

    // Reads the whole of `input` as one document and reports its elements
    // to `handler`. The first failure, a refusal (DomException with line and
    // column, and the handler's path() where it has none) or an exception of
    // the handler, ends the read and is thrown.
    void read(TextInput& input, XmlEventHandler& handler);

    // The memory of the window of a text that is not read in place.
    WindowMemory& window() noexcept { return m_window; }

    // What it keeps between documents, in bytes; and giving it all back.
    std::size_t keptBytes() const noexcept;
    void release() noexcept;

private:
    // What the elements may need before XmlReadLimits::maxTreeBytesPerByte applies.
    static constexpr std::size_t kFreeTreeBytes = std::size_t{64} * 1024;
    static constexpr std::uint32_t kNone = Tokenizer::kUnknown;
    // The names a qualified name (Tokenizer::KnownName) is made of.
    struct Parts {
        XmlName prefix;
        XmlName local;
    };
    struct Open {
        std::uint32_t qualified;  // its name
        std::size_t line;         // of its start tag
        std::size_t bindings;     // Namespaces::mark() before its declarations
    };
    struct Expanded {  // an attribute's namespace and local name, in a set of one start tag
        std::uint64_t key;
        std::uint32_t stamp;
    };

    void readDocument(TextInput& input, XmlEventHandler& handler);
    void startElement(XmlEventHandler& handler);
    void endElement(XmlEventHandler& handler);
    void declare(Tokenizer::Attribute const& attribute, char const* at);
    XmlName name(std::string_view text, char const* at);
    // The number of the qualified name `written`: as the tokenizer guessed
    // it, or found.
    std::uint32_t qualify(Tokenizer::Name const& written, char const* at) {
        return written.known != kNone ? written.known : learn(written, at);
    }
    std::uint32_t learn(Tokenizer::Name const& written, char const* at);
    XmlName namespaceOf(XmlName prefix, char const* at) {
        XmlName const bound = m_namespaces.boundTo(prefix);
        return bound.text.data() != nullptr ? bound : xmlNamespaceOf(prefix, at);
    }
    XmlName xmlNamespaceOf(XmlName prefix, char const* at);
    // Whether `number` was met before in this start tag, marking it met.
    bool seenBefore(std::vector<std::uint32_t>& stamps, std::uint32_t number) {
        if (number >= stamps.size()) stamps.resize(std::max<std::size_t>(number + 1, 2 * stamps.size()), 0);
        if (stamps[number] == m_stamp) return true;
        stamps[number] = m_stamp;
        return false;
    }
    bool expandedSeenBefore(XmlName uri, XmlName local);
    void charge(std::size_t bytes, char const* at);
    void close(XmlEventHandler& handler);

    XmlReadLimits m_limits;
    Tokenizer m_tokens;  // reads m_limits
    NameTable m_names;
    // The qualified names of elements and attributes (not declarations), as
    // written: read once per document, then known by their text alone, and
    // guessed by the tokenizer (see Tokenizer::Guesses). Their texts are not
    // counted as names.
    NameTable m_qualifiedNames;
    std::vector<Tokenizer::KnownName> m_known;  // by their number in m_qualifiedNames
    std::vector<Parts> m_parts;                 // the same
    std::vector<std::uint32_t> m_lastAtDepth;     // the qualified name of the last start tag at each depth
    std::vector<std::uint32_t> m_attributeNames;  // runs of the attributes' qualified names
    Namespaces m_namespaces;
    WindowMemory m_window;
    std::vector<Open> m_open;
    std::vector<XmlEventAttribute> m_attributes;
    // Which names the start tag being read has used, by their numbers: as
    // an attribute's local name (without prefix) and as a declared prefix.
    std::vector<std::uint32_t> m_localStamps;
    std::vector<std::uint32_t> m_prefixStamps;
    std::vector<Expanded> m_expanded;  // open addressing, a power of two
    std::size_t m_expandedCount = 0;
    std::uint32_t m_stamp = 0;  // of the start tag being read
    std::uint32_t m_defaultStamp = 0;  // of the last that declared the default namespace
    std::size_t m_treeBytes = 0;  // what the elements need so far, as XmlReadLimits::maxTreeBytesPerByte counts
    std::size_t m_treeBytesAllowed = kFreeTreeBytes;  // by the text read when last looked at
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
