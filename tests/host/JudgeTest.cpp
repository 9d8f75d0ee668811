// The library's reader against libxml2, its judge (support/Judge.h): the
// differential fuzz target's corpus replayed, so that the suite fails where
// the two come to part.

#include "support/Judge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string contentsOf(std::filesystem::path const& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(JudgeTest, TheDifferentialCorpusReadsAsLibxml2ReadsItFromMemoryAndInPiecesOfEverySize) {
    Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    std::size_t files = 0;
    for (auto const& entry : std::filesystem::directory_iterator(KXSOA_DIFFERENTIAL_CORPUS)) {
        std::string const text = contentsOf(entry.path());
        std::vector<std::size_t> pieces;
        for (std::size_t piece = 1; piece <= text.size(); ++piece) pieces.push_back(piece);
        EXPECT_EQ(kxsoa_test::disagreement(reader, text, pieces), "") << entry.path();
        ++files;
    }
    EXPECT_GE(files, 70u);
}

}  // namespace
