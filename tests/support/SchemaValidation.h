#pragma once

// The tests' judge of written messages and of the validating read: libxml2's
// validation against the published schemas (the base, 2007-06 and 2008-06
// namespaces), compiled in (tools/schemas/); nothing is read from files.

#include <cstddef>
#include <string>
#include <string_view>

namespace kxsoa::validation {

// Empty when the root element of `xml` is a valid `typeName` (the public class name, e.g. "ExportToApplicationInput")
// of its own namespace, whatever the root element is called; otherwise one line "line N: <reason>" for the first
// problem.
std::string messageError(std::string_view xml, std::string_view typeName);

// The same for the child element number `index` (from 0) of the root: a
// message written inside a caller's own element, with the namespaces that
// element declares in scope.
std::string childMessageError(std::string_view xml, std::size_t index, std::string_view typeName);

}  // namespace kxsoa::validation
