#include "host/XmlBinder.h"

#include "host/Monitor.h"
#include "host/XmlCharacters.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

using Internal::Common::Monitor;

XmlChild XmlChild::inPlace(BaseObject& object, XmlElementType const& type) noexcept {
    XmlChild child;
    child.m_kind = Kind::Object;
    child.m_object = &object;
    child.m_type = &type;
    return child;
}

std::size_t XmlListRoom::forNewList(XmlElementType const* type) const noexcept {
    for (Slot const& slot : m_slots)
        if (slot.type == type) return slot.entries;
    return 0;
}

void XmlListRoom::add(XmlElementType const* type, std::size_t entries) { m_slots.push_back(Slot{type, entries}); }

XmlChild XmlChild::newText(std::vector<std::string>& list, XmlListRoom const& room) {
    if (list.capacity() == 0) list.reserve(room.forNewList(nullptr));
    list.emplace_back();
    XmlChild child;
    child.m_kind = Kind::Text;
    child.m_text = &list.back();
    child.m_list = &list;
    child.m_entries = list.size();
    child.m_takeBack = [](void* of) noexcept { static_cast<std::vector<std::string>*>(of)->pop_back(); };
    return child;
}

void XmlBinder::readInto(BaseObject& object, XmlElementType const& type, Options const& options) {
    readInto(object, type, options, 0);
}

void XmlBinder::readInto(BaseObject& object, XmlElementType const& type, Options const& options,
                         std::uint64_t nameNumbering) {
    begin(XmlChild::inPlace(object, type), options, nameNumbering);
}

void XmlBinder::validate(XmlElementType const& type, Options const& options) { validate(type, options, 0); }

void XmlBinder::validate(XmlElementType const& type, Options const& options, std::uint64_t nameNumbering) {
    XmlChild nothing;  // passed over, with the type whose rules it is checked by
    nothing.m_type = &type;
    Options validating = options;
    validating.policy = ReadPolicy::Validate;
    begin(nothing, validating, nameNumbering);
}

void XmlBinder::begin(XmlChild const& element, Options const& options, std::uint64_t nameNumbering) {
    // The root's frame is there before the read, so that the frames made
    // during it take the read's numbering from it (push).
    if (m_frames.empty()) m_frames.emplace_back();
    for (Frame& frame : m_frames) {
        if (nameNumbering != 0 && frame.numbering == nameNumbering) continue;
        frame.own.rules = nullptr;  // numbers of other names
        for (Numbers& other : frame.others) other.rules = nullptr;
        frame.numbering = nameNumbering;
    }
    m_element = element;
    m_options = options;
    m_failure = nullptr;
    m_probe = nullptr;  // until the root's start tag is read
    m_handedOn.clear();
    m_errors.clear();
    m_counts.clear();
    m_scope.clear();
    if (!m_ids.empty()) m_ids.clear();  // a set that never held one may have no buckets to clear
    m_idRefs.clear();
    m_text.clear();  // a run of text that a failed read left
}

