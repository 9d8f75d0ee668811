#pragma once

// Comparison by content and the readable dump, written once for any member
// table (see Members.h). Each member is compared and shown by the type of its
// value: text and flags as they are, business objects by uid and type, the
// service data by its two lists, lists entry by entry, and structures of the
// same schema version through their own content functions.
//
// Included only by the source files of message types.

#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "xml/Export.h"

#include <cstddef>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Content {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

// `text` in double quotes; quotes, backslashes and control characters escaped
// (\", \\, \n, \t, \r, \xHH), so that one value stays on one line.
KXSOAIMPORTEXPORT_EXPORT std::string quoted(std::string const& text);

inline void show(std::ostream& out, std::string const& text) { out << quoted(text); }
inline void show(std::ostream& out, bool value) { out << (value ? "true" : "false"); }
// A business object: its quoted uid, then its type in parentheses when it has one.
inline void show(std::ostream& out, ModelObject const& object) {
    out << quoted(object.getUid());
    if (!object.getType().empty()) out << " (" << object.getType() << ')';
}

template <class Value>
std::string shown(Value const& value) {
    std::ostringstream out;
    show(out, value);
    return out.str();
}

inline void indent(std::ostream& out, int depth) {
    for (int level = 0; level < depth; ++level) out << "  ";
}

// Where the differences found go, each a line "path: a vs b": all of them,
// or the first alone (then nothing is compared after it).
class Differences {
public:
    explicit Differences(bool all) noexcept : m_all(all) {}
    bool all() const noexcept { return m_all; }
    bool enough() const noexcept { return !m_all && !lines.empty(); }

    std::vector<std::string> lines;

private:
    bool m_all;
};

// The comparison of one value at `path`.

template <class Value>
void compare(Differences& out, std::string const& path, Value const& a, Value const& b);
template <class Entry>
void compare(Differences& out, std::string const& path, std::vector<Entry> const& a, std::vector<Entry> const& b);

// Text, flags and business objects differ as they are shown.
template <class Value>
void compareShown(Differences& out, std::string const& path, Value const& a, Value const& b) {
    std::string const left = shown(a);
    std::string const right = shown(b);
    if (left != right) out.lines.push_back(path + ": " + left + " vs " + right);
}
inline void compare(Differences& out, std::string const& path, std::string const& a, std::string const& b) {
    if (a != b) compareShown(out, path, a, b);
}
inline void compare(Differences& out, std::string const& path, bool a, bool b) { compareShown(out, path, a, b); }
inline void compare(Differences& out, std::string const& path, ModelObject const& a, ModelObject const& b) {
    compareShown(out, path, a, b);
}
inline void compare(Differences& out, std::string const& path, ServiceData const& a, ServiceData const& b) {
    compare(out, path + ".partialErrors", a.getPartialErrors(), b.getPartialErrors());
    if (!out.enough()) compare(out, path + ".updatedObjects", a.getUpdatedObjects(), b.getUpdatedObjects());
}
// A structure of the same schema version compares itself.
template <class Value>
void compare(Differences& out, std::string const& path, Value const& a, Value const& b) {
    if (out.all()) {
        for (std::string const& inner : a.differences(b)) out.lines.push_back(path + '.' + inner);
    } else if (std::string const inner = a.difference(b); !inner.empty()) {
        out.lines.push_back(path + '.' + inner);
    }
}
// Entries in order; then the counts, when one list is longer.
template <class Entry>
void compare(Differences& out, std::string const& path, std::vector<Entry> const& a, std::vector<Entry> const& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size() && !out.enough(); ++i)
        compare(out, path + '[' + std::to_string(i) + ']', a[i], b[i]);
    if (a.size() != b.size() && !out.enough())
        out.lines.push_back(path + ": " + std::to_string(a.size()) + " vs " + std::to_string(b.size()) + " entries");
}

// The dump of one member named `name` at `depth`: "name: value" on one line,
// or "name:" followed by the lines of a structure one level deeper.

template <class Value>
void dumpMember(std::ostream& out, int depth, std::string const& name, Value const& value);
template <class Entry>
void dumpMember(std::ostream& out, int depth, std::string const& name, std::vector<Entry> const& list);

