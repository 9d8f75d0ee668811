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
#include "host/reader/TextSource.h"
#include "host/reader/Tokenizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class MessageSource;

class XmlEventReader {
public:
    explicit XmlEventReader(XmlReadLimits const& limits) : m_limits(limits), m_tokens(m_limits), m_memory(m_tokens) {}
    XmlEventReader(XmlEventReader const&) = delete;
    XmlEventReader& operator=(XmlEventReader const&) = delete;

    // Reads the whole of `source` as one document and reports its elements
    // to `handler`. The first failure, a refusal (DomException with line and
    // column, and the handler's path() where it has none) or an exception of
    // the handler, ends the read and is thrown.
    // With `message`, the source is one message of a stream of messages:
    // the read ends at the root's end tag, and what was read past it goes
    // back to `message`.
    void read(TextSource& source, XmlEventHandler& handler, MessageSource* message = nullptr);

    // What it keeps between documents, in bytes; and giving it all back.
    std::size_t keptBytes() const noexcept { return m_memory.keptBytes(); }
    void release() noexcept { m_memory.release(); }
    // Which way the names it reports are numbered (NameTable::numbering).
    std::uint64_t nameNumbering() const noexcept { return m_memory.names.numbering(); }

private:
    // What the elements may need before XmlReadLimits::maxTreeBytesPerByte applies.
    static constexpr std::size_t kFreeTreeBytes = std::size_t{64} * 1024;
    static constexpr std::uint32_t kNone = Tokenizer::kUnknown;
    // The names a qualified name (Tokenizer::KnownName) is made of.
    struct Parts {
        XmlName prefix;
        XmlName local;
        std::uint32_t document = 0;  // the last document that counted them (m_document)
    };
    struct Open {
        Open(std::uint32_t name, std::size_t startLine, std::size_t mark) noexcept
            : qualified(name), line(startLine), bindings(mark) {}
        std::uint32_t qualified;  // its name
        std::size_t line;         // of its start tag
        std::size_t bindings;     // Namespaces::mark() before its declarations
    };
    struct Expanded {  // an attribute's namespace and local name, in a set of one start tag
        std::uint64_t key;
        std::uint32_t stamp;
    };

    // What the reader keeps from one document to the next, so that a
    // document of a shape read before allocates nothing. Each buffer is
    // listed once, in forEach, with whether a new document forgets what it
    // holds (the sets of one start tag are emptied by its new stamp
    // instead, the window by the decoder that fills it); forgetting,
    // counting and giving back go over that list.
    struct Memory {
        explicit Memory(Tokenizer& tokens) : tagAttributes(tokens.attributeMemory()), tagValues(tokens.valueMemory()) {}
        Memory(Memory const&) = delete;
        Memory& operator=(Memory const&) = delete;

        std::vector<Tokenizer::Attribute>& tagAttributes;  // the tokenizer's, which it reads start tags into
        std::string& tagValues;
        // The names, qualified names and guesses stay from one document to
        // the next, so that a document of names read before learns none
        // again; each document counts the names it uses (nameStamps), as a
        // new reader would, and the whole is released past maxKeptBytes.
        NameTable names;
        std::vector<std::uint32_t> nameStamps;  // by a name's number: the last document that counted it
        // The qualified names of elements and attributes (not declarations),
        // as written: read once, then known by their text alone, and guessed
        // by the tokenizer (see Tokenizer::Guesses). Their texts are not
        // counted as names.
        NameTable qualifiedNames;
        std::vector<Tokenizer::KnownName> known;    // by their number in qualifiedNames
        std::vector<Parts> parts;                   // the same
        std::vector<std::uint32_t> lastAtDepth;     // the qualified name of the last start tag at each depth
        std::vector<std::uint32_t> attributeNames;  // runs of the attributes' qualified names
        Namespaces namespaces;
        WindowMemory window;  // of a text that is not read in place
        std::vector<Open> open;
        std::vector<XmlEventAttribute> attributes;
        std::vector<XmlNamespaceDeclaration> declarations;  // of the start tag being read
        // Which names the start tag being read has used, by their numbers:
        // as an attribute's local name (without prefix) and as a declared
        // prefix; and its attributes' namespaces and local names.
        std::vector<std::uint32_t> localStamps;
        std::vector<std::uint32_t> prefixStamps;
        std::vector<Expanded> expanded;  // open addressing, a power of two

