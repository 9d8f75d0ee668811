#include "host/XmlBinder.h"

#include "host/Monitor.h"

#include <algorithm>
#include <chrono>
#include <string>
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
    m_element = XmlChild::inPlace(object, type);
    m_options = options;
    m_failure = nullptr;
    m_probe = nullptr;  // until the root's start tag is read
    m_handedOn.clear();
}

Exceptions::DomException wrongRootNamespace(std::string_view name, std::string_view actual, std::string_view expected,
                                            std::size_t line) {
    std::string const in = actual.empty() ? "no namespace" : "namespace \"" + std::string(actual) + '"';
    return Exceptions::DomException("the root element \"" + std::string(name) + "\" is in " + in + ", not in \"" +
                                        std::string(expected) + "\"",
                                    line);
}

namespace {

std::int64_t now() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// The text was read whole: every element the binder opened has ended.
void XmlBinder::finish() {
    if (std::string const* const probe = std::exchange(m_probe, nullptr)) {
        if (m_failure) {
            Monitor::markStart(*probe);
            Monitor::markAbandoned(*probe);
        } else {
            Monitor::markCompleted(*probe, static_cast<std::uint64_t>(m_ended - m_started));  // a steady clock
        }
    }
    if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void XmlBinder::abandon() noexcept {
    takeBackOpenEntries();
    m_depth = 0;
    m_failure = nullptr;
}

void XmlBinder::release() noexcept {
    std::vector<XmlChild>().swap(m_frames);
    m_depth = 0;
    m_room = XmlListRoom();
    decltype(m_handedOn)().swap(m_handedOn);
}

void XmlBinder::divertEntries(void (*sink)(void* context, void* list), void* context) noexcept {
    m_sink = sink;
    m_sinkContext = context;
}

// The open elements stay, passed over, for the path of a later error.
void XmlBinder::takeBackOpenEntries() noexcept {
    for (std::size_t depth = m_depth; depth > 0; --depth) {  // the innermost first: it may live in an outer one
        XmlChild& open = m_frames[depth - 1];
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
    if (m_depth == outer) push(XmlChild::skipped(), element.name.text);
}

void XmlBinder::push(XmlChild const& child, std::string_view name) {
    if (m_depth == m_frames.size()) m_frames.emplace_back();
    m_frames[m_depth] = child;
    m_frames[m_depth++].m_name = name;
}

void XmlBinder::startElement(XmlElementStart const& element) {
    // After a failure the elements are still counted, passed over, for the
    // path of a later error of the text.
    if (m_failure) {
        push(XmlChild::skipped(), element.name.text);
        return;
    }
    std::size_t const outer = m_depth;
    try {
        if (m_depth == 0) {
            if (!m_options.rootNamespace.empty() && element.namespaceURI.text != m_options.rootNamespace) {
                throw wrongRootNamespace(element.name.text, element.namespaceURI.text, m_options.rootNamespace,
                                         element.line);
            }
            push(m_element, element.name.text);
            if (element.root && m_element.m_type->probe != nullptr) {
                m_probe = m_element.m_type->probe;
                m_started = now();
            }
        } else {
            XmlChild const& parent = m_frames[m_depth - 1];
            push(parent.m_kind == XmlChild::Kind::Object ? parent.m_type->child(*parent.m_object, element, m_room)
                                                         : XmlChild::skipped(),
                 element.name.text);
        }
        XmlChild const& open = m_frames[m_depth - 1];
        if (open.m_kind == XmlChild::Kind::Object) open.m_type->start(*open.m_object, element);
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
    XmlChild const& open = m_frames[m_depth - 1];
    if (open.m_kind == XmlChild::Kind::Text) open.m_text->append(text);
}

void XmlBinder::endElement() {
    if (m_failure) {
        if (m_depth > 0) --m_depth;  // an element whose start found no memory to open it was never counted
        return;
    }
    XmlChild const& open = m_frames[--m_depth];
    if (open.m_list != nullptr) m_room.reached(open.m_type, open.m_entries);
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
    std::string path;
    for (std::size_t depth = 0; depth < m_depth; ++depth) {
        XmlChild const& open = m_frames[depth];
        path += '/';
        path += open.m_name;
        if (open.m_list != nullptr) path += '[' + std::to_string(open.m_entries + handedOn(open.m_list)) + ']';
    }
    return path;
}

// The error of a binding step at `element`, whose frame is the innermost.
void XmlBinder::locate(Exceptions::DomException& error, XmlElementStart const& element) const {
    if (error.column() == 0) error.setPlace(element.line, element.column);
    std::string const& own = error.path();  // an attribute's, or none
    if (own.empty() || own.front() != '/') error.setPath(path() + (own.empty() ? "" : '/' + own));
}

void readTree(XMLNode const& node, BaseObject& object, XmlElementType const& type) {
    XmlBinder binder;
    binder.readInto(object, type);
    walk(node, binder);
    binder.finish();
}

}  // namespace Kestrune::Soa::Common::Xml
