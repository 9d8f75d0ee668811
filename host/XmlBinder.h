#pragma once

// Reading elements into objects, from a reader's events: the one procedure
// by which every object of the libraries is read, whether from a parsed tree
// (walked as events) or straight from the text.

#include "host/BaseObject.h"
#include "host/DomException.h"
#include "host/Export.h"
#include "host/XmlEvents.h"
#include "xml/Handle.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

class XMLNode;
struct XmlElementType;

// What a child element is read into: nothing (its whole subtree is passed
// over), an object that a member holds (read in place), or a new entry of a
// list, a text or an object, appended to its list at the element's start.
// An entry whose element has not ended when the read fails is taken off its
// list again, so that a list only ever gains entries read whole.
class KXSOACOMMON_EXPORT XmlChild {
public:
    static XmlChild skipped() noexcept { return XmlChild(); }
    static XmlChild inPlace(BaseObject& object, XmlElementType const& type) noexcept;
    // A new text at the end of `list`: the element's own character data.
    static XmlChild newText(std::vector<std::string>& list);
    // `entry`, a new object's public handle, put at the end of `list`.
    template <class Entry>
    static XmlChild newEntry(Entry const& entry, XmlElementType const& type, std::vector<Entry>& list);

private:
    friend class XmlBinder;
    enum class Kind : unsigned char { Skipped, Text, Object };

    Kind m_kind = Kind::Skipped;
    // A new entry's place in its list, from 1 (0 for the others), for the
    // path of an error; of a list past 2^32 entries, modulo 2^32.
    std::uint32_t m_entry = 0;
    std::string* m_text = nullptr;
    BaseObject* m_object = nullptr;
    XmlElementType const* m_type = nullptr;
    void* m_list = nullptr;                        // the list of a new entry
    void (*m_takeBack)(void* list) noexcept = nullptr;  // takes its last entry off it
    std::string_view m_name;                            // the element's local name, once the binder has opened it
};

// How the elements of one kind of object are read: a table of two
// functions per type, made by the binding runtime from a type's member
// table, or written by hand for the host's own types.
struct XmlElementType {
    // The "<type>::parse" probe, run around the whole read when the element
    // is the document's root; null for none.
    std::string const* probe;
    // The element's own start: its attributes (and, from a tree, its
    // children, to make room for the lists' entries). A DomException about
    // one attribute has "@" and the attribute's name as its path, which the
    // binder puts after the element's.
    void (*start)(BaseObject& object, XmlElementStart const& element);
    // What a child element is read into; a child the type does not accept
    // throws DomException "Unexpected node name: <name>".
    XmlChild (*child)(BaseObject& object, XmlElementStart const& element);
};

// Reads one element, and all it holds, into an object, from the events of
// a reader or of a tree walk. What was read stays in the object when a
// later event throws: nothing is rolled back (an entry whose element had not
// ended is not appended). One element per read; reusable.
//
// A DomException of a binding step gets the place of the element it is
// about (line and column) and its path (see DomException::path), built from
// the open elements only when it is thrown: a read that succeeds pays for
// keeping each open element's name and each entry's place in its list.
class KXSOACOMMON_EXPORT XmlBinder final : public XmlEventHandler {
public:
    XmlBinder() = default;
    XmlBinder(XmlBinder const&) = delete;
    XmlBinder& operator=(XmlBinder const&) = delete;

    struct Options {
        // A failure of a binding step (an element the type does not accept,
        // a flag that is not a boolean, an object that cannot be allocated)
        // is thrown at once; or, when deferred, kept while the reader goes on
        // to the end of the text and thrown by throwIfFailed(), so that a text
        // that turns out to be broken fails with the reader's error, as
        // reading it into a tree first does.
        bool deferFailures = false;
        // When not empty: the namespace the element read must be in, or
        // wrongRootNamespace() fails the read.
        std::string_view rootNamespace;
    };

    // The next element reported is read into `object`.
    void readInto(BaseObject& object, XmlElementType const& type, Options const& options);
    void readInto(BaseObject& object, XmlElementType const& type) { readInto(object, type, Options()); }
    void throwIfFailed();
    // Each entry of the lists of the element itself is handed to `sink`
    // (with `context` and the list, whose last entry it is) when its element
    // ends, then taken off the list.
    void divertEntries(void (*sink)(void* context, void* list), void* context) noexcept;
    // Takes the entries whose elements have not ended off their lists: after
    // a read that failed outside the binder's own steps.
    void abandon() noexcept;

    void startElement(XmlElementStart const& element) override;
    void characters(std::string_view text) override;
    void endElement() override;
    // The path of the innermost open element: an entry of a list numbered by
    // its place in the list (the entries handed on before it counted).
    std::string path() const override;

private:
    void push(XmlChild const& child, std::string_view name);
    void takeBackOpenEntries() noexcept;
    void keepOpen(std::size_t outer, XmlElementStart const& element);
    void handOn(XmlChild const& entry);
    void failed();
    void locate(Exceptions::DomException& error, XmlElementStart const& element) const;
    std::size_t handedOn(void const* list) const noexcept;

    XmlChild m_element;                 // what the element read goes into
    std::vector<XmlChild> m_frames;     // the open elements, the element read first
    std::size_t m_depth = 0;            // frames in use
    bool m_atRoot = false;    // the element read is the document's root: its probe runs
    Options m_options;
    std::exception_ptr m_failure;  // a deferred failure; the events after it are passed over
    void (*m_sink)(void* context, void* list) = nullptr;
    void* m_sinkContext = nullptr;
    std::vector<std::pair<void const*, std::size_t>> m_handedOn;  // entries handed to the sink, by list
};

// The error of an element read as a message's root that is in another
// namespace than `expected` (another schema version's message, say): names
// both URIs, with the element's line.
KXSOACOMMON_EXPORT Exceptions::DomException wrongRootNamespace(std::string_view name, std::string_view actual,
                                                               std::string_view expected, std::size_t line);

// Reads `node` and all it holds into `object`: the tree walked as events.
KXSOACOMMON_EXPORT void readTree(XMLNode const& node, BaseObject& object, XmlElementType const& type);

namespace Detail {

// Room for a list's next entry. A list read from a tree has been given room
// for all its entries; read straight from the text, it grows as entries
// come, and starts with the room that lists of its entries needed before on
// this thread (up to 64 entries), so that messages of one shape read one
// after another grow each list once.
template <class Entry>
void makeRoom(std::vector<Entry>& list) {
    if (list.size() < list.capacity()) return;
    thread_local std::size_t needed = 0;  // by lists of such entries before
    if (list.empty() && needed > 0) {
        list.reserve(needed);
    } else {
        needed = std::min<std::size_t>(std::max<std::size_t>(2 * list.size(), 4), 64);
    }
}

}  // namespace Detail

template <class Entry>
XmlChild XmlChild::newEntry(Entry const& entry, XmlElementType const& type, std::vector<Entry>& list) {
    Detail::makeRoom(list);
    list.push_back(entry);
    XmlChild child;
    child.m_kind = Kind::Object;
    child.m_object = &HandleAccess::object(list.back());
    child.m_type = &type;
    child.m_list = &list;
    child.m_entry = static_cast<std::uint32_t>(list.size());
    child.m_takeBack = [](void* of) noexcept { static_cast<std::vector<Entry>*>(of)->pop_back(); };
    return child;
}

}  // namespace Kestrune::Soa::Common::Xml
