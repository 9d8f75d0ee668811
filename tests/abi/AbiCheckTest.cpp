// scripts/abi's verdict on each change to a small library (fixture/): the
// same ABI, an addition and a change behind the public header pass, every
// change that breaks a linked program fails, each with its verdict line and
// exit status.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Verdict {
    int status;
    std::string report;  // abidiff's, then the verdict line
    std::string lastLine;
};

std::string fileText(std::string const& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int run(std::string const& command) {
    int const raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// scripts/abi describes the baseline shape and `shape`, then compares them
// with Fixture.h as the public header.
Verdict verdict(std::string const& shape) {
    std::string const scratch = testing::TempDir() + "kxsoa_abi_" +
                                std::to_string(std::hash<std::string>()(KXSOA_ABI_FIXTURES)) + '_' + shape;
    std::string const script = KXSOA_SOURCE_DIR "/scripts/abi";
    for (std::string const& described : {std::string("baseline"), shape}) {
        EXPECT_EQ(run(script + " describe " KXSOA_ABI_FIXTURES "/" + described + "/libfixture.so " + scratch + '.' +
                      described + ".abi"),
                  0)
            << described;
    }
    int const status = run(script + " compare " + scratch + ".baseline.abi " + scratch + '.' + shape +
                           ".abi Fixture.h >" + scratch + ".out");
    std::string const report = fileText(scratch + ".out");
    // Nothing of the test stays in the temporary folder.
    for (std::string const& file : {scratch + ".baseline.abi", scratch + '.' + shape + ".abi", scratch + ".out"})
        std::remove(file.c_str());
    // The line after the last line break but one (npos + 1 is 0: a report of one line).
    return {status, report, report.substr(report.rfind('\n', report.size() - 2) + 1)};
}

TEST(AbiCheck, TheSameAbiAnAdditionAndAPrivateChangePass) {
    EXPECT_EQ(verdict("baseline").report, "libfixture.so.1: the ABI of the baseline\n");
    // abidiff reports the change behind the pointer as left out, and passes.
    Verdict const hidden = verdict("changed_private");
    EXPECT_EQ(hidden.status, 0) << hidden.report;
    EXPECT_EQ(hidden.lastLine, "libfixture.so.1: the ABI of the baseline\n") << hidden.report;

    Verdict const added = verdict("added_function");
    EXPECT_EQ(added.status, 0) << added.report;
    EXPECT_EQ(added.lastLine, "libfixture.so.1: compatible with the baseline: additions only\n");
    EXPECT_NE(added.report.find("\n  [A] 'method void fixture::Counter::reset()'    {_ZN7fixture7Counter5resetEv}\n"),
              std::string::npos)
        << added.report;
}

TEST(AbiCheck, ChangesThatBreakALinkedProgramFail) {
    for (char const* shape : {"added_member", "added_virtual", "removed_function"}) {
        Verdict const changed = verdict(shape);
        EXPECT_EQ(changed.status, 1) << shape << '\n' << changed.report;
        EXPECT_EQ(changed.lastLine, "libfixture.so.1: INCOMPATIBLE with the baseline libfixture.so.1\n") << shape;
    }
}

}  // namespace
