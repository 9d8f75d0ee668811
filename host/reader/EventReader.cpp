#include "host/reader/EventReader.h"

#include "host/reader/MessageSource.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/reader/TextPosition.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// Room for one more element, so that the next push_back cannot throw.
template <class T>
void roomForOne(std::vector<T>& buffer) {
    if (buffer.size() == buffer.capacity()) buffer.reserve(std::max<std::size_t>(16, 2 * buffer.size()));
}

// Whether an attribute's name declares a namespace: "xmlns" alone, or as
// its prefix. One the tokenizer guessed never does (the element's names it
// guesses from leave declarations out), which is most of them.
inline bool isDeclaration(Tokenizer::Name const& name) noexcept {
    return name.known == Tokenizer::kUnknown && name.length >= 5 && std::memcmp(name.text, "xmlns", 5) == 0 &&
           (name.length == 5 || name.colon == 5);
}

}  // namespace

void XmlEventReader::read(TextSource& source, XmlEventHandler& handler, MessageSource* message) {
    if (message != nullptr) message->begin();
    m_memory.forget();
    newDocument();
    TextInput input(source, m_limits, m_memory.window);
    try {
        // What follows a message is the next one's, read as it came: the
        // reader hands on UTF-8 alone, so a stream of messages carries it.
        if (message != nullptr && !input.utf8()) {
            throw errorAt(Refusal::Encoding, TextPlace{},
                          "a message read from a stream of messages is in UTF-8 (or US-ASCII); this one is in UTF-16");
        }
        readDocument(input, handler, message != nullptr);
    } catch (Exceptions::DomException& refusal) {
        // A refusal names the element it was found in, unless it already
        // does; without the memory to say it, it goes without.
        try {
            if (refusal.path().empty()) refusal.setPath(handler.path());
        } catch (...) {
        }
        throw;
    }
    if (message != nullptr) message->ended(input.unread(m_tokens.here()), input.held());
}

void XmlEventReader::readDocument(TextInput& input, XmlEventHandler& handler, bool rootEnds) {
    m_tokens.start(input, Tokenizer::Guesses{&m_memory.known, &m_memory.lastAtDepth, &m_memory.attributeNames});
    m_treeBytes = 0;
    m_treeBytesAllowed = kFreeTreeBytes;
    for (;;) {
        switch (m_tokens.next()) {
            case Tokenizer::Token::StartTag:
                startElement(handler);
                if (rootEnds && m_tokens.afterRoot()) return;  // an empty root element
                break;
            case Tokenizer::Token::EndTag:
                endElement(handler);
                if (rootEnds && m_tokens.afterRoot()) return;
                break;
            case Tokenizer::Token::Text:
                charge(m_tokens.text().size(), m_tokens.here());
                handler.characters(m_tokens.text());
                break;
            case Tokenizer::Token::Target:  // a processing instruction: only its target counts, as a name
                name(m_tokens.name().whole(), m_tokens.at());
                break;
            case Tokenizer::Token::End:
                if (!m_memory.open.empty()) {
                    m_tokens.fail(m_tokens.at(), "the document ends before element " +
                                                     quoted(m_memory.known[m_memory.open.back().qualified].text) +
                                                     " is closed");
                }
                return;
        }
    }
}

// Every name counts against the limit of distinct names.
XmlName XmlEventReader::name(std::string_view text, char const* at) {
    XmlName const found = m_memory.names.intern(text);
    count(found, at);
    return found;
}

void XmlEventReader::newDocument() noexcept {
    m_documentNames = 0;
    if (++m_document == 0) {  // after 2^32 documents: every stamp is old again
        std::fill(m_memory.nameStamps.begin(), m_memory.nameStamps.end(), 0);
        for (Parts& parts : m_memory.parts) parts.document = 0;
        m_document = 1;
    }
}

