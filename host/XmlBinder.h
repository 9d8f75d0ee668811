#pragma once

// Reading elements into objects, from a reader's events: the one procedure
// by which every object of the libraries is read, whether from a parsed tree
// (walked as events) or straight from the text.

#include "host/BaseObject.h"
#include "host/DomException.h"
#include "host/Export.h"
#include "host/XmlEvents.h"
#include "host/XmlRules.h"
#include "xml/Handle.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

class XMLNode;
struct XmlElementType;

/// The room a list read straight from the text starts with: as many entries
/// as the last list of the same entries read by the same binder ended with,
/// up to 64, so that messages of one shape read one after another grow each
/// list once. A list that ends shorter lowers it for the next one, so that
/// a message's lists take the room of its own shape after the first, whatever
/// came before. A list read from a tree is given room for all its entries
/// instead. Only a list's capacity depends on it, never a value.
class KXSOACOMMON_EXPORT XmlListRoom {
public:
    static constexpr std::size_t kMostEntries = 64;

    /// The room for a new list of entries of `type` (null: texts).
    std::size_t forNewList(XmlElementType const* type) const noexcept;
    /// A list of such entries has `entries` now that one of them has ended.
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
    /// The memory it holds: a slot per kind of entry met.
    std::size_t bytes() const noexcept { return m_slots.capacity() * sizeof(Slot); }

private:
    struct Slot {
        XmlElementType const* type;
        std::size_t entries;
    };
    void add(XmlElementType const* type, std::size_t entries);
    std::vector<Slot> m_slots;
};

/// What a child element is read into: nothing (its whole subtree is passed
/// over), an object that a member holds (read in place), or a new entry of a
/// list, a text or an object, appended to its list at the element's start.
/// An entry whose element has not ended when the read fails is taken off its
/// list again, so that a list only ever gains entries read whole.
class KXSOACOMMON_EXPORT XmlChild {
public:
    static XmlChild skipped() noexcept { return XmlChild(); }
    static XmlChild inPlace(BaseObject& object, XmlElementType const& type) noexcept;
    /// A new text at the end of `list`: the element's own character data. A
    /// new list starts with `room`'s room.
    static XmlChild newText(std::vector<std::string>& list, XmlListRoom const& room);
    /// `entry`, a new object's public handle, put at the end of `list`.
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
    void* m_list = nullptr;                             ///< the list of a new entry
    std::size_t m_entries = 0;                          ///< the list's entries with this one: its place, from 1
    void (*m_takeBack)(void* list) noexcept = nullptr;  ///< takes its last entry off it
};

/// How the elements of one kind of object are read: its rules (the names of
/// its attributes and children, and what the schemas allow) and a table of
/// two functions, made by the binding runtime from a type's member table, or
/// written by hand for the host's own types.
struct XmlElementType {
    /// The "<type>::parse" probe, run around the whole read when the element
    /// is the document's root; null for none.
    std::string const* probe;
    /// Its attributes and children: the binder finds each child's member by
    /// them (and checks the element against them when it validates).
    XmlElementRules const* rules;
    /// The element's own start: `values` holds the value of each of its
    /// rules' attributes, in their order (empty when absent); and from a
    /// tree, the element's children make room for the lists' entries. A
    /// DomException about one attribute has "@" and the attribute's name as
    /// its path, which the binder puts after the element's.
    void (*start)(BaseObject& object, XmlElementStart const& element, std::string_view const* values);
    /// What the child element of the rules' child `index` is read into;
    /// `values` are that child's attribute values, by the child's own rules.
    /// A new entry of a list starts the list with `room`'s room.
    XmlChild (*child)(BaseObject& object, std::size_t index, std::string_view const* values, XmlListRoom const& room);
};

/// An attribute's value read into a string member: what a type's start
/// function does with each of `values`. The member of a new object is empty,
/// and an append into it is cheaper than an assign, which looks for overlap.
inline void readValue(std::string& member, std::string_view value) {
    member.clear();
    member.append(value);
}

