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

// Comparison of one value at `path`: empty when equal, else the difference.

template <class Value>
std::string valueDifference(std::string const& path, Value const& a, Value const& b);
template <class Entry>
std::string valueDifference(std::string const& path, std::vector<Entry> const& a, std::vector<Entry> const& b);

// Text, flags and business objects differ as they are shown.
template <class Value>
std::string scalarDifference(std::string const& path, Value const& a, Value const& b) {
    std::string const left = shown(a);
    std::string const right = shown(b);
    return left == right ? std::string() : path + ": " + left + " vs " + right;
}
inline std::string valueDifference(std::string const& path, std::string const& a, std::string const& b) {
    return a == b ? std::string() : scalarDifference(path, a, b);
}
inline std::string valueDifference(std::string const& path, bool a, bool b) { return scalarDifference(path, a, b); }
inline std::string valueDifference(std::string const& path, ModelObject const& a, ModelObject const& b) {
    return scalarDifference(path, a, b);
}
inline std::string valueDifference(std::string const& path, ServiceData const& a, ServiceData const& b) {
    std::string found = valueDifference(path + ".partialErrors", a.getPartialErrors(), b.getPartialErrors());
    if (found.empty()) found = valueDifference(path + ".updatedObjects", a.getUpdatedObjects(), b.getUpdatedObjects());
    return found;
}
// A structure of the same schema version compares itself.
template <class Value>
std::string valueDifference(std::string const& path, Value const& a, Value const& b) {
    std::string const inner = a.difference(b);
    return inner.empty() ? inner : path + '.' + inner;
}
// Entries in order; then the counts, when one list is a prefix of the other.
template <class Entry>
std::string valueDifference(std::string const& path, std::vector<Entry> const& a, std::vector<Entry> const& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        std::string found = valueDifference(path + '[' + std::to_string(i) + ']', a[i], b[i]);
        if (!found.empty()) return found;
    }
    if (a.size() == b.size()) return std::string();
    return path + ": " + std::to_string(a.size()) + " vs " + std::to_string(b.size()) + " entries";
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

// The first member, in table order, whose values differ in `a` and `b`.
template <class Impl, class Table>
std::string difference(Impl const& a, Impl const& b, Table const& table) {
    std::string found;
    if (&a == &b) return found;
    auto const differs = [&](auto const& member) {
        found = valueDifference(member.xmlName, a.*member.field, b.*member.field);
        return !found.empty();
    };
    std::apply([&](auto const&... member) { static_cast<void>((differs(member) || ...)); }, table);
    return found;
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
    std::string Public##Impl::difference(Public##Impl const& other) const {                       \
        return ::Kestrune::Soa::Common::Xml::Content::difference(*this, other, Members::table);   \
    }                                                                                             \
    std::string Public##Impl::dump() const {                                                      \
        return ::Kestrune::Soa::Common::Xml::Content::dump(*this, #Public, Members::table);       \
    }                                                                                             \
    void Public##Impl::dump(std::ostream& out, int depth) const {                                 \
        ::Kestrune::Soa::Common::Xml::Content::dumpMembers(*this, out, depth, Members::table);    \
    }
