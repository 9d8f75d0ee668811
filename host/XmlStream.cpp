#include "host/XmlStream.h"

#include "host/DomException.h"
#include "host/XmlCharacters.h"
#include "host/XmlReadLimits.h"
#include "host/XmlString.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <ios>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

constexpr std::string_view xmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view xmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// The stream's buffer. Objects append to its text through the binding's
// operations; what the caller inserts with `<<` comes through the virtual
// functions below (there is no put area). On its own, the buffer keeps the
// whole document. On a caller's buffer it keeps at most a piece of
// pieceBytes and then hands it on; what the caller inserts is handed on at
// once, after what the buffer held.
class Output final : public std::streambuf {
public:
    static constexpr std::size_t pieceBytes = 64 * 1024;

    explicit Output(std::streambuf* target) noexcept : m_target(target) {}

    std::string& text() noexcept { return m_text; }
    bool ownsText() const noexcept { return m_target == nullptr; }

    // After an append: a full piece, or the end of the document, goes on.
    void appended(bool documentEnds) {
        if (m_target != nullptr && (documentEnds || m_text.size() >= pieceBytes)) handOn();
    }

    // Gives the caller's buffer what this one holds; throws if it takes less.
    void handOn() {
        if (m_target == nullptr || m_text.empty()) return;
        std::streamsize const size = static_cast<std::streamsize>(m_text.size());
        std::streamsize const taken = m_target->sputn(m_text.data(), size);
        if (taken == size) {
            m_text.clear();
            return;
        }
        m_text.erase(0, static_cast<std::size_t>(std::max<std::streamsize>(taken, 0)));
        throw std::ios_base::failure("XmlStream: the caller's buffer took " + std::to_string(taken) + " of " +
                                     std::to_string(size) + " bytes; " + std::to_string(m_text.size()) +
                                     " are not written");
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (m_target == nullptr) {
            m_text.push_back(traits_type::to_char_type(c));
            return c;
        }
        handOn();
        return m_target->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(char const* s, std::streamsize n) override {
        if (m_target == nullptr) {
            m_text.append(s, static_cast<std::size_t>(n));
            return n;
        }
        handOn();
        return m_target->sputn(s, n);
    }
    int sync() override {
        if (m_target == nullptr) return 0;
        handOn();
        return m_target->pubsync();
    }

private:
    std::streambuf* m_target;  // null: the text is the stream's own
    std::string m_text;
};

[[noreturn]] void misuse(std::string const& what) { throw Exceptions::DomException("XmlStream: " + what); }

// A token that a reader with the same limit would refuse is not written.
void checkTokenLength(std::size_t length, std::size_t maxTokenBytes, char const* what) {
    if (length <= maxTokenBytes) return;
    misuse(std::string(what) + " of " + std::to_string(length) +
           " bytes as escaped is longer than XmlReadLimits::maxTokenBytes (" + std::to_string(maxTokenBytes) +
           " bytes), which a reader with that limit refuses; raise it on both sides (XmlStream::setMaxTokenBytes)");
}

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
// afterwards only compared. A name has one slot, picked by where its text
// lies (the writing procedures pass names that live as long as the program)
// and its length; it takes the slot over from the name there.
class KnownNames {
public:
    bool contains(std::string_view name) const noexcept {
        std::string const& known = m_names[slot(name)];
        return !name.empty() && known.size() == name.size() && std::memcmp(known.data(), name.data(), name.size()) == 0;
    }
    void add(std::string_view name) { m_names[slot(name)].assign(name); }

private:
    static std::size_t slot(std::string_view name) noexcept {
        std::uintptr_t const at = reinterpret_cast<std::uintptr_t>(name.data());
        return static_cast<std::size_t>(at ^ (at >> 6) ^ name.size()) % 64;
    }

    std::array<std::string, 64> m_names;
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

std::string const startTagEnd = ">";
std::string const emptyElementEnd = "/>";

}  // namespace

struct XmlStream::State {
    struct Binding {
        std::string prefix;
        std::string uri;
        std::size_t escapedSize = 0;  // of the URI, in `assigned`
    };
    struct OpenElement {
        std::string qualifiedName;
        std::string uri;               // as given when it was opened, to check its closing
        std::string elementNamespace;  // the namespace it is in
        std::size_t bindingsMark = 0;
    };