// The number of the name `written`, read as a qualified name the first time
// the reader meets it (qualify counts its names).
std::uint32_t XmlEventReader::learn(Tokenizer::Name const& written) {
    std::string_view const text = written.whole();
    if (!written.qualified) {
        m_tokens.fail(
            written.text,
            quoted(text) + " is not a qualified name (a prefix, a colon and a local name, or a local name alone)");
    }
    XmlName const met = m_memory.qualifiedNames.find(text);
    if (met.number != XmlName::kUncounted) return met.number;
    // A new one: everything that can fail comes first, so that the tables,
    // which stay for the next document, hold it whole or not at all.
    Parts parts;
    parts.local = m_memory.names.intern(written.local());
    if (written.colon != 0) parts.prefix = m_memory.names.intern(written.prefix());
    roomForOne(m_memory.parts);
    roomForOne(m_memory.known);
    XmlName const found = m_memory.qualifiedNames.intern(text);
    Tokenizer::KnownName known;
    known.text = found.text;
    known.colon = written.colon;
    m_memory.parts.push_back(parts);
    m_memory.known.push_back(known);
    return found.number;
}

// The namespace of a prefix bound to none: the one that "xml" always has,
// or a null text.
XmlName const* XmlEventReader::xmlNamespaceOf(XmlName prefix, char const* at) {
    if (prefix.text != "xml") return nullptr;
    m_xmlNamespace = name(kXmlNamespace, at);
    return &m_xmlNamespace;
}

// The same for an attribute's namespace and local name, in a hashed set
// that a new start tag empties by its new stamp.
bool XmlEventReader::expandedSeenBefore(XmlName uri, XmlName local) {
    if ((m_expandedCount + 1) * 2 > m_memory.expanded.size()) {
        std::vector<Expanded> old(std::max<std::size_t>(16, 2 * m_memory.expanded.size()), Expanded{0, 0});
        old.swap(m_memory.expanded);
        m_expandedCount = 0;
        for (Expanded const& entry : old) {
            if (entry.stamp != m_stamp) continue;
            std::size_t const mask = m_memory.expanded.size() - 1;
            std::size_t i = (entry.key * 0x9E3779B97F4A7C15ULL >> 32) & mask;
            while (m_memory.expanded[i].stamp == m_stamp) i = (i + 1) & mask;
            m_memory.expanded[i] = entry;
            ++m_expandedCount;
        }
    }
    std::uint64_t const key = std::uint64_t{uri.number} << 32 | local.number;
    std::size_t const mask = m_memory.expanded.size() - 1;
    std::size_t i = (key * 0x9E3779B97F4A7C15ULL >> 32) & mask;
    for (; m_memory.expanded[i].stamp == m_stamp; i = (i + 1) & mask)
        if (m_memory.expanded[i].key == key) return true;
    m_memory.expanded[i] = Expanded{key, m_stamp};
    ++m_expandedCount;
    return false;
}

// A namespace declaration: `xmlns="uri"` or `xmlns:prefix="uri"`, with the
// rules of Namespaces in XML 1.0 on "xml" and "xmlns".
void XmlEventReader::declare(Tokenizer::Attribute const& attribute, char const* at) {
    std::string_view const uri = attribute.value;
    if (uri.size() > m_limits.maxNameBytes)
        m_tokens.overLimit(attribute.valueAt, Limit::NameBytes, "a namespace URI is longer");
    char const* const written = attribute.name.text;
    if (uri == kXmlnsNamespace) m_tokens.fail(written, "the namespace " + quoted(uri) + " cannot be declared");
    if (attribute.name.colon == 0) {
        if (uri == kXmlNamespace) m_tokens.fail(written, "the namespace " + quoted(uri) + " cannot be the default one");
        if (m_defaultStamp == m_stamp) m_tokens.fail(written, "attribute 'xmlns' is given twice");
        m_defaultStamp = m_stamp;
        XmlName const namespaceName = uri.empty() ? XmlName{} : name(uri, at);
        m_memory.namespaces.bindDefault(namespaceName);
        m_memory.declarations.push_back(XmlNamespaceDeclaration{XmlName{}, namespaceName});
        return;
    }
    std::string_view const prefix = attribute.name.local();
    if (prefix == "xmlns") m_tokens.fail(written, "the prefix 'xmlns' cannot be declared");
    if (uri.empty()) {
        m_tokens.fail(written, "the prefix " + quoted(prefix) +
                                   " is declared with an empty namespace name, which Namespaces in XML 1.0 does not "
                                   "allow (a prefix cannot be undeclared)");
    }
    if ((prefix == "xml") != (uri == kXmlNamespace)) {
        m_tokens.fail(written,
                      "the prefix 'xml' and the namespace " + quoted(kXmlNamespace) + " are bound to each other only");
    }
    XmlName const declared = name(prefix, at);
    XmlName const namespaceName = name(uri, at);
    if (seenBefore(m_memory.prefixStamps, declared.number, m_stamp)) {
        m_tokens.fail(written, "attribute " + quoted(attribute.name.whole()) + " is given twice");
    }
    m_memory.namespaces.bind(declared, namespaceName);
    m_memory.declarations.push_back(XmlNamespaceDeclaration{declared, namespaceName});
}