/// How an XmlBinder reads an element: how strictly, and which root it takes.
struct XmlBinderOptions {
    /// The most errors a validating read collects unless told otherwise.
    static constexpr std::size_t kDefaultMaxErrors = 100;

    ReadPolicy policy = ReadPolicy::Lenient;
    /// When not empty: the namespace the element read must be in, or the
    /// read fails with wrongRoot().
    std::string_view rootNamespace;
    /// When not empty: the local name the element read must have, or the
    /// read fails with wrongRoot().
    std::string_view rootName;
    /// A validating read collects this many errors (at least one); at the
    /// next, it adds an error of kind Limit that says so, and looks no
    /// further.
    std::size_t maxErrors = kDefaultMaxErrors;
};

/// Reads one element, and all it holds, into an object, from the events of
/// a reader or of a tree walk. A failure of a binding step (an element the
/// type does not accept, a flag that is not a boolean, an object that cannot
/// be allocated) is kept while the events go on to the end, and thrown by
/// finish(); so that a text that turns out to be broken fails with the
/// reader's error, as reading it into a tree first does. What was read before
/// the failure stays in the object: nothing is rolled back (an entry whose
/// element had not ended is not appended). One element per read; reusable.
///
/// Each child element goes to the member that the element's rules name it
/// by (XmlElementType::rules): in a lenient read by its local name alone,
/// the first rule of that name deciding. A read that validates
/// (ReadPolicy::Validate) checks every element against its rules as it goes
/// and collects each error, with its place, up to Options::maxErrors; from
/// the first one on, nothing more is read into the object (and no more
/// entries are handed on), and finish() throws them all at once (a
/// DomException of kind Invalid). An error of the text itself still ends
/// the read at once, with the reader's error alone.
///
/// The root element's probe ("<type>::parse") is reported when the read is
/// over, timed from the root's start tag to its end: by finish() as a
/// completed call, or an abandoned one when a binding step failed; a read
/// whose text could not be read (abandon()) reports none, as no tree of that
/// text is ever bound.
///
/// A DomException of a binding step gets the place of the element it is
/// about (line and column) and its path (see DomException::path), built from
/// the open elements only when it is thrown: a read that succeeds pays for
/// keeping each open element's name and each entry's place in its list.
class KXSOACOMMON_EXPORT XmlBinder final : public XmlEventHandler {
public:
    /// The most errors a validating read collects unless told otherwise.
    static constexpr std::size_t kDefaultMaxErrors = XmlBinderOptions::kDefaultMaxErrors;

    XmlBinder() = default;
    XmlBinder(XmlBinder const&) = delete;
    XmlBinder& operator=(XmlBinder const&) = delete;

    /// How a read goes (XmlBinderOptions).
    using Options = XmlBinderOptions;

    /// The next element reported is read into `object`.
    void readInto(BaseObject& object, XmlElementType const& type, Options const& options = Options());
    /// The same, from a reader whose nameNumbering() is `nameNumbering`:
    /// what the binder learnt of the names' numbers in the reads before,
    /// from a reader of the same numbering, serves again (a cache: no
    /// outcome depends on it). 0: numbers that hold for this read alone.
    void readInto(BaseObject& object, XmlElementType const& type, Options const& options, std::uint64_t nameNumbering);
    /// The next element reported is held to `type`'s rules as a validating
    /// read holds it (whatever options.policy says), and read into nothing:
    /// no object is made and no probe reported. finish() throws what
    /// readInto() with ReadPolicy::Validate would throw of the same events
    /// (the same errors, places and paths), or nothing for a valid element.
    void validate(XmlElementType const& type, Options const& options = Options());
    /// The same, from a reader whose nameNumbering() is `nameNumbering` (see readInto).
    void validate(XmlElementType const& type, Options const& options, std::uint64_t nameNumbering);
    /// The events are over and the text was read whole: reports the probe and
    /// throws the failure of a binding step, or the errors a validating read
    /// found, if there are any.
    void finish();
    /// The text could not be read: takes the entries whose elements have not
    /// ended off their lists, and reports no probe. finish() or abandon()
    /// ends every read, before the next readInto().
    void abandon() noexcept;
    /// Each entry of the lists of the element itself is handed to `sink`
    /// (with `context` and the list, whose last entry it is) when its element
    /// ends, then taken off the list.
    void divertEntries(void (*sink)(void* context, void* list), void* context) noexcept;

