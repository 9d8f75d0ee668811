#include "host/XmlStream.h"

#include "host/DomException.h"
#include "host/XmlCharacters.h"
#include "host/XmlString.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <deque>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

constexpr std::string_view xmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view xmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// A stream buffer that writes into a string: its put area is the string's
// room past the text, so that insertion is a copy; the room grows by
// doubling and is trimmed when the text is asked for.
class StringBuffer : public std::streambuf {
public:
    std::string const& text() noexcept {
        std::size_t const used = written();
        if (m_text.size() != used) {
            m_text.resize(used);  // shrinking: neither allocates nor throws
            resetPutArea(used);
        }
        return m_text;
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (pptr() == epptr()) makeRoom(1);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    std::streamsize xsputn(char const* s, std::streamsize n) override {
        std::size_t const count = static_cast<std::size_t>(n);
        if (count == 0) return 0;
        if (static_cast<std::size_t>(epptr() - pptr()) < count) makeRoom(count);
        std::memcpy(pptr(), s, count);
        advance(count);
        return n;
    }

private:
    std::size_t written() const noexcept { return static_cast<std::size_t>(pptr() - pbase()); }
    void makeRoom(std::size_t count) {
        std::size_t const used = written();
        m_text.resize(std::max({used + count, 2 * m_text.size(), std::size_t{256}}));
        resetPutArea(used);
    }
    void resetPutArea(std::size_t used) noexcept {
        setp(m_text.data(), m_text.data() + m_text.size());
        advance(used);
    }
    void advance(std::size_t count) noexcept {
        for (; count > INT_MAX; count -= INT_MAX) pbump(INT_MAX);
        pbump(static_cast<int>(count));
    }

    std::string m_text;  // the text written, then the put area's room
};

[[noreturn]] void misuse(std::string const& what) { throw Exceptions::DomException("XmlStream: " + what); }

// An empty URI cannot be bound to a prefix, and the namespaces of the
// reserved prefixes "xml" and "xmlns" are bound to no other.
void checkBindable(std::string_view uri) {
    if (uri.empty()) misuse("an empty namespace URI cannot be bound to a prefix");
    if (uri == xmlNamespace || uri == xmlnsNamespace)
        misuse("the reserved namespace \"" + std::string(uri) + "\" cannot be bound to a prefix");
}

struct QualifiedName {
    std::string_view prefix;  // empty when the name has none
    std::string_view local;
};

// `name` split at its colon; `checked` tells that it is known to be valid.
QualifiedName splitName(std::string_view name, bool checked) {
    std::size_t const colon = name.find(':');
    QualifiedName split{{}, name};
    if (colon != std::string_view::npos) split = {name.substr(0, colon), name.substr(colon + 1)};
    bool const valid = checked || (detail::isNCName(split.local) &&
                                   (colon == std::string_view::npos || detail::isNCName(split.prefix)));
    if (!valid) misuse("\"" + std::string(name) + "\" is not a valid element name");
    return split;
}

// Names found valid, so that a name a message repeats is checked once and
// afterwards only compared.
class KnownNames {
public:
    bool contains(std::string_view name) const noexcept {
        if (name.empty()) return false;
        for (std::string const& known : m_names)
            if (known.size() == name.size() && std::memcmp(known.data(), name.data(), name.size()) == 0) return true;
        return false;
    }
    void add(std::string_view name) {
        m_names[m_next].assign(name);
        m_next = (m_next + 1) % m_names.size();
    }

private:
    std::array<std::string, 16> m_names;
    std::size_t m_next = 0;
};

// Bytes that an escaped attribute value holds as they are: all but markup,
// references, control characters and the lead of a multi-byte character.
constexpr std::array<bool, 256> makePlainValueBytes() {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[b] = b != '<' && b != '"' && b != '&';
    plain['\t'] = plain['\n'] = plain['\r'] = true;
    return plain;
}

// True when `&name;` is a reference that a document without a DTD may hold:
// one of the five entities XML predefines, or a character reference to a
// character XML can carry. Any other leaves the document not well-formed.
bool isReference(std::string_view name) {
    for (std::string_view const predefined : {"amp", "lt", "gt", "quot", "apos"})
        if (name == predefined) return true;
    bool const hex = name.size() > 1 && name[1] == 'x';
    std::string_view const digits = name.substr(std::min(name.size(), hex ? std::size_t{2} : std::size_t{1}));
    if (name.empty() || name[0] != '#' || digits.empty()) return false;
    char32_t value = 0;
    for (char const c : digits) {
        int digit = c >= '0' && c <= '9' ? c - '0' : -1;
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        // Held just past the last code point, however many digits follow.
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    return detail::isXmlChar(value);
}

// An escaped attribute value may hold references but no raw markup.
void checkEscaped(std::string_view name, std::string_view value) {
    static constexpr std::array<bool, 256> plainValueByte = makePlainValueBytes();
    for (std::size_t i = 0; i < value.size(); ++i) {
        char const c = value[i];
        if (plainValueByte[static_cast<unsigned char>(c)]) continue;
        bool bad = true;
        if (c == '&') {
            std::size_t const end = value.find(';', i);
            bad = end == std::string_view::npos || !isReference(value.substr(i + 1, end - i - 1));
            if (!bad) i = end;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            detail::Utf8Sequence const sequence = detail::decodeUtf8(value, i);
            bad = sequence.length == 0 || !detail::isXmlChar(sequence.codePoint);
            if (!bad) i += sequence.length - 1;
        }
        if (bad)
            misuse("the value of attribute \"" + std::string(name) + "\" is not escaped (byte offset " +
                   std::to_string(i) + "); pass it through toXmlString");
    }
}

}  // namespace

struct XmlStream::State {
    struct Binding {
        std::string prefix;
        std::string uri;
    };
    struct OpenElement {
        std::string qualifiedName;
        std::string uri;               // as given when it was opened, to check its closing
        std::string elementNamespace;  // the namespace it is in
        std::size_t bindingsMark = 0;
    };