// A start tag: its element with its attributes, each job on its own below.
void XmlEventReader::startElement(XmlEventHandler& handler) {
    char const* const at = m_tokens.at();
    std::size_t const depth = m_memory.open.size();
    if (depth >= m_limits.maxDepth) m_tokens.overLimit(at, Limit::Depth);
    newStamp();
    std::size_t const bindings = m_memory.namespaces.mark();
    bool const declares = declareAll(at);
    std::uint32_t const element = qualify(m_tokens.name(), at);
    if (depth >= m_memory.lastAtDepth.size()) m_memory.lastAtDepth.resize(depth + 1, kNone);
    std::uint32_t& last = m_memory.lastAtDepth[depth];
    if (last != kNone && last != element) m_memory.known[last].next = element;
    last = element;
    XmlName const local = m_memory.parts[element].local;
    XmlName const& uri = elementNamespace(element, at);
    m_memory.attributes.clear();
    std::size_t const valueBytes = m_tokens.attributes().empty() ? 0 : eventAttributes(element, declares, at);
    charge(sizeof(XMLNode) + m_memory.attributes.size() * sizeof(XMLAttribute) +
               m_memory.declarations.size() * sizeof(XMLNamespaceDeclaration) + valueBytes,
           at);
    TextPlace const place = m_tokens.input().position().advanceTo(at, m_tokens.input().end());
    // Each made where it is kept, member by member: built aside and copied,
    // it would be read back whole from stores of its parts, which waits.
    m_memory.open.emplace_back(element, place.line, bindings);
    XmlElementStart const start{local,
                                uri,
                                m_memory.attributes.data(),
                                m_memory.attributes.size(),
                                m_memory.declarations.data(),
                                m_memory.declarations.size(),
                                static_cast<std::uint32_t>(place.line),
                                static_cast<std::uint32_t>(place.column),
                                depth == 0,
                                nullptr};
    m_tokens.expectEndTag(m_memory.known[element].text);
    handler.startElement(start);
    if (m_tokens.emptyElement()) close(handler);
}

