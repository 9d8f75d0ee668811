#pragma once

// What the tests of the 2008-06 messages share.

#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"
#include "support/Xmllint.h"

#include "host/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kxsoa_test {

std::string const schemaURI = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
std::string const typePrefix = "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::";
// How an element "e" that the schema namespace alone needs begins at the root.
std::string const rootStart = "<ns1:e xmlns:ns1=\"" + schemaURI + "\"";

// Member values joined into one text: a whole object compares in one check.
inline std::string joined(std::vector<std::string> const& values) {
    std::string text;
    for (std::string const& value : values) text += value + '|';
    return text;
}
template <class T, class Describe>
std::string joined(std::vector<T> const& list, Describe describe) {
    std::string text;
    for (T const& entry : list) text += "[" + describe(entry) + "]";
    return text;
}

// A document whose root element "f:e" is in the schema namespace (prefix f;
// b is the base namespace) and holds `children`.
inline std::string element(std::string const& children, std::string const& attributes = "") {
    return "<f:e xmlns:f='" + schemaURI + "' xmlns:b='" + baseURI + "'" + attributes + ">" + children + "</f:e>";
}

}  // namespace kxsoa_test
