#pragma once
// What an XmlStream holds: its output, the namespaces it has declared and
// gathered, the open elements, its limits and its probe; and how an element,
// an attribute and an end tag are written (StreamState.cpp).
#include "host/DomException.h"
#include "host/Monitor.h"
#include "host/XmlCharacters.h"
#include "host/XmlReadLimits.h"
#include "host/XmlStream.h"
#include "host/XmlString.h"
#include "host/writer/EscapedText.h"
#include "host/writer/Names.h"
#include "host/writer/Output.h"
#include "host/writer/Refusal.h"
#include "host/writer/Text.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

struct XmlStream::State {
    struct Binding {
        std::string prefix;
        std::string uri;
        std::size_t escapedSize = 0;  // of the URI, in `assigned`
        // In `inScope`: the URI as its declaration writes it when escaping
        // changes it (else empty), once written; a slot keeps it while it
        // is bound to the same URI again.
        std::string escaped;
        bool escapedKnown = false;
    };
    struct OpenElement {
        std::string endTag;  // "</qualified name>", which its start tag also writes from
        std::string_view qualifiedName() const noexcept { return {endTag.data() + 2, endTag.size() - 3}; }
        std::string uri;               // as given when it was opened, to check its closing
        std::string elementNamespace;  // the namespace it is in
        std::size_t bindingsMark = 0;
        // How the last element at this depth was opened: the slot of its
        // name and the slot's generation then, whether it was local, and
        // scopeChanges once it was open (none while it opens). A sibling
        // opened the same way in the same scope has the same start tag; one
        // that declared anything changed the scope again as it closed.
        Writer::KnownNames::Name const* nameSlot = nullptr;
        std::size_t nameGeneration = 0;
        bool local = false;
        std::optional<std::size_t> openedInScope;
    };

    explicit State(std::streambuf* target) : output(target) {}

    Writer::Output output;
    // URI -> prefix, the first assignedCount entries; entries never move, and
    // those past the count keep their strings' memory for the next document.
    std::deque<Binding> assigned;
    std::size_t assignedCount = 0;
    // Declarations of the open elements, outermost first: the first
    // scopeSize slots. Slots past it keep their strings' memory for reuse.
    std::vector<Binding> inScope;
    std::size_t scopeSize = 0;
    // Counts each change of the declarations in scope: what was found in
    // scope holds while it stays the same.
    std::size_t scopeChanges = 0;
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
    Writer::KnownNames elementNames{{}, {}};
    Writer::KnownNames attributeNames{" ", "=\""};
    Writer::KnownNames textElementNames{"<", ">"};
    // The name of the last element of text, checked when scopeChanges was
    // textNameScope: a text element of the same name next needs no check
    // again while the scope and the name limit are the same
    // (setMaxNameBytes forgets it).
    Writer::KnownNames::Name const* textNameInScope = nullptr;
    std::size_t textNameScope = 0;
    std::deque<std::string> qualifiedNames;  // entries never move
    Writer::Text text;                       // what the last write... operation returned
    Writer::Text escaped;                    // what escape returned
    std::string escapedURI;                  // a URI given a prefix, as its declaration writes it
    bool escapedValid = false;
    std::size_t maxTokenBytes = XmlReadLimits().maxTokenBytes;
    std::size_t maxNameBytes = XmlReadLimits().maxNameBytes;
    Part part = Part::Whole;
    std::string const* probe = nullptr;  // of the message written at the root, until its end

    // What opening the last root of a new document made, kept where it was
    // made: the prefixes given (the first slots of `assigned`, the URIs to
    // declare first, in order), the declarations (the first slots of
    // `inScope`) and the root's namespace and qualified name (elements[0]),
    // all of which keep their strings from one document to the next; and
    // the limits it was checked against. A root opened the same way on the
    // next new document takes them as they stand, while no slot of them was
    // written since (`valid`). It holds no memory of its own.
    struct RootMemo {
        bool valid = false;
        bool local = false;
        std::size_t nameAt = 0;         // where the name given begins in the qualified name
        std::size_t declaredCount = 0;  // URIs to declare, in the first slots of `assigned`
        std::size_t maxNameBytes = 0;
        std::size_t maxTokenBytes = 0;
        std::size_t assignedCount = 0;
        unsigned nextPrefixNumber = 1;
        std::size_t scopeSize = 0;
    };
    RootMemo rootMemo;

    std::string const* boundUri(std::string_view prefix) const {
        for (std::size_t i = scopeSize; i-- > 0;)
            if (inScope[i].prefix == prefix) return &inScope[i].uri;
        return nullptr;
    }

    void unbindTo(std::size_t mark) noexcept {
        if (mark != scopeSize) ++scopeChanges;
        scopeSize = mark;
    }