    explicit State(std::streambuf* target) : output(target) {}

    Output output;
    // URI -> prefix, the first assignedCount entries; entries never move, and
    // those past the count keep their strings' memory for the next document.
    std::deque<Binding> assigned;
    std::size_t assignedCount = 0;
    // Declarations of the open elements, outermost first: the first
    // scopeSize slots. Slots past it keep their strings' memory for reuse.
    std::vector<Binding> inScope;
    std::size_t scopeSize = 0;
    std::vector<OpenElement> elements;  // slots reused, so their strings keep capacity
    std::size_t depth = 0;
    bool startTagOpen = false;
    bool rootWritten = false;
    unsigned nextPrefixNumber = 1;
    // URIs to declare on the next element: those handed to addNamespaces,
    // and the first gatheredCount of `gathered`, in order (slots past the
    // count keep their memory).
    std::set<std::string> pending;
    std::vector<std::string> gathered;
    std::size_t gatheredCount = 0;
    bool gathering = false;
    KnownNames elementNames;
    KnownNames attributeNames;
    std::deque<std::string> qualifiedNames;  // entries never move
    std::string text;                        // what the last write... operation returned
    std::string escaped;                     // what escape returned
    std::string escapedURI;                  // a URI given a prefix, as its declaration writes it
    bool escapedValid = false;
    std::size_t maxTokenBytes = XmlReadLimits().maxTokenBytes;
    Part part = Part::Whole;

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
        for (std::size_t i = 0; i < assignedCount; ++i)
            if (assigned[i].uri == uri) return assigned[i].prefix;
        checkBindable(uri);
        if (assignedCount == assigned.size()) assigned.emplace_back();
        Binding& made = assigned[assignedCount];
        if (made.uri != uri) {  // else the slot's URI from before reset() was checked
            escapedURI.clear();
            appendXmlString(escapedURI, uri);  // refuses a URI that XML cannot carry
            made.uri.assign(uri);
            made.escapedSize = escapedURI.size();
        }
        checkTokenLength(made.escapedSize, maxTokenBytes, "a namespace URI");
        do {
            made.prefix.assign("ns").append(std::to_string(nextPrefixNumber++));
        } while (made.prefix == taken || boundUri(made.prefix) != nullptr);
        ++assignedCount;
        return made.prefix;
    }

    // Runs `step` on each URI to declare on the next element, in order, once.
    template <class Step>
    void forEachPending(Step&& step) {
        auto given = pending.begin();
        std::size_t next = 0;
        while (given != pending.end() || next < gatheredCount) {
            if (next == gatheredCount || (given != pending.end() && *given < gathered[next])) {
                step(*given++);
            } else {
                if (given != pending.end() && *given == gathered[next]) ++given;
                step(gathered[next++]);
            }
        }
    }

    void gather(std::string_view uri) {
        std::string* const end = gathered.data() + gatheredCount;
        std::string* const at =
            std::lower_bound(gathered.data(), end, uri, [](std::string const& a, std::string_view b) { return a < b; });
        if (at != end && *at == uri) return;
        std::size_t const index = static_cast<std::size_t>(at - gathered.data());
        if (gatheredCount == gathered.size()) gathered.emplace_back();
        gathered[gatheredCount].assign(uri);
        std::rotate(gathered.begin() + static_cast<std::ptrdiff_t>(index),
                    gathered.begin() + static_cast<std::ptrdiff_t>(gatheredCount),
                    gathered.begin() + static_cast<std::ptrdiff_t>(gatheredCount) + 1);
        ++gatheredCount;
    }

