#include "host/reader/EventReader.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/reader/TextPosition.h"

#include <algorithm>
#include <utility>
#include <limits>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

bool isDeclaration(Tokenizer::Name const& name) noexcept {
    std::string_view const whole = name.whole();
    return whole.size() >= 5 && whole.compare(0, 5, "xmlns") == 0 && (whole.size() == 5 || name.colon == 5);
}

}  // namespace

void XmlEventReader::read(TextInput& input, XmlEventHandler& handler) {
    try {
        readDocument(input, handler);
    } catch (Exceptions::DomException& refusal) {
        // A refusal names the element it was found in, unless it already
        // does; without the memory to say it, it goes without.
        try {
            if (refusal.path().empty()) refusal.setPath(handler.path());
        } catch (...) {
        }
        throw;
    }
}

void XmlEventReader::readDocument(TextInput& input, XmlEventHandler& handler) {
    m_names.clear();
    m_qualifiedNames.clear();
    m_known.clear();
    m_parts.clear();
    m_lastAtDepth.clear();
    m_attributeNames.clear();
    m_tokens.start(input, Tokenizer::Guesses{&m_known, &m_lastAtDepth, &m_attributeNames});
    m_namespaces.clear();
    m_open.clear();
    m_treeBytes = 0;
    m_treeBytesAllowed = kFreeTreeBytes;
    for (;;) {
        switch (m_tokens.next()) {
            case Tokenizer::Token::StartTag:
                startElement(handler);
                break;
            case Tokenizer::Token::EndTag:
                endElement(handler);
                break;
            case Tokenizer::Token::Text:
                charge(m_tokens.text().size(), m_tokens.here());
                handler.characters(m_tokens.text());
                break;
            case Tokenizer::Token::Target:  // a processing instruction: only its target counts, as a name
                name(m_tokens.name().whole(), m_tokens.at());
                break;
            case Tokenizer::Token::End:
                if (!m_open.empty()) {
                    m_tokens.fail(m_tokens.at(), "the document ends before element " +
                                                     quoted(m_known[m_open.back().qualified].text) + " is closed");
                }
                return;
        }
    }
}

// Every name counts against the limit of distinct names.
XmlName XmlEventReader::name(std::string_view text, char const* at) {
    XmlName const found = m_names.intern(text);
    if (found.number >= m_limits.maxNames) {
        m_tokens.refuse(at, "the document uses more distinct names than XmlReadLimits::maxNames (" +
                                std::to_string(m_limits.maxNames) + ")");
    }
    return found;
}

// The number of the name `written`, read as a qualified name the first time
// it is met.
std::uint32_t XmlEventReader::learn(Tokenizer::Name const& written, char const* at) {
    std::string_view const text = written.whole();
    if (!written.qualified) {
        m_tokens.fail(written.text, quoted(text) +
                                        " is not a qualified name (a prefix, a colon and a local name, or a local name alone)");
    }
    XmlName const found = m_qualifiedNames.intern(text);
    if (found.number == m_known.size()) {
        Parts parts;
        parts.local = name(written.local(), at);
        if (written.colon != 0) parts.prefix = name(written.prefix(), at);
        Tokenizer::KnownName known;
        known.text = found.text;
        known.colon = written.colon;
        m_parts.push_back(parts);
        m_known.push_back(known);
    }
    return found.number;
}

// The namespace of a prefix bound to none: the one that "xml" always has,
// or a null text.
XmlName XmlEventReader::xmlNamespaceOf(XmlName prefix, char const* at) {
    if (prefix.text != "xml") return XmlName{};
    return name(kXmlNamespace, at);
}

// The same for an attribute's namespace and local name, in a hashed set
// that a new start tag empties by its new stamp.
bool XmlEventReader::expandedSeenBefore(XmlName uri, XmlName local) {
    if ((m_expandedCount + 1) * 2 > m_expanded.size()) {
        std::vector<Expanded> old(std::max<std::size_t>(16, 2 * m_expanded.size()), Expanded{0, 0});
        old.swap(m_expanded);
        m_expandedCount = 0;
        for (Expanded const& entry : old) {
            if (entry.stamp != m_stamp) continue;
            std::size_t const mask = m_expanded.size() - 1;
            std::size_t i = (entry.key * 0x9E3779B97F4A7C15ULL >> 32) & mask;
            while (m_expanded[i].stamp == m_stamp) i = (i + 1) & mask;
            m_expanded[i] = entry;
            ++m_expandedCount;
        }
    }
    std::uint64_t const key = std::uint64_t{uri.number} << 32 | local.number;
    std::size_t const mask = m_expanded.size() - 1;
    std::size_t i = (key * 0x9E3779B97F4A7C15ULL >> 32) & mask;
    for (; m_expanded[i].stamp == m_stamp; i = (i + 1) & mask)
        if (m_expanded[i].key == key) return true;
    m_expanded[i] = Expanded{key, m_stamp};
    ++m_expandedCount;
    return false;
}

