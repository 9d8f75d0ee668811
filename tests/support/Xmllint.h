#pragma once

// Checks a document with xmllint, a conformant parser that is not ours.

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace kxsoa_test {

// Passes when `xmllint --noout --nonet` accepts `xml` as a well-formed,
// namespace-well-formed document. xmllint reports namespace errors without
// failing, so any diagnostic at all counts as a refusal.
inline ::testing::AssertionResult xmllintAccepts(std::string const& xml) {
    char path[] = "/tmp/kxsoa-xmllint-XXXXXX";
    int const fd = ::mkstemp(path);
    if (fd < 0) return ::testing::AssertionFailure() << "cannot create a temporary file";
    ::close(fd);
    {
        std::ofstream out(path, std::ios::binary);
        out << xml;
    }
    std::string const command = std::string(KXSOA_XMLLINT) + " --noout --nonet " + path + " 2>&1";
    std::string diagnostics;
    int status = -1;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) diagnostics += buffer;
        status = ::pclose(pipe);
    }
    std::remove(path);
    if (status == 0 && diagnostics.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "xmllint refused the document:\n" << diagnostics << "\n" << xml;
}

}  // namespace kxsoa_test