    // Appends the start of an element (see writeOpenElement and writeOpenLocalElement).
    void open(std::string& out, std::string_view uri, std::string_view name, bool local);
    // Appends ` name="value"`, `value` escaped here when `escapeValue`.
    void attribute(std::string& out, std::string_view name, std::string_view value, bool escapeValue);
    // ">" or "/>", to append.
    std::string const& closeStartTag(std::string_view uri, bool empty);
    // Appends the end tag of the innermost open element.
    void close(std::string& out, std::string_view uri, std::string_view name);

    // Appends `text` escaped, refusing a token longer than maxTokenBytes;
    // on refusal `out` is left as it was.
    void appendEscaped(std::string& out, std::string_view raw) const {
        std::size_t const start = out.size();
        appendXmlString(out, raw);
        if (out.size() - start <= maxTokenBytes) return;
        std::size_t const length = out.size() - start;
        out.resize(start);
        checkTokenLength(length, maxTokenBytes, "a text");
    }

    void restart() {
        if (output.ownsText()) {
            output.text().clear();
        } else {
            output.handOn();
        }
        assignedCount = 0;
        scopeSize = 0;
        depth = 0;
        startTagOpen = false;
        rootWritten = false;
        nextPrefixNumber = 1;
        pending.clear();
        gatheredCount = 0;
        gathering = false;
        text.clear();
        escapedValid = false;
        part = Part::Whole;
    }
};

// A write that fails throws, rather than leaving the stream bad and the
// text cut short: the insertion rethrows what the buffer threw (std::bad_alloc
// when the string cannot grow), or throws std::ios_base::failure when a
// caller's buffer refuses bytes.
XmlStream::XmlStream() : XmlStream(nullptr) {}

XmlStream::XmlStream(std::streambuf* target) : std::ostream(nullptr), m_state(std::make_unique<State>(target)) {
    rdbuf(&m_state->output);
    exceptions(badbit);
}

XmlStream::~XmlStream() {
    try {
        m_state->output.handOn();
    } catch (...) {  // nowhere to report it: flush() first to see it
    }
}

std::string const& XmlStream::str() const noexcept {
    static std::string const none;
    return m_state->output.ownsText() ? m_state->output.text() : none;
}

void XmlStream::reset() { m_state->restart(); }

bool XmlStream::isRootElement() const noexcept { return m_state->depth == 0; }

void XmlStream::addNamespaces(std::set<std::string> namespaces) { m_state->pending.merge(namespaces); }

void XmlStream::addNamespace(std::string_view uri) { m_state->gather(uri); }

bool XmlStream::gathersNamespaces() const noexcept { return m_state->gathering; }

XmlStream::GatheringNamespaces::GatheringNamespaces(XmlStream& stream) noexcept : m_stream(stream) {
    m_stream.m_state->gathering = true;
}

XmlStream::GatheringNamespaces::~GatheringNamespaces() { m_stream.m_state->gathering = false; }

std::string const& XmlStream::getNamespacePrefix(std::string_view uri) { return m_state->prefixOf(uri); }

std::string const& XmlStream::escape(std::string_view text) {
    State& s = *m_state;
    s.escapedValid = false;
    s.escaped.clear();
    s.appendEscaped(s.escaped, text);
    s.escapedValid = true;
    return s.escaped;
}

void XmlStream::setMaxTokenBytes(std::size_t bytes) noexcept { m_state->maxTokenBytes = bytes; }

std::size_t XmlStream::maxTokenBytes() const noexcept { return m_state->maxTokenBytes; }

std::string const& XmlStream::writeOpenElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.open(s.text, uri, name, false);
    return s.text;
}

std::string const& XmlStream::writeOpenLocalElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.open(s.text, uri, name, true);
    return s.text;
}

std::string const& XmlStream::writeAttribute(std::string_view name, std::string_view value) const {
    State& s = *m_state;
    s.text.clear();
    s.attribute(s.text, name, value, false);
    return s.text;
}

std::string const& XmlStream::writeOpenElementClose(std::string_view uri, bool empty) {
    return m_state->closeStartTag(uri, empty);
}

std::string const& XmlStream::writeCloseElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.close(s.text, uri, name);
    return s.text;
}

void XmlStream::openElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.open(s.output.text(), uri, name, false);
    s.output.appended(false);
}

