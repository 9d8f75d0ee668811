#include "host/writer/StreamState.h"

namespace Kestrune::Soa::Common::Xml {

using namespace Writer;
using Exceptions::ErrorKind;

namespace {

std::string const startTagEnd = ">";
std::string const emptyElementEnd = "/>";

}  // namespace

void XmlStream::State::open(Writer::Text& out, std::string_view uri, std::string_view name, bool local) {
    bool const root = newDocument();
    if (root && rootMemo.valid && reopenRoot(out, uri, name, local)) return;
    // What a refused element would leave behind, to undo: the declarations
    // and prefixes it made, its text, and the URIs that were to be declared
    // on it; refused at the root, the stream is as it was before the message.
    std::size_t const mark = scopeSize;
    std::size_t const assignedMark = assignedCount;
    unsigned const numberMark = nextPrefixNumber;
    std::size_t const textMark = out.size();
    std::string_view elementNamespace = uri;
    KnownNames::Name const* slot = nullptr;
    bool again = false;  // opened as the last element at its depth was
    try {
        KnownNames::Name const* const known = elementNames.find(name);
        QualifiedName const split = known ? splitAt(name, known->colon) : splitName(name);
        if (startTagOpen)
            refuse(ErrorKind::Misuse, "cannot open element \"" + std::string(name) + "\" inside an unclosed start tag");
        if (depth == 0 && rootWritten)
            refuse(ErrorKind::Misuse,
                   "cannot write element \"" + std::string(name) + "\": the document already has its root element");
        if (split.prefix == "xmlns" || split.prefix == "xml")
            refuse(ErrorKind::Unwritable, "element \"" + std::string(name) + "\" uses a reserved prefix");
        slot = known ? known : &elementNames.add(name, split.colon());
        checkBindable(uri);
        if (elements.size() == depth) elements.emplace_back();  // before any view into the open elements
        OpenElement& element = elements[depth];                 // in use from ++depth on
        if (depth == 0) rootMemo.valid = false;                 // whose root it keeps
        // A sibling of the same name and URI, with nothing to declare, in the
        // scope the last element at this depth was opened in, has its start
        // tag and namespace; one whose namespace is its parent's does not, as
        // the parent may be another.
        bool const parentsNamespace = local && depth > 0 && split.prefix.empty();
        again = slot == element.nameSlot && slot->generation == element.nameGeneration && local == element.local &&
                element.openedInScope == scopeChanges && !parentsNamespace && pending.empty() && gatheredCount == 0 &&
                element.uri == uri;
        if (!again) {
            element.openedInScope.reset();  // until it is open
            // Declarations this element needs, in a fixed order: the URIs
            // handed to addNamespaces, then the one its name needs, each only
            // when not in scope.
            auto declare = [&](std::string_view prefix, std::string_view declaredUri) {
                if (isBound(prefix, declaredUri)) return;
                checkNameLength(declaredUri.size(), maxNameBytes, "a namespace URI");
                bind(prefix, declaredUri);
            };
            std::string_view ownPrefix;  // into `assigned`, whose entries never move
            // A URI whose prefix, given before, is the one this element's
            // name takes is declared where it is used instead.
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
            } else if (parentsNamespace) {
                elementNamespace = elements[depth - 1].elementNamespace;
                declare({}, elementNamespace);
            } else {
                ownPrefix = prefixOf(uri);
                declare(ownPrefix, uri);
            }
            // A slot mostly finds the text of the element written before at
            // its depth: it is copied only when it differs.
            if (element.endTag.empty() || !spells(element.qualifiedName(), ownPrefix, name)) {
                appendQualified(element.endTag.assign("</", 2), ownPrefix, name);
                element.endTag.push_back('>');
            }
        }
        std::string_view const qualified = element.qualifiedName();
        checkNameLength(qualified.size(), maxNameBytes, "an element name");

        out.push_back('<');
        out.append(qualified.data(), qualified.size());
        for (std::size_t i = mark; i < scopeSize; ++i) appendDeclaration(out, inScope[i]);
    } catch (...) {
        unbindTo(mark);
        assignedCount = assignedMark;
        nextPrefixNumber = numberMark;
        out.resize(textMark);
        pending.clear();
        gatheredCount = 0;
        throw;
    }
    if (root) keepRoot(name, local);
    if (!pending.empty()) pending.clear();
    gatheredCount = 0;
    OpenElement& element = elements[depth];
    if (!again) {
        if (element.uri != uri) element.uri.assign(uri);
        if (element.elementNamespace != elementNamespace) element.elementNamespace.assign(elementNamespace);
        element.nameSlot = slot;
        element.nameGeneration = slot->generation;
        element.local = local;
        element.openedInScope = scopeChanges;
    }
    element.bindingsMark = mark;
    ++depth;
    startTagOpen = true;
    rootWritten = true;
}