// The start tag's attributes (it has some) as reported, added to the empty
// m_memory.attributes (the declarations are not); returns the bytes of
// their values. An element without attributes leaves the run of names it
// had for the tokenizer's next guess. Two jobs for
// each attribute:
// - its name's number, kept for the tokenizer to guess at the element's
//   next start tag: while each name is the one it guessed (the name at the
//   same place on the element the last time), the run of names kept for
//   the element stays; from the first that is not, a new run is kept;
// - its namespace, its prefix's, and its uniqueness on the element: by its
//   local name (stamps by number) when it has no prefix, else by its
//   namespace and local name (a hashed set).
std::size_t XmlEventReader::eventAttributes(std::uint32_t element, bool declares, char const* at) {
    std::vector<Tokenizer::Attribute> const& attributes = m_tokens.attributes();
    std::size_t valueBytes = 0;
    // The element's run of names stays while each name is the one it holds,
    // whether the tokenizer guessed it or not (it guesses only after a
    // start tag of the same name at the same depth): a run is added only for
    // names the element has not had before, not each time a sibling of
    // another name came between.
    bool guessed = m_memory.known[element].attributeCount == attributes.size();
    std::size_t const runAt = m_memory.attributeNames.size();
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        Tokenizer::Attribute const& attribute = attributes[i];
        std::uint32_t number = kNone;
        if (!declares || !isDeclaration(attribute.name)) number = qualify(attribute.name, at);
        if (guessed && attribute.name.known == kNone &&
            number != m_memory.attributeNames[m_memory.known[element].attributesAt + i]) {
            guessed = false;  // a new run, with the names before this one
            for (std::size_t k = 0; k < i; ++k) {
                std::uint32_t const before = m_memory.attributeNames[m_memory.known[element].attributesAt + k];
                m_memory.attributeNames.push_back(before);
            }
        }
        if (!guessed) m_memory.attributeNames.push_back(number);
        if (number == kNone) continue;  // a declaration
        Parts const& name = m_memory.parts[number];
        XmlName const* attributeUri = nullptr;
        if (name.prefix.text.empty()) {
            if (seenBefore(m_memory.localStamps, name.local.number, m_stamp))
                givenTwice(attribute, number, element, false);
        } else {
            attributeUri = namespaceOf(name.prefix, at);
            if (attributeUri == nullptr) undeclared(name.prefix, name.local, element, at);
            if (expandedSeenBefore(*attributeUri, name.local)) givenTwice(attribute, number, element, true);
        }
        XmlEventAttribute& reported = m_memory.attributes.emplace_back();  // filled where it is kept
        reported.name = name.local;
        if (attributeUri != nullptr) reported.namespaceURI = *attributeUri;
        reported.value = attribute.value;
        valueBytes += attribute.value.size();
    }
    if (!guessed) {
        m_memory.known[element].attributesAt = static_cast<std::uint32_t>(runAt);
        m_memory.known[element].attributeCount = static_cast<std::uint32_t>(attributes.size());
    }
    return valueBytes;
}

// A new start tag: a stamp of its own empties the sets of the last one.
void XmlEventReader::newStamp() noexcept {
    if (++m_stamp == 0) {  // after 2^32 start tags: every stamp is old again
        std::fill(m_memory.localStamps.begin(), m_memory.localStamps.end(), 0);
        std::fill(m_memory.prefixStamps.begin(), m_memory.prefixStamps.end(), 0);
        for (Expanded& entry : m_memory.expanded) entry.stamp = 0;
        m_defaultStamp = 0;
        m_stamp = 1;
    }
    m_expandedCount = 0;
}

// The start tag's namespace declarations, before anything else: they hold
// for the element's own names. Whether it has any.
bool XmlEventReader::declareAll(char const* at) {
    m_memory.declarations.clear();
    bool declares = false;
    for (Tokenizer::Attribute const& attribute : m_tokens.attributes()) {
        if (isDeclaration(attribute.name)) {
            if (!attribute.name.qualified) learn(attribute.name);  // fails
            declare(attribute, at);
            declares = true;
        }
    }
    return declares;
}

// The namespace of the element numbered `element`: its prefix's, or the
// default one.
XmlName const& XmlEventReader::elementNamespace(std::uint32_t element, char const* at) {
    Parts const& parts = m_memory.parts[element];
    if (parts.prefix.text.empty()) return m_memory.namespaces.defaultNamespace();
    XmlName const* const uri = namespaceOf(parts.prefix, at);
    if (uri == nullptr) undeclared(parts.prefix, {}, element, at);
    return *uri;
}

// The refusals of a start tag's names, apart from the reading of them.
void XmlEventReader::undeclared(XmlName prefix, XmlName attribute, std::uint32_t element, char const* at) const {
    std::string const whose =
        attribute.text.empty() ? "element " + quoted(m_memory.known[element].text)
                               : "attribute " + quoted(std::string(prefix.text) + ':' + std::string(attribute.text)) +
                                     " on element " + quoted(m_memory.known[element].text);
    m_tokens.fail(at, "the prefix " + quoted(prefix.text) + " of " + whose + " is not declared");
}

