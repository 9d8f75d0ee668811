#pragma once

// What every message type declares beside its accessors and its writing
// and reading: comparison by content and a readable dump, driven by its
// member table; and the two views of that table that its implementation
// class gives the binding (xmlElementType() and members()).

#include <iosfwd>
#include <string>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

struct XmlElementType;  ///< how an implementation class's element is read (host/XmlBinder.h)
struct TypeMembers;     ///< an implementation class's members, seen at run time (internal, not installed)

}  // namespace Kestrune::Soa::Common::Xml

/// Declares inside a class body:
/// - difference(other): empty when `other` holds the same content as this
///   object (every attribute, every list entry in order, nested structures and
///   list entries recursively, business objects by uid and type, service data
///   by its partial errors and updated objects); otherwise one line naming the
///   first member that differs and both values, as in
///   `inputs[1].templateId: "T-1" vs "T-2"`. Objects that share one
///   implementation object have the same content.
/// - differences(other): every such line, in member order (a list's entries
///   in order, then its count when the lengths differ); empty when the content
///   is the same. The first is difference(other).
/// - sameContent(other): difference(other) is empty.
/// - dump(): the class name, then each member on a line of its own, by its XML
///   name, in member order; nested members indented by two spaces a level.
/// - dump(out, depth): the member lines alone, indented `depth` levels.
#define KXSOA_CONTENT_FUNCTIONS(Class)                                               \
    std::string difference(Class const& other) const;                                \
    std::vector<std::string> differences(Class const& other) const;                  \
    bool sameContent(Class const& other) const { return difference(other).empty(); } \
    std::string dump() const;                                                        \
    void dump(std::ostream& out, int depth) const;