namespace {

std::string quotedName(std::string_view name) { return '"' + std::string(name) + '"'; }

// An xs:boolean as writers write it, without white space around it.
inline bool isPlainBoolean(std::string_view value) noexcept {
    return value == "true" || value == "false" || value == "1" || value == "0";
}

// Whether the attributes of `element` are the rules' own, in their order,
// with the names numbered as `numbers` (a frame's attributeNumbers) met them
// before: mostly so. A validating read also wants each in no namespace and
// each boolean in its plain form: any other element goes the whole way.
template <bool Validating>
inline bool inRulesOrder(std::uint32_t const* numbers, XmlElementRules const& rules,
                         XmlElementStart const& element) noexcept {
    std::size_t const count = rules.attributeCount;
    if (element.attributeCount != count) return false;
    for (std::size_t index = 0; index < count; ++index) {
        XmlEventAttribute const& attribute = element.attributes[index];
        if (numbers[index] == XmlName::kUncounted || attribute.name.number != numbers[index]) return false;
        if constexpr (Validating) {
            if (!attribute.namespaceURI.text.empty()) return false;
            if (rules.attributes[index].type == XmlValueType::Boolean && !isPlainBoolean(attribute.value)) return false;
        }
    }
    return true;
}

// The values of `element`'s first `count` attributes, which are those of
// the rules in their order.
void valuesInOrder(XmlElementStart const& element, std::size_t count, std::string_view* values) noexcept {
    for (std::size_t index = 0; index < count; ++index) values[index] = element.attributes[index].value;
}

std::int64_t now() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

Exceptions::DomException wrongRoot(std::string_view name, std::string_view uri, std::string_view expectedNamespace,
                                   std::string_view expectedName) {
    bool const otherName = !expectedName.empty() && expectedName != name;
    bool const otherNamespace = !expectedNamespace.empty() && expectedNamespace != uri;
    std::string message;
    if (!otherName) {
        message = "the root element " + quotedName(name) + " is in " +
                  (uri.empty() ? "no namespace" : "namespace " + quotedName(uri)) + ", not in " +
                  quotedName(expectedNamespace);
    } else if (!otherNamespace) {
        message = "the root element is " + quotedName(name) + ", not " + quotedName(expectedName);
    } else {
        message = "the root element is " + detail::inNamespace(name, uri) + ", not " +
                  detail::inNamespace(expectedName, expectedNamespace);
    }
    return Exceptions::DomException(message, Exceptions::ErrorKind::WrongRoot);
}

std::size_t XmlBinder::keptBytes() const noexcept {
    // A string's and a set's own room (one bucket) is no memory they hold.
    std::size_t const text = m_text.capacity() > std::string().capacity() ? m_text.capacity() : 0;
    std::size_t const buckets = m_ids.bucket_count() > 1 ? m_ids.bucket_count() * sizeof(void*) : 0;
    return m_frames.capacity() * sizeof(Frame) + m_room.bytes() + m_handedOn.capacity() * sizeof(m_handedOn[0]) +
           m_errors.capacity() * sizeof(Exceptions::XmlError) + m_counts.capacity() * sizeof(std::uint32_t) +
           m_scope.capacity() * sizeof(XmlNamespaceDeclaration) + text + buckets +
           m_ids.size() * (sizeof(std::string) + 2 * sizeof(void*)) + m_idRefs.capacity() * sizeof(m_idRefs[0]);
}

// The text was read whole: every element the binder opened has ended.
void XmlBinder::finish() {
    bool const failed = m_failure || !m_errors.empty();
    if (std::string const* const probe = std::exchange(m_probe, nullptr)) {
        if (failed) {
            Monitor::markStart(*probe);
            Monitor::markAbandoned(*probe);
        } else {
            Monitor::markCompleted(*probe, static_cast<std::uint64_t>(m_ended - m_started));  // a steady clock
        }
    }
    if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
    if (!m_errors.empty()) throw Exceptions::DomException(sortedErrors());
}

void XmlBinder::abandon() noexcept {
    takeBackOpenEntries();
    m_depth = 0;
    m_failure = nullptr;
    m_errors.clear();
}

void XmlBinder::release() noexcept {
    decltype(m_frames)().swap(m_frames);
    m_depth = 0;
    m_room = XmlListRoom();
    decltype(m_handedOn)().swap(m_handedOn);
    decltype(m_errors)().swap(m_errors);
    decltype(m_counts)().swap(m_counts);
    decltype(m_scope)().swap(m_scope);
    std::string().swap(m_text);
    decltype(m_ids)().swap(m_ids);
    decltype(m_idRefs)().swap(m_idRefs);
}

void XmlBinder::divertEntries(void (*sink)(void* context, void* list), void* context) noexcept {
    m_sink = sink;
    m_sinkContext = context;
}

inline XmlBinder::Frame& XmlBinder::push(XmlChild const& child, std::string_view name, XmlElementRules const* rules) {
    if (m_depth == m_frames.size()) {
        m_frames.emplace_back();
        m_frames.back().numbering = m_frames.front().numbering;  // the read's (begin)
    }
    Frame& frame = m_frames[m_depth++];
    frame.child = child;
    frame.name = name;
    frame.rules = rules;
    frame.place = 0;
    if (rules != nullptr && frame.own.rules != rules) learnKind(frame, rules);
    return frame;
}

// The open elements stay, passed over, for the path of a later error.
void XmlBinder::takeBackOpenEntries() noexcept {
    for (std::size_t depth = m_depth; depth > 0; --depth) {  // the innermost first: it may live in an outer one
        XmlChild& open = m_frames[depth - 1].child;
        if (open.m_takeBack != nullptr) open.m_takeBack(open.m_list);
        open.m_takeBack = nullptr;
        open.m_kind = XmlChild::Kind::Skipped;
    }
}

// After a step failed at `element`: no half-read entry stays on its list
// (taken back first, whatever follows), and the element is open, passed
// over like those around it, so that its end is counted and the error has
// its path.
void XmlBinder::keepOpen(std::size_t outer, XmlElementStart const& element) {
    takeBackOpenEntries();
    if (m_depth == outer) push(XmlChild::skipped(), element.name.text, nullptr);
}

// The index of the child rule of `parent`'s rules that `name` has, or
// childCount, with its rules in the parent's own.childRules: the last child's when it
// has the same number.
std::size_t XmlBinder::childIndex(Frame& parent, XmlName name) {
    Numbers& learnt = parent.own;
    if (name.number != XmlName::kUncounted && name.number == learnt.childNumber) return learnt.childIndex;
    XmlElementRules const& rules = *parent.rules;
    std::size_t const index = rules.childNamed(name.text);
    learnt.childNumber = name.number;
    learnt.childIndex = static_cast<std::uint32_t>(index);
    learnt.childRules = index < rules.childCount ? &rules.children[index].rules() : nullptr;
    return index;
}

// The values of the attributes of `rules` on `element`, the innermost open
// element, in their order: in a lenient read, the first attribute of each
// local name, whatever its namespace; a validating read checks them.
// Returns how many the rules have.
std::size_t XmlBinder::attributeValues(XmlElementRules const& rules, XmlElementStart const& element,
                                       std::string_view* values) {
    std::size_t const count = rules.attributeCount;
    if (validating()) {
        checkedValues(rules, element, values);
        return count;
    }
    if (count == 0) return 0;
    Frame& frame = m_frames[m_depth - 1];  // whose names are numbered by `rules`
    if (!inRulesOrder<false>(frame.own.attributeNumbers, rules, element)) {
        valuesByName(frame, element, values);
        return count;
    }
    valuesInOrder(element, count, values);
    return count;
}

// The same for a validating read, out of the lenient read's way.
void XmlBinder::checkedValues(XmlElementRules const& rules, XmlElementStart const& element, std::string_view* values) {
    if (!inRulesOrder<true>(m_frames[m_depth - 1].own.attributeNumbers, rules, element)) {
        checkAttributes(rules, element, values);
        return;
    }
    valuesInOrder(element, rules.attributeCount, values);
}

// checkChild(), for the child a validating read mostly meets: in the
// namespace of its parent's rules (the number met before), of the rule its
// parent's content has reached, and either of a repeated rule or the first
// of its rule. Any other child goes the whole way.
inline std::size_t XmlBinder::nextChild(Frame& parent, XmlElementStart const& element, std::size_t index) {
    XmlElementRules const& rules = *parent.rules;
    std::uint32_t const uri = element.namespaceURI.number;
    if (rules.content == XmlContent::Elements && index == parent.next && index < rules.childCount &&
        uri != XmlName::kUncounted && uri == parent.own.namespaceNumber) {
        std::uint32_t& count = m_counts[parent.countsAt + index];
        if (rules.children[index].repeated) {
            m_place = ++count;
            return index;
        }
        if (count == 0) {
            m_place = 0;
            count = 1;
            return index;
        }
    }
    return checkChild(parent, element, index);
}

void XmlBinder::openRoot(XmlElementStart const& element) {
    std::string_view const uri = m_options.rootNamespace, name = m_options.rootName;
    if ((!uri.empty() && element.namespaceURI.text != uri) || (!name.empty() && element.name.text != name))
        throw wrongRoot(element.name.text, element.namespaceURI.text, uri, name);
    XmlElementType const& type = *m_element.m_type;
    Frame& frame = push(m_element, element.name.text, type.rules);
    bool const intoObject = m_element.m_kind == XmlChild::Kind::Object;
    if (element.root && type.probe != nullptr && intoObject) {
        m_probe = type.probe;
        m_started = now();
    }
    if (type.rules == nullptr) {  // a type read by its start alone, which has nothing to validate
        if (intoObject) type.start(*m_element.m_object, element, nullptr);
        return;
    }
    if (validating()) enter(frame, element);
    std::string_view values[kMostAttributes];
    attributeValues(*type.rules, element, values);
    XmlChild const& open = m_frames[m_depth - 1].child;
    if (open.m_kind == XmlChild::Kind::Object) type.start(*open.m_object, element, values);
}

// A child of the innermost open element: read by the member its rules name
// it by, or passed over (or refused).
void XmlBinder::openChild(XmlElementStart const& element) {
    Frame& parent = m_frames[m_depth - 1];
    XmlElementRules const* const parentRules = parent.rules;
    if (parentRules == nullptr) {
        push(XmlChild::skipped(), element.name.text, nullptr);
        return;
    }
    std::size_t index = childIndex(parent, element.name);
    XmlElementRules const* rules = nullptr;
    if (validating()) {
        if (!m_text.empty()) endText(parent);  // a run of text before it
        index = nextChild(parent, element, index);
        if (index < parentRules->childCount) rules = parent.own.childRules;
    } else {
        rules = parent.own.childRules;
        if (rules == nullptr && parentRules->childCount > 0 && m_options.policy == ReadPolicy::Lenient)
            throw Exceptions::DomException("Unexpected node name: " + std::string(element.name.text), element.line);
    }
    if (rules == nullptr) {
        push(XmlChild::skipped(), element.name.text, nullptr);
        return;
    }
    // What the parent is read into, as push may move the frames.
    bool const intoObject = parent.child.m_kind == XmlChild::Kind::Object;
    BaseObject* const object = parent.child.m_object;
    XmlElementType const* const type = parent.child.m_type;
    Frame& frame = push(XmlChild::skipped(), element.name.text, rules);
    if (validating()) enter(frame, element);
    std::string_view* const values = m_values;
    attributeValues(*rules, element, values);
    // Not read into its parent's object after an error of a validating read.
    if (!intoObject || m_frames[m_depth - 2].child.m_kind != XmlChild::Kind::Object) return;
    // The child is made in its frame, where it is kept: assigned, it would
    // be copied whole from what child() had just stored field by field, a
    // load that waits for the stores.
    static_assert(std::is_trivially_copyable_v<XmlChild> && std::is_trivially_destructible_v<XmlChild>);
    XmlChild& open = m_frames[m_depth - 1].child;
    try {
        ::new (&open) XmlChild(type->child(*object, index, values, m_room));
    } catch (...) {
        ::new (&open) XmlChild();  // skipped, as pushed
        throw;
    }
    if (open.m_kind == XmlChild::Kind::Object) open.m_type->start(*open.m_object, element, values);
}

void XmlBinder::startElement(XmlElementStart const& element) {
    // After a failure the elements are still counted, passed over, for the
    // path of a later error of the text.
    if (m_failure) {
        push(XmlChild::skipped(), element.name.text, nullptr);
        return;
    }
    std::size_t const outer = m_depth;
    try {
        if (m_depth == 0) {
            openRoot(element);
        } else {
            openChild(element);
        }
    } catch (Exceptions::DomException& e) {
        keepOpen(outer, element);
        locate(e, element);
        m_failure = std::current_exception();
    } catch (...) {
        keepOpen(outer, element);
        m_failure = std::current_exception();
    }
}

void XmlBinder::characters(std::string_view text) {
    if (m_failure) return;
    Frame& open = m_frames[m_depth - 1];
    if (open.child.m_kind == XmlChild::Kind::Text) open.child.m_text->append(text);
    if (validating() && open.rules != nullptr) checkText(open, text);
}

void XmlBinder::endElement() {
    if (m_failure) {
        if (m_depth > 0) --m_depth;  // an element whose start found no memory to open it was never counted
        return;
    }
    if (validating() && m_frames[m_depth - 1].rules != nullptr) {
        Frame const& frame = m_frames[m_depth - 1];
        // Mostly an element of attributes or text alone, which ends with
        // nothing left to check: no run of text, no typed value, no
        // declaration. (A document's IDREFs, judged at its root's end, are
        // typed values in element content.)
        if (frame.rules->content == XmlContent::Elements || frame.textType != 0 || !m_text.empty() ||
            frame.scopeAt != m_scope.size())
            checkEnd(frame);
    }
    if (m_failure) {  // the errors passed the most looked for
        --m_depth;
        return;
    }
    XmlChild const& open = m_frames[--m_depth].child;
    if (open.m_list != nullptr && open.m_kind != XmlChild::Kind::Skipped) m_room.reached(open.m_type, open.m_entries);
    if (m_depth == 0) {
        m_ended = now();
    } else if (m_depth == 1 && m_sink != nullptr && open.m_takeBack != nullptr) {
        handOn(open);
    }
}

// An entry of the element read, handed to the sink and taken off its list.
void XmlBinder::handOn(XmlChild const& entry) {
    auto const counted = std::find_if(m_handedOn.begin(), m_handedOn.end(),
                                      [&](auto const& list) { return list.first == entry.m_list; });
    if (counted == m_handedOn.end()) {
        m_handedOn.emplace_back(entry.m_list, 1);
    } else {
        ++counted->second;
    }
    struct TakeBack {
        XmlChild const& entry;
        ~TakeBack() { entry.m_takeBack(entry.m_list); }
    } const takeBack{entry};
    m_sink(m_sinkContext, entry.m_list);
}

std::size_t XmlBinder::handedOn(void const* list) const noexcept {
    for (auto const& [handed, count] : m_handedOn)
        if (handed == list) return count;
    return 0;
}

std::string XmlBinder::path() const {
    if (validating()) return validationPath();
    std::string path;
    for (std::size_t depth = 0; depth < m_depth; ++depth) {
        Frame const& open = m_frames[depth];
        path += '/';
        path += open.name;
        if (open.child.m_list != nullptr)
            path += '[' + std::to_string(open.child.m_entries + handedOn(open.child.m_list)) + ']';
    }
    return path;
}

// The error of a binding step at `element`, whose frame is the innermost.
void XmlBinder::locate(Exceptions::DomException& error, XmlElementStart const& element) const {
    if (error.column() == 0) error.setPlace(element.line, element.column);
    std::string const& own = error.path();  // an attribute's, or none
    if (own.empty() || own.front() != '/') error.setPath(path() + (own.empty() ? "" : '/' + own));
}

void readTree(XMLNode const& node, BaseObject& object, XmlElementType const& type, XmlBinder::Options const& options) {
    XmlBinder binder;
    binder.readInto(object, type, options);
    walk(node, binder);
    binder.finish();
}

}  // namespace Kestrune::Soa::Common::Xml