    /// The memory the binder keeps from one read to the next, and its release
    /// (between two reads).
    std::size_t keptBytes() const noexcept;
    void release() noexcept;

    void startElement(XmlElementStart const& element) override;
    void characters(std::string_view text) override;
    void endElement() override;
    /// The path of the innermost open element: an entry of a list numbered by
    /// its place in the list (the entries handed on before it counted).
    std::string path() const override;

private:
    /// What a read learnt of the names of one kind of element (its rules)
    /// by their numbers (XmlName::number): siblings of one kind find their
    /// children and attributes by a number compared, not by their names.
    struct Numbers {
        XmlElementRules const* rules;  ///< the kind; null: none
        std::uint32_t childNumber;     ///< the last child's name, found as child rule childIndex
        std::uint32_t childIndex;
        XmlElementRules const* childRules;                ///< that rule's rules; null for none
        std::uint32_t namespaceNumber;                    ///< a namespace URI met that is the rules' own
        std::uint32_t attributeNumbers[kMostAttributes];  ///< of each attribute rule's name, once met
    };
    static constexpr unsigned char kNumberedKinds = 4;

    /// An open element: what it is read into, and what it is checked by.
    struct Frame {
        XmlChild child;
        std::string_view name;         ///< its local name
        XmlElementRules const* rules;  ///< null: its content is passed over
        /// Kept by a validating read only:
        std::uint32_t line;      ///< of its start tag
        std::uint32_t column;    ///<
        std::uint32_t place;     ///< among the children of its parent of its rule, when that repeats; else 0
        std::uint32_t next;      ///< the child rule its content has reached
        std::size_t countsAt;    ///< where the counts of its children, by rule, begin in m_counts
        std::size_t scopeAt;     ///< m_scope's size before its namespace declarations
        unsigned char textType;  ///< the type its text has by xsi:type (XmlBinderChecks.cpp); 0: its own
        bool textRefused;        ///< an error about its text was reported
        /// What was learnt of its own kind, and of the kinds met at its
        /// depth before it, the last few. Kept from one read to the next
        /// while the names are numbered the same way (`numbering`, see
        /// XmlReader::nameNumbering), else forgotten as the read begins.
        Numbers own;
        Numbers others[kNumberedKinds - 1];
        std::uint64_t numbering;
        unsigned char replaced;  ///< the place in `others` that the next kind met takes
    };

    void begin(XmlChild const& element, Options const& options, std::uint64_t nameNumbering);
    void openRoot(XmlElementStart const& element);
    void openChild(XmlElementStart const& element);
    /// The three steps of every element, defined in XmlBinder.cpp alone.
    inline Frame& push(XmlChild const& child, std::string_view name, XmlElementRules const* rules);
    inline std::size_t childIndex(Frame& parent, XmlName name);
    inline std::size_t attributeValues(XmlElementRules const& rules, XmlElementStart const& element,
                                       std::string_view* values);
    void learnKind(Frame& frame, XmlElementRules const* rules) noexcept;
    void valuesByName(Frame& frame, XmlElementStart const& element, std::string_view* values);
    std::size_t attributeIndex(Frame& frame, XmlName name);
    void takeBackOpenEntries() noexcept;
    void keepOpen(std::size_t outer, XmlElementStart const& element);
    void handOn(XmlChild const& entry);
    void locate(Exceptions::DomException& error, XmlElementStart const& element) const;
    std::size_t handedOn(void const* list) const noexcept;