        // Whether a new document forgets what a buffer holds, told at compile time.
        using Forgotten = std::true_type;
        using Stays = std::false_type;
        template <class Self, class Each>
        static void forEach(Self& self, Each&& each) {
            each(self.tagAttributes, Forgotten()), each(self.tagValues, Forgotten());
            each(self.names, Stays()), each(self.nameStamps, Stays()), each(self.qualifiedNames, Stays());
            each(self.known, Stays()), each(self.parts, Stays()), each(self.lastAtDepth, Stays());
            each(self.attributeNames, Stays());
            each(self.namespaces, Forgotten()), each(self.window, Stays()), each(self.open, Forgotten());
            each(self.attributes, Forgotten()), each(self.declarations, Forgotten());
            each(self.localStamps, Stays()), each(self.prefixStamps, Stays()), each(self.expanded, Stays());
        }
        void forget() noexcept;
        std::size_t keptBytes() const noexcept;
        void release() noexcept;
    };

    // Reads the document's events to its end, or to its root's end tag when
    // `rootEnds`.
    void readDocument(TextInput& input, XmlEventHandler& handler, bool rootEnds);
    void startElement(XmlEventHandler& handler);
    // The jobs of startElement, once per start tag (inline:
    // defined and used in EventReader.cpp alone).
    inline void newStamp() noexcept;
    inline bool declareAll(char const* at);
    inline XmlName const& elementNamespace(std::uint32_t element, char const* at);
    inline std::size_t eventAttributes(std::uint32_t element, bool declares, char const* at);
    [[noreturn]] void undeclared(XmlName prefix, XmlName attribute, std::uint32_t element, char const* at) const;
    [[noreturn]] void givenTwice(Tokenizer::Attribute const& attribute, std::uint32_t number, std::uint32_t element,
                                 bool expanded) const;
    void declare(Tokenizer::Attribute const& attribute, char const* at);
    void endElement(XmlEventHandler& handler);
    XmlName name(std::string_view text, char const* at);
    // Counts `name` against the limit of distinct names, once per document.
    void count(XmlName name, char const* at) {
        if (seenBefore(m_memory.nameStamps, name.number, m_document)) return;
        if (++m_documentNames > m_limits.maxNames) m_tokens.overLimit(at, Limit::Names);
    }
    // The number of the qualified name `written`, as the tokenizer guessed
    // it or found, its names counted the first time the document has it.
    std::uint32_t qualify(Tokenizer::Name const& written, char const* at) {
        std::uint32_t const number = written.known != kNone ? written.known : learn(written);
        Parts& parts = m_memory.parts[number];
        if (parts.document != m_document) {
            parts.document = m_document;
            count(parts.local, at);
            if (!parts.prefix.text.empty()) count(parts.prefix, at);
        }
        return number;
    }
    std::uint32_t learn(Tokenizer::Name const& written);
    // A new document: its own stamp, and no name counted yet.
    void newDocument() noexcept;
    // The namespace `prefix` stands for, where it is kept (valid until the
    // next start tag); null when it is not declared. The names of an event
    // are handed on from where they are kept, not through copies.
    XmlName const* namespaceOf(XmlName prefix, char const* at) {
        XmlName const* const bound = m_memory.namespaces.boundTo(prefix);
        return bound != nullptr ? bound : xmlNamespaceOf(prefix, at);
    }
    XmlName const* xmlNamespaceOf(XmlName prefix, char const* at);
    // Whether `number` was met before under `stamp` (this start tag's, or
    // this document's), marking it met.
    static bool seenBefore(std::vector<std::uint32_t>& stamps, std::uint32_t number, std::uint32_t stamp) {
        if (number >= stamps.size()) stamps.resize(std::max<std::size_t>(number + 1, 2 * stamps.size()), 0);
        if (stamps[number] == stamp) return true;
        stamps[number] = stamp;
        return false;
    }
    bool expandedSeenBefore(XmlName uri, XmlName local);
    void charge(std::size_t bytes, char const* at);
    void close(XmlEventHandler& handler);

    XmlReadLimits m_limits;
    Tokenizer m_tokens;  // reads m_limits
    Memory m_memory;
    std::size_t m_expandedCount = 0;
    std::uint32_t m_document = 0;      // of the document being read
    std::size_t m_documentNames = 0;   // the distinct names it has used
    XmlName m_xmlNamespace;            // what the prefix "xml" stands for, as xmlNamespaceOf last found it
    std::uint32_t m_stamp = 0;         // of the start tag being read
    std::uint32_t m_defaultStamp = 0;  // of the last that declared the default namespace
    std::size_t m_treeBytes = 0;       // what the elements need so far, as XmlReadLimits::maxTreeBytesPerByte counts
    std::size_t m_treeBytesAllowed = kFreeTreeBytes;  // by the text read when last looked at
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
