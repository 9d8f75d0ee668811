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

// The room a list read straight from the text starts with: as many entries
// as the last list of the same entries read by the same binder ended with,
// up to 64, so that messages of one shape read one after another grow each
// list once. A list that ends shorter lowers it for the next one, so that
// a message's lists take the room of its own shape after the first, whatever
// came before. A list read from a tree is given room for all its entries
// instead. Only a list's capacity depends on it, never a value.
class KXSOACOMMON_EXPORT XmlListRoom {
public:
    static constexpr std::size_t kMostEntries = 64;

    // The room for a new list of entries of `type` (null: texts).
    std::size_t forNewList(XmlElementType const* type) const noexcept;
    // A list of such entries has `entries` now that one of them has ended.
    void reached(XmlElementType const* type, std::size_t entries) {
        entries = entries < kMostEntries ? entries : kMostEntries;
        for (Slot& slot : m_slots) {
            if (slot.type == type) {
                slot.entries = entries;
                return;
            }
        }
        add(type, entries);
    }
    // The memory it holds: a slot per kind of entry met.
    std::size_t bytes() const noexcept { return m_slots.capacity() * sizeof(Slot); }

private:
    struct Slot {
        XmlElementType const* type;
        std::size_t entries;
    };
    void add(XmlElementType const* type, std::size_t entries);
    std::vector<Slot> m_slots;
};

// What a child element is read into: nothing (its whole subtree is passed
// over), an object that a member holds (read in place), or a new entry of a
// list, a text or an object, appended to its list at the element's start.
// An entry whose element has not ended when the read fails is taken off its
// list again, so that a list only ever gains entries read whole.
class KXSOACOMMON_EXPORT XmlChild {
public:
    static XmlChild skipped() noexcept { return XmlChild(); }
    static XmlChild inPlace(BaseObject& object, XmlElementType const& type) noexcept;
    // A new text at the end of `list`: the element's own character data. A
    // new list starts with `room`'s room.
    static XmlChild newText(std::vector<std::string>& list, XmlListRoom const& room);
    // `entry`, a new object's public handle, put at the end of `list`.
    template <class Entry>
    static XmlChild newEntry(Entry const& entry, XmlElementType const& type, std::vector<Entry>& list,
                             XmlListRoom const& room);

private:
    friend class XmlBinder;
    enum class Kind : unsigned char { Skipped, Text, Object };

    Kind m_kind = Kind::Skipped;
    std::string* m_text = nullptr;
    BaseObject* m_object = nullptr;
    XmlElementType const* m_type = nullptr;
    void* m_list = nullptr;                        // the list of a new entry
    std::size_t m_entries = 0;                     // the list's entries with this one: its place, from 1
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
    // throws DomException "Unexpected node name: <name>". A new entry of a
    // list starts the list with `room`'s room.
    XmlChild (*child)(BaseObject& object, XmlElementStart const& element, XmlListRoom const& room);
};

// Reads one element, and all it holds, into an object, from the events of
// a reader or of a tree walk. A failure of a binding step (an element the
// type does not accept, a flag that is not a boolean, an object that cannot
// be allocated) is kept while the events go on to the end, and thrown by
// finish(); so that a text that turns out to be broken fails with the
// reader's error, as reading it into a tree first does. What was read before
// the failure stays in the object: nothing is rolled back (an entry whose
// element had not ended is not appended). One element per read; reusable.
//
// The root element's probe ("<type>::parse") is reported when the read is
// over, timed from the root's start tag to its end: by finish() as a
// completed call, or an abandoned one when a binding step failed; a read
// whose text could not be read (abandon()) reports none, as no tree of that
// text is ever bound.
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
        // When not empty: the namespace the element read must be in, or
        // wrongRootNamespace() fails the read.
        std::string_view rootNamespace;
    };

    // The next element reported is read into `object`.
    void readInto(BaseObject& object, XmlElementType const& type, Options const& options = Options());
    // The events are over and the text was read whole: reports the probe and
    // throws the failure of a binding step, if one failed.
    void finish();
    // The text could not be read: takes the entries whose elements have not
    // ended off their lists, and reports no probe. finish() or abandon()
    // ends every read, before the next readInto().
    void abandon() noexcept;
    // Each entry of the lists of the element itself is handed to `sink`
    // (with `context` and the list, whose last entry it is) when its element
    // ends, then taken off the list.
    void divertEntries(void (*sink)(void* context, void* list), void* context) noexcept;

    // The memory the binder keeps from one read to the next, and its release
    // (between two reads).
    std::size_t keptBytes() const noexcept {
        return m_frames.capacity() * sizeof(XmlChild) + m_room.bytes() +
               m_handedOn.capacity() * sizeof(m_handedOn[0]);
    }
    void release() noexcept;

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
    void locate(Exceptions::DomException& error, XmlElementStart const& element) const;
    std::size_t handedOn(void const* list) const noexcept;

    XmlChild m_element;                 // what the element read goes into
    std::vector<XmlChild> m_frames;     // the open elements, the element read first
    std::size_t m_depth = 0;            // frames in use
    std::string const* m_probe = nullptr;  // the root's probe, once its start tag is read
    std::int64_t m_started = 0;         // when the root's start tag was read, and when its end tag was
    std::int64_t m_ended = 0;           // (nanoseconds of a steady clock)
    Options m_options;
    std::exception_ptr m_failure;  // a binding step's failure; the events after it are passed over
    void (*m_sink)(void* context, void* list) = nullptr;
    void* m_sinkContext = nullptr;
    std::vector<std::pair<void const*, std::size_t>> m_handedOn;  // entries handed to the sink, by list
    XmlListRoom m_room;
};

// The error of an element read as a message's root that is in another
// namespace than `expected` (another schema version's message, say): names
// both URIs, with the element's line.
KXSOACOMMON_EXPORT Exceptions::DomException wrongRootNamespace(std::string_view name, std::string_view actual,
                                                               std::string_view expected, std::size_t line);

// Reads `node` and all it holds into `object`: the tree walked as events.
KXSOACOMMON_EXPORT void readTree(XMLNode const& node, BaseObject& object, XmlElementType const& type);

template <class Entry>
XmlChild XmlChild::newEntry(Entry const& entry, XmlElementType const& type, std::vector<Entry>& list,
                            XmlListRoom const& room) {
    if (list.capacity() == 0) list.reserve(room.forNewList(&type));
    list.push_back(entry);
    XmlChild child;
    child.m_kind = Kind::Object;
    child.m_object = &HandleAccess::object(list.back());
    child.m_type = &type;
    child.m_list = &list;
    child.m_entries = list.size();
    child.m_takeBack = [](void* of) noexcept { static_cast<std::vector<Entry>*>(of)->pop_back(); };
    return child;
}

}  // namespace Kestrune::Soa::Common::Xml
