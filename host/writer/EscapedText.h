#pragma once

// Checks on text the writer takes as it is: an attribute value the caller
// escaped, and the length of a token as escaped.

#include <cstddef>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Writer {

// A token that a reader with the same limit would refuse is not written:
// `what` ("a text", "an attribute value") names it in the refusal.
[[noreturn]] void refuseTokenLength(std::size_t length, std::size_t maxTokenBytes, char const* what);
inline void checkTokenLength(std::size_t length, std::size_t maxTokenBytes, char const* what) {
    if (length > maxTokenBytes) refuseTokenLength(length, maxTokenBytes, what);
}

// True when `&name;` is a reference that a document without a DTD may hold:
// one of the five entities XML predefines, or a character reference to a
// character XML can carry. Any other leaves the document not well-formed.
bool isReference(std::string_view name);

// An escaped attribute value may hold references but no raw markup.
void checkEscaped(std::string_view name, std::string_view value);

}  // namespace Kestrune::Soa::Common::Xml::Writer
