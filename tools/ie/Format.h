#pragma once

// The echo of check --format: a message as the library writes it, indented.

#include <string>
#include <string_view>

namespace kxsoa_ie {

// `xml`, text that the library wrote (elements, attributes and text; no
// declaration, comment or white space between elements), with every tag of
// an element that holds elements on a line of its own, indented by two
// spaces a level. Text stays as it is, so what the reader gives the
// message's members is unchanged: the white space added becomes text of
// elements that hold elements, which no member reads.
std::string indented(std::string_view xml);

}  // namespace kxsoa_ie