    /// A validating read's checks (XmlBinderChecks.cpp).
    bool validating() const noexcept { return m_options.policy == ReadPolicy::Validate; }
    std::size_t checkChild(Frame& parent, XmlElementStart const& element, std::size_t index);
    inline std::size_t nextChild(Frame& parent, XmlElementStart const& element, std::size_t index);
    void checkAttributes(XmlElementRules const& rules, XmlElementStart const& element, std::string_view* values);
    void checkedValues(XmlElementRules const& rules, XmlElementStart const& element, std::string_view* values);
    void checkXsiType(XmlElementRules const& rules, XmlElementStart const& element, std::string_view value);
    void checkText(Frame& frame, std::string_view text);
    void endText(Frame& frame);
    void checkEnd(Frame const& frame);
    bool resolve(std::string_view prefix, std::string_view& uri) const noexcept;
    void enter(Frame& frame, XmlElementStart const& element);
    void checkTypedText(Frame const& frame);
    void addError(Exceptions::ErrorKind kind, std::string message, std::uint32_t line, std::uint32_t column,
                  std::string path);
    std::vector<Exceptions::XmlError> sortedErrors();
    /// Records an error at `line` and `column`, its path the innermost open
    /// element's followed by `step` when that is not empty.
    void invalid(std::string message, std::uint32_t line, std::uint32_t column, std::string_view step = {});
    void invalidAt(std::string message, std::uint32_t line, std::uint32_t column, std::string path);
    std::string validationPath() const;

    XmlChild m_element;                    ///< what the element read goes into
    std::vector<Frame> m_frames;           ///< the open elements, the element read first
    std::size_t m_depth = 0;               ///< frames in use
    std::string const* m_probe = nullptr;  ///< the root's probe, once its start tag is read
    std::int64_t m_started = 0;            ///< when the root's start tag was read, and when its end tag was
    std::int64_t m_ended = 0;              ///< (nanoseconds of a steady clock)
    Options m_options;
    std::exception_ptr m_failure;  ///< a binding step's failure; the events after it are passed over
    void (*m_sink)(void* context, void* list) = nullptr;
    void* m_sinkContext = nullptr;
    std::vector<std::pair<void const*, std::size_t>> m_handedOn;  ///< entries handed to the sink, by list
    XmlListRoom m_room;
    /// The attribute values of the element being opened, by its rules: kept
    /// here so that no element pays for clearing a fresh array.
    std::string_view m_values[kMostAttributes];
    /// A validating read's:
    std::vector<Exceptions::XmlError> m_errors;    ///< the errors found, in the order of the text
    std::vector<std::uint32_t> m_counts;           ///< the children of the open elements, by rule
    std::vector<XmlNamespaceDeclaration> m_scope;  ///< the declarations in force, innermost last
    std::string m_text;                            ///< of an element whose text xsi:type gives a type to
    std::uint32_t m_place = 0;                     ///< of the child being opened (Frame::place)
    std::unordered_set<std::string> m_ids;         ///< the values of type xs:ID met so far
    std::vector<std::pair<std::string, Exceptions::XmlError>> m_idRefs;  ///< xs:IDREF values, and where
};

/// The error of an element read as a message's root that is not the one
/// expected: in another namespace than `expectedNamespace` (another schema
/// version's message, say), or named otherwise than `expectedName` (another
/// message type); each left empty is not checked. Says what was found and
/// what was expected (kind WrongRoot), without its place.
KXSOACOMMON_EXPORT Exceptions::DomException wrongRoot(std::string_view name, std::string_view namespaceURI,
                                                      std::string_view expectedNamespace,
                                                      std::string_view expectedName);

/// Reads `node` and all it holds into `object`: the tree walked as events.
KXSOACOMMON_EXPORT void readTree(XMLNode const& node, BaseObject& object, XmlElementType const& type,
                                 XmlBinder::Options const& options = XmlBinder::Options());

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