void XmlStream::openLocalElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.open(s.output.text(), uri, name, true);
    s.output.appended(false);
}

void XmlStream::attribute(std::string_view name, std::string_view text) {
    State& s = *m_state;
    s.attribute(s.output.text(), name, text, true);
    s.output.appended(false);
}

void XmlStream::closeStartTag(std::string_view uri, bool empty) {
    State& s = *m_state;
    s.output.text().append(s.closeStartTag(uri, empty));
    s.output.appended(s.depth == 0);
}

void XmlStream::closeElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.close(s.output.text(), uri, name);
    s.output.appended(s.depth == 0);
}

void XmlStream::textElement(std::string_view name, std::string_view text) {
    State& s = *m_state;
    if (s.depth == 0 || s.startTagOpen)
        misuse("element \"" + std::string(name) + "\" of text written outside the content of an element");
    std::string& written = s.output.text();
    std::size_t const mark = written.size();
    written.push_back('<');
    written.append(name).push_back('>');
    try {
        s.appendEscaped(written, text);
    } catch (...) {
        written.resize(mark);
        throw;
    }
    written.append("</").append(name).push_back('>');
    s.output.appended(false);
}

std::string const& XmlStream::qualifiedName(std::string_view uri, std::string_view local) {
    State& s = *m_state;
    std::string_view const prefix = uri.empty() ? std::string_view() : std::string_view(s.prefixOf(uri));
    std::size_t const size = prefix.empty() ? local.size() : prefix.size() + 1 + local.size();
    for (std::string const& name : s.qualifiedNames)
        if (name.size() == size && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(size - local.size(), local.size(), local) == 0 &&
            (prefix.empty() || name[prefix.size()] == ':'))
            return name;
    std::string& name = s.qualifiedNames.emplace_back();
    name.reserve(size);
    if (!prefix.empty()) name.append(prefix).append(1, ':');
    return name.append(local);
}

void XmlStream::writeNextAs(Part part) noexcept { m_state->part = part; }

XmlStream::Part XmlStream::takePart() noexcept { return std::exchange(m_state->part, Part::Whole); }

void XmlStream::State::open(std::string& out, std::string_view uri, std::string_view name, bool local) {
    bool const known = elementNames.contains(name);
    QualifiedName const split = splitName(name, known);
    if (startTagOpen) misuse("cannot open element \"" + std::string(name) + "\" inside an unclosed start tag");
    if (depth == 0 && rootWritten)
        misuse("cannot write element \"" + std::string(name) + "\": the document already has its root element");
    if (split.prefix == "xmlns" || split.prefix == "xml")
        misuse("element \"" + std::string(name) + "\" uses a reserved prefix");
    if (!known) elementNames.add(name);
    checkBindable(uri);

    // Declarations this element needs, in a fixed order: the URIs handed to
    // addNamespaces, then the one its name needs, each only when not in scope.
    std::size_t const mark = scopeSize;
    if (elements.size() == depth) elements.emplace_back();  // before any view into the open elements
    auto declare = [&](std::string_view prefix, std::string_view declaredUri) {
        if (!isBound(prefix, declaredUri)) bind(prefix, declaredUri);
    };
    std::string_view ownPrefix;  // into `assigned`, whose entries never move
    std::string_view elementNamespace = uri;
    try {
        // A URI whose prefix, given before, is the one this element's name
        // takes is declared where it is used instead.
        forEachPending([&](std::string const& pendingUri) {
            std::string const& prefix = prefixOf(pendingUri, split.prefix);
            if (prefix != split.prefix) declare(prefix, pendingUri);
        });
        if (!split.prefix.empty()) {
            // A prefix in scope keeps its binding; only an unbound one gets `uri`.
            if (std::string const* bound = boundUri(split.prefix)) {
                elementNamespace = *bound;
            } else {
                bind(split.prefix, uri);
            }
        } else if (local && depth > 0) {
            elementNamespace = elements[depth - 1].elementNamespace;
            declare({}, elementNamespace);
        } else {
            ownPrefix = prefixOf(uri);
            declare(ownPrefix, uri);
        }
    } catch (...) {
        scopeSize = mark;
        throw;
    }
    if (!pending.empty()) pending.clear();
    gatheredCount = 0;

    // A slot mostly finds the text of the element written before at its
    // depth: it is copied only when it differs.
    OpenElement& element = elements[depth];
    std::string& qualified = element.qualifiedName;
    if (ownPrefix.empty()) {
        if (qualified != name) qualified.assign(name);
    } else if (qualified.size() != ownPrefix.size() + 1 + name.size() ||
               qualified.compare(0, ownPrefix.size(), ownPrefix) || qualified[ownPrefix.size()] != ':' ||
               qualified.compare(ownPrefix.size() + 1, name.size(), name)) {
        qualified.assign(ownPrefix).append(1, ':').append(name);
    }
    if (element.uri != uri) element.uri.assign(uri);
    if (element.elementNamespace != elementNamespace) element.elementNamespace.assign(elementNamespace);
    element.bindingsMark = mark;
    ++depth;
    startTagOpen = true;
    rootWritten = true;

    out.push_back('<');
    out.append(element.qualifiedName);
    for (std::size_t i = mark; i < scopeSize; ++i) {
        Binding const& binding = inScope[i];
        out.append(binding.prefix.empty() ? " xmlns" : " xmlns:").append(binding.prefix).append("=\"");
        appendXmlString(out, binding.uri);
        out.push_back('"');
    }
}