// A namespace declaration: `xmlns="uri"` or `xmlns:prefix="uri"`, with the
// rules of Namespaces in XML 1.0 on "xml" and "xmlns".
void XmlEventReader::declare(Tokenizer::Attribute const& attribute, char const* at) {
    std::string_view const uri = attribute.value;
    if (uri.size() > m_limits.maxNameBytes) {
        m_tokens.refuse(attribute.valueAt, "a namespace URI is longer than XmlReadLimits::maxNameBytes (" +
                                               std::to_string(m_limits.maxNameBytes) + " bytes)");
    }
    char const* const written = attribute.name.text;
    if (uri == kXmlnsNamespace) m_tokens.fail(written, "the namespace " + quoted(uri) + " cannot be declared");
    if (attribute.name.colon == 0) {
        if (uri == kXmlNamespace) m_tokens.fail(written, "the namespace " + quoted(uri) + " cannot be the default one");
        if (m_defaultStamp == m_stamp) m_tokens.fail(written, "attribute 'xmlns' is given twice");
        m_defaultStamp = m_stamp;
        m_namespaces.bindDefault(uri.empty() ? XmlName{} : name(uri, at));
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
        m_tokens.fail(written, "the prefix 'xml' and the namespace " + quoted(kXmlNamespace) +
                                   " are bound to each other only");
    }
    XmlName const declared = name(prefix, at);
    XmlName const namespaceName = name(uri, at);
    if (seenBefore(m_prefixStamps, declared.number)) {
        m_tokens.fail(written, "attribute " + quoted(attribute.name.whole()) + " is given twice");
    }
    m_namespaces.bind(declared, namespaceName);
}

void XmlEventReader::startElement(XmlEventHandler& handler) {
    char const* const at = m_tokens.at();
    std::size_t const depth = m_open.size();
    if (depth >= m_limits.maxDepth) {
        m_tokens.refuse(at, "elements are nested deeper than XmlReadLimits::maxDepth (" +
                                std::to_string(m_limits.maxDepth) + " levels)");
    }
    if (++m_stamp == 0) {  // after 2^32 start tags: every stamp is old again
        std::fill(m_localStamps.begin(), m_localStamps.end(), 0);
        std::fill(m_prefixStamps.begin(), m_prefixStamps.end(), 0);
        for (Expanded& entry : m_expanded) entry.stamp = 0;
        m_defaultStamp = 0;
        m_stamp = 1;
    }
    m_expandedCount = 0;
    std::size_t const bindings = m_namespaces.mark();
    std::vector<Tokenizer::Attribute> const& attributes = m_tokens.attributes();
    // The declarations first: they hold for the element's own names.
    bool declares = false;
    for (Tokenizer::Attribute const& attribute : attributes) {
        if (isDeclaration(attribute.name)) {
            if (!attribute.name.qualified) learn(attribute.name, at);  // fails
            declare(attribute, at);
            declares = true;
        }
    }
    if (depth >= m_lastAtDepth.size()) m_lastAtDepth.resize(depth + 1, kNone);
    std::uint32_t const element = qualify(m_tokens.name(), at);
    m_lastAtDepth[depth] = element;
    XmlName const local = m_parts[element].local;
    XmlName uri = m_namespaces.defaultNamespace();
    if (!m_parts[element].prefix.text.empty()) {
        XmlName const prefix = m_parts[element].prefix;
        uri = namespaceOf(prefix, at);
        if (uri.text.data() == nullptr) {
            m_tokens.fail(at, "Namespace prefix " + std::string(prefix.text) + " on " + std::string(local.text) +
                                  " is not defined");
        }
    }
    m_attributes.clear();
    std::size_t valueBytes = 0;
    // The attributes' names: when each is the one the tokenizer guessed
    // (the name at the same place on the element the last time), the run of
    // names kept for the element stays; else a new run is kept.
    bool guessed = m_known[element].attributeCount == attributes.size();
    std::size_t const runAt = m_attributeNames.size();
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        Tokenizer::Attribute const& attribute = attributes[i];
        std::uint32_t number = kNone;
        if (!declares || !isDeclaration(attribute.name)) number = qualify(attribute.name, at);
        if (guessed && attribute.name.known == kNone) {
            guessed = false;  // a new run, with the names before this one
            for (std::size_t k = 0; k < i; ++k) {
                std::uint32_t const before = m_attributeNames[m_known[element].attributesAt + k];
                m_attributeNames.push_back(before);
            }
        }
        if (!guessed) m_attributeNames.push_back(number);
        if (number == kNone) continue;  // a declaration
        Parts const& name = m_parts[number];
        XmlName attributeUri;
        if (name.prefix.text.empty()) {
            if (seenBefore(m_localStamps, name.local.number)) {
                m_tokens.fail(attribute.name.text, "attribute " + quoted(m_known[number].text) +
                                                       " is given twice on element " + quoted(m_known[element].text));
            }
        } else {
            attributeUri = namespaceOf(name.prefix, at);
            if (attributeUri.text.data() == nullptr) {
                m_tokens.fail(at, "Namespace prefix " + std::string(name.prefix.text) + " for " +
                                      std::string(name.local.text) + " on " + std::string(local.text) +
                                      " is not defined");
            }
            if (expandedSeenBefore(attributeUri, name.local)) {
                m_tokens.fail(attribute.name.text, "attribute " + quoted(m_known[number].text) + " on element " +
                                                       quoted(m_known[element].text) +
                                                       " has the namespace and local name of another of its attributes");
            }
        }
        m_attributes.push_back(XmlEventAttribute{name.local, attributeUri, attribute.value});
        valueBytes += attribute.value.size();
    }
    if (!guessed) {
        m_known[element].attributesAt = static_cast<std::uint32_t>(runAt);
        m_known[element].attributeCount = static_cast<std::uint32_t>(attributes.size());
    }
    charge(sizeof(XMLNode) + m_attributes.size() * sizeof(XMLAttribute) + valueBytes, at);
    TextPlace const place = m_tokens.input().position().advanceTo(at, m_tokens.input().end());
    m_open.push_back(Open{element, place.line, bindings});
    XmlElementStart start;
    start.name = local;
    start.namespaceURI = uri;
    start.attributes = m_attributes.data();
    start.attributeCount = m_attributes.size();
    start.line = static_cast<std::uint32_t>(place.line);
    start.column = static_cast<std::uint32_t>(place.column);
    start.root = depth == 0;
    m_tokens.expectEndTag(m_known[element].text);
    handler.startElement(start);
    if (m_tokens.emptyElement()) close(handler);
}