    void bind(std::string_view prefix, std::string_view uri) {
        if (scopeSize == inScope.size()) inScope.emplace_back();
        Binding& binding = inScope[scopeSize];
        binding.prefix.assign(prefix);
        if (binding.uri != uri) {
            binding.uri.assign(uri);
            binding.escapedKnown = false;
        }
        ++scopeSize;
        ++scopeChanges;
    }

    // Appends the declaration of `binding`, one of those in scope: its URI
    // escaped the first time, and then as it was while the slot is bound to
    // it (kept only when escaping changed it, so that a plain one costs no
    // memory).
    void appendDeclaration(Writer::Text& out, Binding& binding) {
        out.append(binding.prefix.empty() ? " xmlns" : " xmlns:").append(binding.prefix).append("=\"");
        if (binding.escapedKnown) {
            out.append(binding.escaped.empty() ? binding.uri : binding.escaped);
        } else {
            std::size_t const at = out.size();
            Writer::appendXmlString(out, binding.uri);  // refuses a URI that XML cannot carry
            binding.escaped.clear();
            if (out.size() - at != binding.uri.size()) binding.escaped.assign(out.data() + at, out.size() - at);
            binding.escapedKnown = true;
        }
        out.push_back('"');
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
        Writer::checkBindable(uri);
        if (assignedCount < rootMemo.assignedCount) rootMemo.valid = false;  // a slot it keeps
        if (assignedCount == assigned.size()) assigned.emplace_back();
        Binding& made = assigned[assignedCount];
        if (made.uri != uri) {  // else the slot's URI from before reset() was checked
            escapedURI.clear();
            appendXmlString(escapedURI, uri);  // refuses a URI that XML cannot carry
            made.uri.assign(uri);
            made.escapedSize = escapedURI.size();
        }
        Writer::checkTokenLength(made.escapedSize, maxTokenBytes, "a namespace URI");
        Writer::checkNameLength(uri.size(), maxNameBytes, "a namespace URI");
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
        // Mostly gathered already, and a message has few: each is compared
        // whole only when of the same length (long URIs share long starts).
        for (std::string const* had = gathered.data(); had != end; ++had)
            if (*had == uri) return;
        std::string* const at =
            std::lower_bound(gathered.data(), end, uri, [](std::string const& a, std::string_view b) { return a < b; });
        std::size_t const index = static_cast<std::size_t>(at - gathered.data());
        if (gatheredCount == gathered.size()) gathered.emplace_back();
        gathered[gatheredCount].assign(uri);
        std::rotate(gathered.begin() + static_cast<std::ptrdiff_t>(index),
                    gathered.begin() + static_cast<std::ptrdiff_t>(gatheredCount),
                    gathered.begin() + static_cast<std::ptrdiff_t>(gatheredCount) + 1);
        ++gatheredCount;
    }

    // Appends the start of an element (see writeOpenElement and writeOpenLocalElement).
    void open(Writer::Text& out, std::string_view uri, std::string_view name, bool local);
    // Nothing is written of the document yet, and no prefix given.
    bool newDocument() const noexcept {
        return depth == 0 && !rootWritten && !startTagOpen && assignedCount == 0 && scopeSize == 0 &&
               nextPrefixNumber == 1;
    }
    // Opens the root as rootMemo says, when it was opened so before; or
    // returns false. keepRoot() keeps what the root just opened made.
    bool reopenRoot(Writer::Text& out, std::string_view uri, std::string_view name, bool local);
    void keepRoot(std::string_view name, bool local) noexcept;
    // Appends ` name="value"`, `value` escaped here when `escapeValue`.
    void attribute(Writer::Text& out, std::string_view name, std::string_view value, bool escapeValue);
    // ">" or "/>", to append.
    std::string const& closeStartTag(std::string_view uri, bool empty);
    // Appends the end tag of the innermost open element.
    void close(Writer::Text& out, std::string_view uri, std::string_view name);
    // The slot of the name of an element of text (see textElement): a valid
    // name within the name limit, whose prefix, if it has one, is in scope.
    Writer::KnownNames::Name const& textElementName(std::string_view name);

    // Appends `text` escaped, refusing a token longer than maxTokenBytes.
    // On refusal `out` holds part of the text: the caller cuts it back.
    void appendEscaped(Writer::Text& out, std::string_view raw) const {
        std::size_t const start = out.size();
        Writer::appendXmlString(out, raw);
        Writer::checkTokenLength(out.size() - start, maxTokenBytes, "a text");
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
        ++scopeChanges;  // and the prefixes may stand for other URIs in the next document
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

}  // namespace Kestrune::Soa::Common::Xml
