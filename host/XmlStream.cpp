#include "host/XmlStream.h"

#include "host/DomException.h"
#include "host/Monitor.h"
#include "host/XmlCharacters.h"
#include "host/XmlReadLimits.h"
#include "host/XmlString.h"
#include "host/writer/EscapedText.h"
#include "host/writer/Misuse.h"
#include "host/writer/Names.h"
#include "host/writer/Output.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

using namespace Writer;

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
    std::size_t maxNameBytes = XmlReadLimits().maxNameBytes;
    Part part = Part::Whole;
    std::string const* probe = nullptr;  // of the message written at the root, until its end

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
        checkNameLength(uri.size(), maxNameBytes, "a namespace URI");
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

    // Appends `text` escaped, refusing a token longer than maxTokenBytes.
    // On refusal `out` holds part of the text: the caller cuts it back.
    void appendEscaped(std::string& out, std::string_view raw) const {
        std::size_t const start = out.size();
        appendXmlString(out, raw);
        checkTokenLength(out.size() - start, maxTokenBytes, "a text");
    }

    // Back to the state of a new stream on the same buffer; what is held of
    // a finished document is handed on last, and whatever that throws
    // leaves the stream reset.
    void restart() {
        abandonProbe();
        bool const finished = depth == 0;
        struct Restart {
            State& s;
            ~Restart() { s.forget(); }
        } const restart{*this};
        if (finished && !output.ownsText()) output.handOn();
    }

    void abandonProbe() noexcept {
        if (probe == nullptr) return;
        try {
            Internal::Common::Monitor::markAbandoned(*std::exchange(probe, nullptr));
        } catch (...) {  // the monitor could not count it, or its observer threw: the probe is closed all the same
        }
    }

    void forget() noexcept {
        output.startDocument();
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
        m_state->restart();
    } catch (...) {  // nowhere to report it: flush() first to see it
    }
}

std::string const& XmlStream::str() const noexcept {
    static std::string const none;
    return m_state->output.ownsText() ? m_state->output.text() : none;
}

void XmlStream::reset() {
    clear();  // whatever the reset throws, the stream is good again
    m_state->restart();
}

std::size_t XmlStream::bytesHandedOn() const noexcept { return m_state->output.handedOn(); }

void XmlStream::startProbe(std::string const& probe) {
    m_state->abandonProbe();
    Internal::Common::Monitor::markStart(probe);
    m_state->probe = &probe;
}

void XmlStream::endProbe() {
    std::string const* const probe = std::exchange(m_state->probe, nullptr);
    if (probe != nullptr) Internal::Common::Monitor::markEnd(*probe);
}

void XmlStream::abandonProbe() noexcept { m_state->abandonProbe(); }

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

void XmlStream::setMaxNameBytes(std::size_t bytes) noexcept { m_state->maxNameBytes = bytes; }

std::size_t XmlStream::maxNameBytes() const noexcept { return m_state->maxNameBytes; }

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
    checkNameLength(name.size(), s.maxNameBytes, "an element name");
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
    for (std::string const& name : s.qualifiedNames)
        if (spells(name, prefix, local)) return name;
    std::string& name = s.qualifiedNames.emplace_back();
    assignQualified(name, prefix, local);
    return name;
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

    // What a refused element would leave behind, to undo: the declarations
    // and prefixes it made, its text, and the URIs that were to be declared
    // on it.
    std::size_t const mark = scopeSize;
    std::size_t const assignedMark = assignedCount;
    unsigned const numberMark = nextPrefixNumber;
    std::size_t const textMark = out.size();
    if (elements.size() == depth) elements.emplace_back();  // before any view into the open elements
    OpenElement& element = elements[depth];  // in use from ++depth on
    std::string_view elementNamespace = uri;
    try {
        // Declarations this element needs, in a fixed order: the URIs handed
        // to addNamespaces, then the one its name needs, each only when not
        // in scope.
        auto declare = [&](std::string_view prefix, std::string_view declaredUri) {
            if (isBound(prefix, declaredUri)) return;
            checkNameLength(declaredUri.size(), maxNameBytes, "a namespace URI");
            bind(prefix, declaredUri);
        };
        std::string_view ownPrefix;  // into `assigned`, whose entries never move
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
                declare(split.prefix, uri);
            }
        } else if (local && depth > 0) {
            elementNamespace = elements[depth - 1].elementNamespace;
            declare({}, elementNamespace);
        } else {
            ownPrefix = prefixOf(uri);
            declare(ownPrefix, uri);
        }
        // A slot mostly finds the text of the element written before at its
        // depth: it is copied only when it differs.
        if (!spells(element.qualifiedName, ownPrefix, name)) assignQualified(element.qualifiedName, ownPrefix, name);
        checkNameLength(element.qualifiedName.size(), maxNameBytes, "an element name");

        out.push_back('<');
        out.append(element.qualifiedName);
        for (std::size_t i = mark; i < scopeSize; ++i) {
            Binding const& binding = inScope[i];
            out.append(binding.prefix.empty() ? " xmlns" : " xmlns:").append(binding.prefix).append("=\"");
            appendXmlString(out, binding.uri);
            out.push_back('"');
        }
    } catch (...) {
        scopeSize = mark;
        assignedCount = assignedMark;
        nextPrefixNumber = numberMark;
        out.resize(textMark);
        pending.clear();
        gatheredCount = 0;
        throw;
    }
    if (!pending.empty()) pending.clear();
    gatheredCount = 0;
    if (element.uri != uri) element.uri.assign(uri);
    if (element.elementNamespace != elementNamespace) element.elementNamespace.assign(elementNamespace);
    element.bindingsMark = mark;
    ++depth;
    startTagOpen = true;
    rootWritten = true;
}

void XmlStream::State::attribute(std::string& out, std::string_view name, std::string_view value, bool escapeValue) {
    if (!startTagOpen) misuse("attribute \"" + std::string(name) + "\" written outside a start tag");
    if (!attributeNames.contains(name)) {
        if (!detail::isNCName(name)) misuse("\"" + std::string(name) + "\" is not a valid attribute name");
        attributeNames.add(name);
    }
    checkNameLength(name.size(), maxNameBytes, "an attribute name");
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