    StringBuffer ownBuffer;
    std::deque<Binding> assigned;  // URI -> prefix, for the stream's life; entries never move
    // Declarations of the open elements, outermost first: the first
    // scopeSize slots. Slots past it keep their strings' memory for reuse.
    std::vector<Binding> inScope;
    std::size_t scopeSize = 0;
    std::vector<OpenElement> elements;  // slots reused, so their strings keep capacity
    std::size_t depth = 0;
    bool startTagOpen = false;
    bool rootWritten = false;
    unsigned nextPrefixNumber = 1;
    std::set<std::string> pending;  // URIs to declare on the next element
    KnownNames elementNames;
    KnownNames attributeNames;
    std::string text;     // what the last operation returned
    std::string escaped;  // what escape returned
    bool escapedValid = false;

    std::string const* boundUri(std::string_view prefix) const {
        for (std::size_t i = scopeSize; i-- > 0;)
            if (inScope[i].prefix == prefix) return &inScope[i].uri;
        return nullptr;
    }

    void bind(std::string_view prefix, std::string_view uri) {
        if (scopeSize == inScope.size()) inScope.emplace_back();
        inScope[scopeSize].prefix.assign(prefix);
        inScope[scopeSize].uri.assign(uri);
        ++scopeSize;
    }

    bool isBound(std::string_view prefix, std::string_view uri) const {
        std::string const* bound = boundUri(prefix);
        return bound && *bound == uri;
    }