template <class Value>
void dumpScalar(std::ostream& out, int depth, std::string const& name, Value const& value) {
    indent(out, depth);
    out << name << ": ";
    show(out, value);
    out << '\n';
}
inline void dumpMember(std::ostream& out, int depth, std::string const& name, std::string const& value) {
    dumpScalar(out, depth, name, value);
}
inline void dumpMember(std::ostream& out, int depth, std::string const& name, bool value) {
    dumpScalar(out, depth, name, value);
}
inline void dumpMember(std::ostream& out, int depth, std::string const& name, ModelObject const& value) {
    dumpScalar(out, depth, name, value);
}
inline void dumpMember(std::ostream& out, int depth, std::string const& name, ServiceData const& value) {
    indent(out, depth);
    out << name << ":\n";
    dumpMember(out, depth + 1, "partialErrors", value.getPartialErrors());
    dumpMember(out, depth + 1, "updatedObjects", value.getUpdatedObjects());
}
template <class Value>
void dumpMember(std::ostream& out, int depth, std::string const& name, Value const& value) {
    indent(out, depth);
    out << name << ":\n";
    value.dump(out, depth + 1);
}
// An empty list shows as "name: none"; each entry as "name[i]".
template <class Entry>
void dumpMember(std::ostream& out, int depth, std::string const& name, std::vector<Entry> const& list) {
    if (list.empty()) {
        indent(out, depth);
        out << name << ": none\n";
    }
    for (std::size_t i = 0; i < list.size(); ++i) dumpMember(out, depth, name + '[' + std::to_string(i) + ']', list[i]);
}

// The members of `a` and `b` compared in table order.
template <class Impl, class Table>
void compareMembers(Differences& out, Impl const& a, Impl const& b, Table const& table) {
    if (&a == &b) return;
    auto const compared = [&](auto const& member) {
        compare(out, member.xmlName, a.*member.field, b.*member.field);
        return out.enough();
    };
    std::apply([&](auto const&... member) { static_cast<void>((compared(member) || ...)); }, table);
}

// The first difference of `a` and `b`, or empty.
template <class Impl, class Table>
std::string difference(Impl const& a, Impl const& b, Table const& table) {
    Differences out(false);
    compareMembers(out, a, b, table);
    return out.lines.empty() ? std::string() : out.lines.front();
}

// Every difference of `a` and `b`, in member order.
template <class Impl, class Table>
std::vector<std::string> differences(Impl const& a, Impl const& b, Table const& table) {
    Differences out(true);
    compareMembers(out, a, b, table);
    return std::move(out.lines);
}

template <class Impl, class Table>
void dumpMembers(Impl const& self, std::ostream& out, int depth, Table const& table) {
    std::apply([&](auto const&... member) { (dumpMember(out, depth, member.xmlName, self.*member.field), ...); },
               table);
}

template <class Impl, class Table>
std::string dump(Impl const& self, char const* className, Table const& table) {
    std::ostringstream out;
    out << className << '\n';
    dumpMembers(self, out, 1, table);
    return out.str();
}

}  // namespace Kestrune::Soa::Common::Xml::Content

// Defines the content functions of the paired class `Public`/`Public##Impl`
// (declared by KXSOA_CONTENT_FUNCTIONS); the public ones forward. The
// implementation class declares its member table as `Members::table`.
#define KXSOA_DEFINE_CONTENT_FUNCTIONS(Public)                                                    \
    std::string Public::difference(Public const& other) const {                                   \
        return getHandleObject().difference(other.getHandleObject());                             \
    }                                                                                             \
    std::string Public::dump() const { return getHandleObject().dump(); }                         \
    void Public::dump(std::ostream& out, int depth) const { getHandleObject().dump(out, depth); } \
    std::vector<std::string> Public::differences(Public const& other) const {                     \
        return getHandleObject().differences(other.getHandleObject());                            \
    }                                                                                             \
    std::string Public##Impl::difference(Public##Impl const& other) const {                       \
        return ::Kestrune::Soa::Common::Xml::Content::difference(*this, other, Members::table);   \
    }                                                                                             \
    std::vector<std::string> Public##Impl::differences(Public##Impl const& other) const {         \
        return ::Kestrune::Soa::Common::Xml::Content::differences(*this, other, Members::table);  \
    }                                                                                             \
    std::string Public##Impl::dump() const {                                                      \
        return ::Kestrune::Soa::Common::Xml::Content::dump(*this, #Public, Members::table);       \
    }                                                                                             \
    void Public##Impl::dump(std::ostream& out, int depth) const {                                 \
        ::Kestrune::Soa::Common::Xml::Content::dumpMembers(*this, out, depth, Members::table);    \
    }