void XmlEventReader::givenTwice(Tokenizer::Attribute const& attribute, std::uint32_t number, std::uint32_t element,
                                bool expanded) const {
    std::string const qualified = quoted(m_memory.known[number].text);
    std::string const elementName = quoted(m_memory.known[element].text);
    m_tokens.fail(attribute.name.text, expanded
                                           ? "attribute " + qualified + " on element " + elementName +
                                                 " has the namespace and local name of another of its attributes"
                                           : "attribute " + qualified + " is given twice on element " + elementName);
}

// The open element ends: its bindings with it.
void XmlEventReader::close(XmlEventHandler& handler) {
    std::vector<Open>& open = m_memory.open;
    m_memory.namespaces.close(open.back().bindings);
    open.pop_back();
    m_tokens.expectEndTag(open.empty() ? std::string_view() : m_memory.known[open.back().qualified].text);
    handler.endElement();
}

void XmlEventReader::endElement(XmlEventHandler& handler) {
    if (!m_tokens.endTagMatches()) {
        Open const& open = m_memory.open.back();
        std::string_view const expected = m_memory.known[open.qualified].text;
        std::string_view const written = m_tokens.name().whole();
        if (written != expected) {
            m_tokens.fail(m_tokens.at(), "the end tag " + quoted(written) + " does not match the start tag " +
                                             quoted(expected) + " of line " + std::to_string(open.line));
        }
    }
    close(handler);
}

// Counts what the elements need, refusing a document that needs more than
// its text up to `at` allows.
void XmlEventReader::charge(std::size_t bytes, char const* at) {
    m_treeBytes += bytes;
    if (m_treeBytes <= m_treeBytesAllowed) return;
    // What the text read so far allows; the text only grows, so this holds
    // until the elements need more again.
    std::size_t const perByte = m_limits.maxTreeBytesPerByte;
    std::size_t const text = m_tokens.input().offsetOf(at);
    m_treeBytesAllowed =
        text > (std::numeric_limits<std::size_t>::max() - kFreeTreeBytes) / std::max<std::size_t>(perByte, 1)
            ? std::numeric_limits<std::size_t>::max()
            : kFreeTreeBytes + text * perByte;
    if (m_treeBytes <= m_treeBytesAllowed) return;
    m_tokens.overLimit(at, Limit::TreeBytesPerByte);
}

namespace {

// What is done to each kind of buffer that a reader keeps: its content
// forgotten (its memory kept), the bytes it holds counted, its memory given
// back. A class of buffers does each itself.
template <class T>
void forget(std::vector<T>& buffer) noexcept {
    buffer.clear();
}
void forget(std::string& buffer) noexcept { buffer.clear(); }
template <class T>
auto forget(T& buffers) noexcept -> decltype(buffers.clear()) {
    buffers.clear();
}

template <class T>
std::size_t keptBytesOf(std::vector<T> const& buffer) noexcept {
    return buffer.capacity() * sizeof(T);
}
std::size_t keptBytesOf(std::string const& buffer) noexcept {
    return buffer.capacity() > std::string().capacity() ? buffer.capacity() : 0;
}
template <class T>
auto keptBytesOf(T const& buffers) noexcept -> decltype(buffers.keptBytes()) {
    return buffers.keptBytes();
}

// Swapped with a new one, not assigned: a string assigned an empty one keeps its buffer.
template <class T>
void giveBack(std::vector<T>& buffer) noexcept {
    std::vector<T>().swap(buffer);
}
void giveBack(std::string& buffer) noexcept { std::string().swap(buffer); }
template <class T>
auto giveBack(T& buffers) noexcept -> decltype(buffers.release()) {
    buffers.release();
}

}  // namespace

void XmlEventReader::Memory::forget() noexcept {
    forEach(*this, [](auto& buffer, auto perDocument) {
        if constexpr (decltype(perDocument)::value) Reader::forget(buffer);
    });
}

std::size_t XmlEventReader::Memory::keptBytes() const noexcept {
    std::size_t bytes = 0;
    forEach(*this, [&](auto const& buffer, auto) { bytes += keptBytesOf(buffer); });
    return bytes;
}

void XmlEventReader::Memory::release() noexcept {
    forEach(*this, [](auto& buffer, auto) { giveBack(buffer); });
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
