#include "host/reader/EventReader.h"

#include "host/DomException.h"
#include "host/XMLNode.h"

#include <algorithm>
#include <limits>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

bool isDeclaration(Tokenizer::Name const& name) noexcept {
    std::string_view const whole = name.whole();
    return whole.size() >= 5 && whole.compare(0, 5, "xmlns") == 0 && (whole.size() == 5 || name.colon == 5);
}

}  // namespace

void XmlEventReader::read(TextInput& input, XmlEventHandler& handler) {
    m_tokens.start(input);
    m_names.clear();
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
                    m_tokens.fail(m_tokens.at(), "the document ends before element " + quoted(qualified(m_open.back())) +
                                                     " is closed");
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

// The namespace of a prefixed name: the binding in force, or the one that
// "xml" always has; a null text when there is none.
XmlName XmlEventReader::namespaceOf(XmlName prefix, char const* at) {
    XmlName const bound = m_namespaces.boundTo(prefix);
    if (bound.text.data() != nullptr || prefix.text != "xml") return bound;
    return name(kXmlNamespace, at);
}

// Whether `number` was met before in this start tag, marking it met.
bool XmlEventReader::seenBefore(std::vector<std::uint32_t>& stamps, std::uint32_t number) {
    if (number >= stamps.size()) stamps.resize(std::max<std::size_t>(number + 1, 2 * stamps.size()), 0);
    if (stamps[number] == m_stamp) return true;
    stamps[number] = m_stamp;
    return false;
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
    Tokenizer::Name const& tag = m_tokens.name();
    char const* const at = m_tokens.at();
    if (m_open.size() >= m_limits.maxDepth) {
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
    for (Tokenizer::Attribute const& attribute : attributes) {
        if (!attribute.name.qualified) {
            m_tokens.fail(attribute.name.text, quoted(attribute.name.whole()) +
                                                   " is not a qualified name (a prefix, a colon and a local name, "
                                                   "or a local name alone)");
        }
        if (isDeclaration(attribute.name)) declare(attribute, at);
    }
    if (!tag.qualified) {
        m_tokens.fail(tag.text, quoted(tag.whole()) +
                                    " is not a qualified name (a prefix, a colon and a local name, or a local name alone)");
    }
    XmlName const local = name(tag.local(), at);
    XmlName prefix;
    XmlName uri = m_namespaces.defaultNamespace();
    if (tag.colon != 0) {
        prefix = name(tag.prefix(), at);
        uri = namespaceOf(prefix, at);
        if (uri.text.data() == nullptr) {
            m_tokens.fail(at, "Namespace prefix " + std::string(prefix.text) + " on " + std::string(local.text) +
                                  " is not defined");
        }
    }
    m_attributes.clear();
    std::size_t valueBytes = 0;
    for (Tokenizer::Attribute const& attribute : attributes) {
        if (isDeclaration(attribute.name)) continue;
        XmlName const attributeLocal = name(attribute.name.local(), at);
        XmlName attributeUri;
        if (attribute.name.colon == 0) {
            if (seenBefore(m_localStamps, attributeLocal.number)) {
                m_tokens.fail(attribute.name.text, "attribute " + quoted(attribute.name.whole()) +
                                                       " is given twice on element " + quoted(tag.whole()));
            }
        } else {
            XmlName const attributePrefix = name(attribute.name.prefix(), at);
            attributeUri = namespaceOf(attributePrefix, at);
            if (attributeUri.text.data() == nullptr) {
                m_tokens.fail(at, "Namespace prefix " + std::string(attributePrefix.text) + " for " +
                                      std::string(attributeLocal.text) + " on " + std::string(local.text) +
                                      " is not defined");
            }
            if (expandedSeenBefore(attributeUri, attributeLocal)) {
                m_tokens.fail(attribute.name.text, "attribute " + quoted(attribute.name.whole()) + " on element " +
                                                       quoted(tag.whole()) +
                                                       " has the namespace and local name of another of its attributes");
            }
        }
        m_attributes.push_back(XmlEventAttribute{attributeLocal, attributeUri, attribute.value});
        valueBytes += attribute.value.size();
    }
    charge(sizeof(XMLNode) + m_attributes.size() * sizeof(XMLAttribute) + valueBytes, at);
    TextPlace const place = m_tokens.input().position().advanceTo(at);
    m_open.push_back(Open{prefix, local, place.line, bindings});
    XmlElementStart element;
    element.name = local;
    element.namespaceURI = uri;
    element.attributes = m_attributes.data();
    element.attributeCount = m_attributes.size();
    element.line = static_cast<std::uint32_t>(place.line);
    element.column = static_cast<std::uint32_t>(place.column);
    element.root = m_open.size() == 1;
    handler.startElement(element);
    if (m_tokens.emptyElement()) {
        m_namespaces.close(bindings);
        m_open.pop_back();
        handler.endElement();
    }
}

std::string XmlEventReader::qualified(Open const& element) const {
    return element.prefix.text.empty() ? std::string(element.local.text)
                                        : std::string(element.prefix.text) + ":" + std::string(element.local.text);
}

void XmlEventReader::endElement(XmlEventHandler& handler) {
    Open const& open = m_open.back();
    std::string_view const written = m_tokens.name().whole();
    std::size_t const prefix = open.prefix.text.size();
    std::size_t const localAt = prefix == 0 ? 0 : prefix + 1;
    bool const matches = written.size() == localAt + open.local.text.size() &&
                         (prefix == 0 || (written.compare(0, prefix, open.prefix.text) == 0 && written[prefix] == ':')) &&
                         written.compare(localAt, std::string_view::npos, open.local.text) == 0;
    if (!matches) {
        m_tokens.fail(m_tokens.at(), "Opening and ending tag mismatch: " + qualified(open) + " line " +
                                         std::to_string(open.line) + " and " + std::string(written));
    }
    m_namespaces.close(open.bindings);
    m_open.pop_back();
    handler.endElement();
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
    return m_tokens.keptBytes() + m_names.keptBytes() + m_namespaces.keptBytes() + m_window.capacity +
           m_open.capacity() * sizeof(Open) + m_attributes.capacity() * sizeof(XmlEventAttribute) +
           (m_localStamps.capacity() + m_prefixStamps.capacity()) * sizeof(std::uint32_t) +
           m_expanded.capacity() * sizeof(Expanded);
}

void XmlEventReader::release() noexcept {
    m_tokens.release();
    m_names.release();
    m_namespaces.release();
    m_window = WindowMemory();
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