    // The stream's prefix for `uri`. One made for it here skips every prefix
    // in scope and `taken`, the prefix of the element being opened, which
    // keeps the URI it is written with.
    std::string const& prefixOf(std::string_view uri, std::string_view taken = {}) {
        for (Binding const& binding : assigned)
            if (binding.uri == uri) return binding.prefix;
        checkBindable(uri);
        std::string escapedCheck;
        appendXmlString(escapedCheck, uri);  // refuses a URI that XML cannot carry
        std::string prefix;
        do {
            prefix = "ns" + std::to_string(nextPrefixNumber++);
        } while (prefix == taken || boundUri(prefix) != nullptr);
        assigned.push_back({std::move(prefix), std::string(uri)});
        return assigned.back().prefix;
    }
};

namespace {

std::string const startTagEnd = ">";
std::string const emptyElementEnd = "/>";

}  // namespace

// A write that fails throws, rather than leaving the stream bad and the
// text cut short: the insertion rethrows what the buffer threw (std::bad_alloc
// when the string cannot grow), or throws std::ios_base::failure when a
// caller's buffer refuses bytes.
XmlStream::XmlStream() : std::ostream(nullptr), m_state(std::make_unique<State>()) {
    rdbuf(&m_state->ownBuffer);
    exceptions(badbit);
}

XmlStream::XmlStream(std::streambuf* target) : std::ostream(target), m_state(std::make_unique<State>()) {
    exceptions(badbit);
}

XmlStream::~XmlStream() = default;

std::string const& XmlStream::str() const noexcept { return m_state->ownBuffer.text(); }

bool XmlStream::isRootElement() const noexcept { return m_state->depth == 0; }

void XmlStream::addNamespaces(std::set<std::string> namespaces) { m_state->pending.merge(namespaces); }

std::string const& XmlStream::getNamespacePrefix(std::string_view uri) { return m_state->prefixOf(uri); }

std::string const& XmlStream::escape(std::string_view text) {
    State& s = *m_state;
    s.escapedValid = false;
    s.escaped.clear();
    appendXmlString(s.escaped, text);
    s.escapedValid = true;
    return s.escaped;
}

std::string const& XmlStream::writeOpenElement(std::string_view uri, std::string_view name) {
    return open(uri, name, false);
}

std::string const& XmlStream::writeOpenLocalElement(std::string_view uri, std::string_view name) {
    return open(uri, name, true);
}

std::string const& XmlStream::open(std::string_view uri, std::string_view name, bool local) {
    State& s = *m_state;
    bool const known = s.elementNames.contains(name);
    QualifiedName const split = splitName(name, known);
    if (s.startTagOpen) misuse("cannot open element \"" + std::string(name) + "\" inside an unclosed start tag");
    if (s.depth == 0 && s.rootWritten)
        misuse("cannot write element \"" + std::string(name) + "\": the document already has its root element");
    if (split.prefix == "xmlns" || split.prefix == "xml")
        misuse("element \"" + std::string(name) + "\" uses a reserved prefix");
    if (!known) s.elementNames.add(name);
    checkBindable(uri);

    // Declarations this element needs, in a fixed order: the URIs handed to
    // addNamespaces, then the one its name needs, each only when not in scope.
    std::size_t const mark = s.scopeSize;
    if (s.elements.size() == s.depth) s.elements.emplace_back();  // before any view into the open elements
    auto declare = [&](std::string_view prefix, std::string_view declaredUri) {
        if (!s.isBound(prefix, declaredUri)) s.bind(prefix, declaredUri);
    };
    std::string_view ownPrefix;  // into `assigned`, whose entries never move
    std::string_view elementNamespace = uri;
    try {
        // A URI whose prefix, given before, is the one this element's name
        // takes is declared where it is used instead.
        for (std::string const& pendingUri : s.pending) {
            std::string const& prefix = s.prefixOf(pendingUri, split.prefix);
            if (prefix != split.prefix) declare(prefix, pendingUri);
        }
        if (!split.prefix.empty()) {
            // A prefix in scope keeps its binding; only an unbound one gets `uri`.
            if (std::string const* bound = s.boundUri(split.prefix)) {
                elementNamespace = *bound;
            } else {
                s.bind(split.prefix, uri);
            }
        } else if (local && s.depth > 0) {
            elementNamespace = s.elements[s.depth - 1].elementNamespace;
            declare({}, elementNamespace);
        } else {
            ownPrefix = s.prefixOf(uri);
            declare(ownPrefix, uri);
        }
    } catch (...) {
        s.scopeSize = mark;
        throw;
    }
    s.pending.clear();

    State::OpenElement& element = s.elements[s.depth];
    if (ownPrefix.empty()) {
        element.qualifiedName.assign(name);
    } else {
        element.qualifiedName.assign(ownPrefix).append(1, ':').append(name);
    }
    element.uri.assign(uri);
    element.elementNamespace.assign(elementNamespace);
    element.bindingsMark = mark;
    ++s.depth;
    s.startTagOpen = true;
    s.rootWritten = true;

    std::string& text = s.text;
    text.clear();
    text.append(1, '<').append(element.qualifiedName);
    for (std::size_t i = mark; i < s.scopeSize; ++i) {
        State::Binding const& binding = s.inScope[i];
        text.append(binding.prefix.empty() ? " xmlns" : " xmlns:").append(binding.prefix).append("=\"");
        appendXmlString(text, binding.uri);
        text.append(1, '"');
    }
    return text;
}

std::string const& XmlStream::writeAttribute(std::string_view name, std::string_view value) const {
    State& s = *m_state;
    if (!s.startTagOpen) misuse("attribute \"" + std::string(name) + "\" written outside a start tag");
    if (!s.attributeNames.contains(name)) {
        if (!detail::isNCName(name)) misuse("\"" + std::string(name) + "\" is not a valid attribute name");
        s.attributeNames.add(name);
    }
    // What escape returned is escaped already; anything else is checked.
    bool const escaped = s.escapedValid && value.data() == s.escaped.data() && value.size() == s.escaped.size();
    if (!escaped) checkEscaped(name, value);
    std::string& text = s.text;
    text.clear();
    text.append(1, ' ').append(name).append("=\"").append(value).append(1, '"');
    return text;
}

std::string const& XmlStream::writeOpenElementClose(std::string_view uri, bool empty) {
    State& s = *m_state;
    if (!s.startTagOpen) misuse("no start tag is open to close");
    State::OpenElement const& element = s.elements[s.depth - 1];
    if (element.uri != uri)
        misuse("the start tag of \"" + element.qualifiedName + "\" is closed with another namespace URI");
    s.startTagOpen = false;
    if (!empty) return startTagEnd;
    s.scopeSize = element.bindingsMark;
    --s.depth;
    return emptyElementEnd;
}

std::string const& XmlStream::writeCloseElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    if (s.depth == 0) misuse("cannot close \"" + std::string(name) + "\": no element is open");
    if (s.startTagOpen) misuse("cannot close \"" + std::string(name) + "\" before its start tag is closed");
    State::OpenElement const& element = s.elements[s.depth - 1];
    std::string_view const qualified = element.qualifiedName;
    // A name given without prefix was qualified when the element was opened.
    bool const sameName =
        qualified == name || (name.find(':') == std::string_view::npos && qualified.size() > name.size() &&
                              qualified[qualified.size() - name.size() - 1] == ':' &&
                              qualified.substr(qualified.size() - name.size()) == name);
    if (!sameName || element.uri != uri)
        misuse("cannot close \"" + std::string(name) + "\": the innermost open element is \"" + element.qualifiedName +
               "\"");
    std::string& text = s.text;
    text.clear();
    text.append("</").append(qualified).append(1, '>');
    s.scopeSize = element.bindingsMark;
    --s.depth;
    return text;
}

}  // namespace Kestrune::Soa::Common::Xml
