#pragma once

// Checks written text with expat: a parser that shares no code with the
// library's reader (nor with libxml2, its judge), so that a fault both make
// alike cannot hide itself.

#include <expat.h>
#include <gtest/gtest.h>

#include <string>

namespace kxsoa_test {

// Passes when expat accepts `xml` as a well-formed, namespace-well-formed
// XML 1.0 document; otherwise gives expat's reason, its place and the text.
inline ::testing::AssertionResult wellFormed(std::string const& xml) {
    XML_Parser const parser = XML_ParserCreateNS(nullptr, '\n');
    if (!parser) return ::testing::AssertionFailure() << "expat could not be started";
    bool const accepted = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (!accepted)
        result = ::testing::AssertionFailure()
                 << "expat refused the document: " << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                 << XML_GetCurrentLineNumber(parser) << ", column " << XML_GetCurrentColumnNumber(parser) << "\n"
                 << xml;
    XML_ParserFree(parser);
    return result;
}

}  // namespace kxsoa_test