void XmlStream::State::attribute(std::string& out, std::string_view name, std::string_view value, bool escapeValue) {
    if (!startTagOpen) misuse("attribute \"" + std::string(name) + "\" written outside a start tag");
    if (!attributeNames.contains(name)) {
        if (!detail::isNCName(name)) misuse("\"" + std::string(name) + "\" is not a valid attribute name");
        attributeNames.add(name);
    }
    // What escape returned is escaped already; anything else is checked.
    bool const escapedBefore = escapedValid && value.data() == escaped.data() && value.size() == escaped.size();
    if (!escapeValue && !escapedBefore) {
        checkEscaped(name, value);
        checkTokenLength(value.size(), maxTokenBytes, "an attribute value");
    }
    std::size_t const mark = out.size();
    out.push_back(' ');
    out.append(name).append("=\"", 2);
    if (escapeValue) {
        try {
            appendEscaped(out, value);
        } catch (...) {
            out.resize(mark);
            throw;
        }
    } else {
        out.append(value);
    }
    out.push_back('"');
}

std::string const& XmlStream::State::closeStartTag(std::string_view uri, bool empty) {
    if (!startTagOpen) misuse("no start tag is open to close");
    OpenElement const& element = elements[depth - 1];
    if (element.uri != uri)
        misuse("the start tag of \"" + element.qualifiedName + "\" is closed with another namespace URI");
    startTagOpen = false;
    if (!empty) return startTagEnd;
    scopeSize = element.bindingsMark;
    --depth;
    return emptyElementEnd;
}

void XmlStream::State::close(std::string& out, std::string_view uri, std::string_view name) {
    if (depth == 0) misuse("cannot close \"" + std::string(name) + "\": no element is open");
    if (startTagOpen) misuse("cannot close \"" + std::string(name) + "\" before its start tag is closed");
    OpenElement const& element = elements[depth - 1];
    std::string_view const qualified = element.qualifiedName;
    // A name given without prefix was qualified when the element was opened.
    bool const sameName =
        qualified == name || (name.find(':') == std::string_view::npos && qualified.size() > name.size() &&
                              qualified[qualified.size() - name.size() - 1] == ':' &&
                              qualified.substr(qualified.size() - name.size()) == name);
    if (!sameName || element.uri != uri)
        misuse("cannot close \"" + std::string(name) + "\": the innermost open element is \"" + element.qualifiedName +
               "\"");
    out.append("</", 2).append(qualified).push_back('>');
    scopeSize = element.bindingsMark;
    --depth;
}

}  // namespace Kestrune::Soa::Common::Xml
