#pragma once

// What every message type offers beside writing and reading, driven by the
// same member table: comparison by content and a readable dump.

#include <iosfwd>
#include <string>
#include <vector>

// Declares inside a class body:
// - difference(other): empty when `other` holds the same content as this
//   object (every attribute, every list entry in order, nested structures and
//   list entries recursively, business objects by uid and type, service data
//   by its partial errors and updated objects); otherwise one line naming the
//   first member that differs and both values, as in
//   `inputs[1].templateId: "T-1" vs "T-2"`. Objects that share one
//   implementation object have the same content.
// - differences(other): every such line, in member order (a list's entries
//   in order, then its count when the lengths differ); empty when the content
//   is the same. The first is difference(other).
// - sameContent(other): difference(other) is empty.
// - dump(): the class name, then each member on a line of its own, by its XML
//   name, in member order; nested members indented by two spaces a level.
// - dump(out, depth): the member lines alone, indented `depth` levels.
#define KXSOA_CONTENT_FUNCTIONS(Class)                                               \
    std::string difference(Class const& other) const;                                \
    std::vector<std::string> differences(Class const& other) const;                  \
    bool sameContent(Class const& other) const { return difference(other).empty(); } \
    std::string dump() const;                                                        \
    void dump(std::ostream& out, int depth) const;