// The open element ends: its bindings with it.
void XmlEventReader::close(XmlEventHandler& handler) {
    m_namespaces.close(m_open.back().bindings);
    m_open.pop_back();
    m_tokens.expectEndTag(m_open.empty() ? std::string_view() : m_known[m_open.back().qualified].text);
    handler.endElement();
}

void XmlEventReader::endElement(XmlEventHandler& handler) {
    if (!m_tokens.endTagMatches()) {
        Open const& open = m_open.back();
        std::string_view const expected = m_known[open.qualified].text;
        std::string_view const written = m_tokens.name().whole();
        if (written != expected) {
            m_tokens.fail(m_tokens.at(), "Opening and ending tag mismatch: " + std::string(expected) + " line " +
                                             std::to_string(open.line) + " and " + std::string(written));
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
    m_treeBytesAllowed = text > (std::numeric_limits<std::size_t>::max() - kFreeTreeBytes) / std::max<std::size_t>(perByte, 1)
                             ? std::numeric_limits<std::size_t>::max()
                             : kFreeTreeBytes + text * perByte;
    if (m_treeBytes <= m_treeBytesAllowed) return;
    m_tokens.refuse(at, "the document's elements need more memory than XmlReadLimits::maxTreeBytesPerByte allows (" +
                            std::to_string(perByte) + " bytes per byte of text)");
}

std::size_t XmlEventReader::keptBytes() const noexcept {
    return m_tokens.keptBytes() + m_names.keptBytes() + m_qualifiedNames.keptBytes() +
           m_known.capacity() * sizeof(Tokenizer::KnownName) + m_parts.capacity() * sizeof(Parts) +
           (m_lastAtDepth.capacity() + m_attributeNames.capacity()) * sizeof(std::uint32_t) +
           m_namespaces.keptBytes() + m_window.keptBytes() +
           m_open.capacity() * sizeof(Open) + m_attributes.capacity() * sizeof(XmlEventAttribute) +
           (m_localStamps.capacity() + m_prefixStamps.capacity()) * sizeof(std::uint32_t) +
           m_expanded.capacity() * sizeof(Expanded);
}

void XmlEventReader::release() noexcept {
    m_tokens.release();
    m_names.release();
    m_qualifiedNames.release();
    std::vector<Tokenizer::KnownName>().swap(m_known);
    std::vector<Parts>().swap(m_parts);
    std::vector<std::uint32_t>().swap(m_lastAtDepth);
    std::vector<std::uint32_t>().swap(m_attributeNames);
    m_namespaces.release();
    // Swapped, not assigned: a string assigned an empty one keeps its buffer.
    WindowMemory released;
    std::swap(m_window, released);
    std::vector<Open>().swap(m_open);
    std::vector<XmlEventAttribute>().swap(m_attributes);
    std::vector<std::uint32_t>().swap(m_localStamps);
    std::vector<std::uint32_t>().swap(m_prefixStamps);
    std::vector<Expanded>().swap(m_expanded);
    m_expandedCount = 0;
    m_stamp = 0;
    m_defaultStamp = 0;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