bool XmlStream::State::reopenRoot(Writer::Text& out, std::string_view uri, std::string_view name, bool local) {
    RootMemo const& memo = rootMemo;
    OpenElement& element = elements[0];
    std::string_view const qualified = element.qualifiedName();
    if (memo.local != local || memo.maxNameBytes != maxNameBytes || memo.maxTokenBytes != maxTokenBytes ||
        element.uri != uri || qualified.substr(memo.nameAt) != name)
        return false;
    std::size_t count = 0;
    bool same = true;
    forEachPending([&](std::string const& declared) {
        same = same && count < memo.declaredCount && assigned[count].uri == declared;
        ++count;
    });
    if (!same || count != memo.declaredCount) return false;
    std::size_t const textMark = out.size();
    try {
        out.push_back('<');
        out.append(qualified);
        for (std::size_t i = 0; i < memo.scopeSize; ++i) appendDeclaration(out, inScope[i]);
    } catch (...) {
        out.resize(textMark);
        throw;
    }
    // As open() leaves them: the slots below the counts hold what it made.
    assignedCount = memo.assignedCount;
    nextPrefixNumber = memo.nextPrefixNumber;
    scopeSize = memo.scopeSize;
    scopeChanges += memo.scopeSize;  // a change for each declaration, as bind() counts them
    if (!pending.empty()) pending.clear();
    gatheredCount = 0;
    element.openedInScope = scopeChanges;
    element.bindingsMark = 0;
    depth = 1;
    startTagOpen = true;
    rootWritten = true;
    return true;
}

// Called as the root of a new document has opened, before the URIs it
// declared are forgotten: they are those given prefixes first.
void XmlStream::State::keepRoot(std::string_view name, bool local) noexcept {
    RootMemo& memo = rootMemo;
    memo.local = local;
    memo.nameAt = elements[0].qualifiedName().size() - name.size();
    memo.declaredCount = 0;
    forEachPending([&](std::string const&) { ++memo.declaredCount; });
    memo.maxNameBytes = maxNameBytes;
    memo.maxTokenBytes = maxTokenBytes;
    memo.assignedCount = assignedCount;
    memo.nextPrefixNumber = nextPrefixNumber;
    memo.scopeSize = scopeSize;
    memo.valid = true;
}

Writer::KnownNames::Name const& XmlStream::State::textElementName(std::string_view name) {
    KnownNames::Name const* known = textElementNames.find(name);
    if (known != nullptr && known == textNameInScope && scopeChanges == textNameScope) return *known;
    QualifiedName const split = known ? splitAt(name, known->colon) : splitName(name);
    if (!split.prefix.empty() && boundUri(split.prefix) == nullptr)
        refuse(ErrorKind::Misuse, "element \"" + std::string(name) + "\" of text uses the prefix \"" +
                                      std::string(split.prefix) + "\", which is not declared in scope");
    checkNameLength(name.size(), maxNameBytes, "an element name");
    if (!known) known = &textElementNames.add(name, split.colon());
    textNameInScope = known;
    textNameScope = scopeChanges;
    return *known;
}

void XmlStream::State::attribute(Writer::Text& out, std::string_view name, std::string_view value, bool escapeValue) {
    if (!startTagOpen) refuse(ErrorKind::Misuse, "attribute \"" + std::string(name) + "\" written outside a start tag");
    KnownNames::Name const* known = attributeNames.find(name);
    if (!known) {
        if (!detail::isNCName(name))
            refuse(ErrorKind::Unwritable, "\"" + std::string(name) + "\" is not a valid attribute name");
        known = &attributeNames.add(name, std::string_view::npos);
    }
    checkNameLength(name.size(), maxNameBytes, "an attribute name");
    // What escape returned is escaped already; anything else is checked.
    bool const escapedBefore = escapedValid && value.data() == escaped.data() && value.size() == escaped.size();
    if (!escapeValue && !escapedBefore) {
        checkEscaped(name, value);
        checkTokenLength(value.size(), maxTokenBytes, "an attribute value");
    }
    std::size_t const mark = out.size();
    out.append(known->written);  // ` name="`
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
    if (!startTagOpen) refuse(ErrorKind::Misuse, "no start tag is open to close");
    OpenElement const& element = elements[depth - 1];
    if (element.uri != uri)
        refuse(ErrorKind::Misuse, "the start tag of \"" + std::string(element.qualifiedName()) +
                                      "\" is closed with another namespace URI");
    startTagOpen = false;
    if (!empty) return startTagEnd;
    unbindTo(element.bindingsMark);
    --depth;
    return emptyElementEnd;
}

void XmlStream::State::close(Writer::Text& out, std::string_view uri, std::string_view name) {
    if (depth == 0) refuse(ErrorKind::Misuse, "cannot close \"" + std::string(name) + "\": no element is open");
    if (startTagOpen)
        refuse(ErrorKind::Misuse, "cannot close \"" + std::string(name) + "\" before its start tag is closed");
    OpenElement const& element = elements[depth - 1];
    std::string_view const qualified = element.qualifiedName();
    // A name given without prefix was qualified when the element was opened.
    bool const sameName =
        qualified == name || (name.find(':') == std::string_view::npos && qualified.size() > name.size() &&
                              qualified[qualified.size() - name.size() - 1] == ':' &&
                              qualified.substr(qualified.size() - name.size()) == name);
    if (!sameName || element.uri != uri)
        refuse(ErrorKind::Misuse, "cannot close \"" + std::string(name) + "\": the innermost open element is \"" +
                                      std::string(qualified) + "\"");
    out.append(element.endTag);
    unbindTo(element.bindingsMark);
    --depth;
}

}  // namespace Kestrune::Soa::Common::Xml
