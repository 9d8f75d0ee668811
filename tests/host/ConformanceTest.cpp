// The reader against libxml2, its judge (support/Judge.h), on two bodies of
// text. The differential fuzz target's corpus, replayed, so that the suite
// fails where the two come to part. And the W3C/OASIS XML conformance
// suite: every case of XML 1.0 (fifth edition) and Namespaces in XML 1.0
// that needs no DTD, read by the library and by libxml2, each verdict held
// against the other and against the suite's; any difference fails the
// test (on every case compared, the three agree). The suite is read from
// KXSOA_XMLCONF_DIR (its xmlconf.xml, which scripts/deps fetches); without
// it that test fails.

#include "support/Judge.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>
#include <libxml/uri.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string attribute(xmlNodePtr node, char const* name) {
    xmlChar* const value = xmlGetProp(node, reinterpret_cast<xmlChar const*>(name));
    std::string out = value != nullptr ? reinterpret_cast<char const*>(value) : "";
    xmlFree(value);
    return out;
}

// The file of a case. The index places the cases of eduni/misc/ under
// eduni/namespaces/misc/, where they are not.
std::string pathOf(xmlNodePtr test, std::string const& uri) {
    xmlChar* const base = xmlNodeGetBase(test->doc, test);
    xmlChar* const full = xmlBuildURI(reinterpret_cast<xmlChar const*>(uri.c_str()), base);
    std::string out = full != nullptr ? reinterpret_cast<char const*>(full) : uri;
    xmlFree(base);
    xmlFree(full);
    std::string const misplaced = "/eduni/namespaces/misc/";
    std::size_t const at = out.find(misplaced);
    return at == std::string::npos ? out : out.replace(at, misplaced.size(), "/eduni/misc/");
}

std::string contentsOf(std::filesystem::path const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

char const* verdict(bool refused) { return refused ? "refuses" : "reads"; }

TEST(JudgeTest, TheDifferentialCorpusReadsAsLibxml2ReadsItFromMemoryAndInPiecesOfEverySize) {
    Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    std::size_t files = 0;
    for (auto const& entry : std::filesystem::directory_iterator(KXSOA_DIFFERENTIAL_CORPUS)) {
        std::string const text = contentsOf(entry.path());
        std::vector<std::size_t> pieces;
        for (std::size_t piece = 1; piece <= text.size(); ++piece) pieces.push_back(piece);
        EXPECT_EQ(kxsoa_test::fuzzDisagreement(reader, text, pieces), "") << entry.path();
        ++files;
    }
    EXPECT_GE(files, 70u);
}

// Each departure of libxml2 from XML 1.0 that the judge corrects is real,
// and its seed shows it: libxml2 and the judge part on it, the judge and
// the library agree.
TEST(JudgeTest, TheSeedOfEachDepartureThatTheJudgeCorrectsShowsIt) {
    Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    for (kxsoa_test::Departure const& departure : kxsoa_test::departures) {
        std::string const text = contentsOf(std::filesystem::path(KXSOA_DIFFERENTIAL_CORPUS) / departure.seed);
        kxsoa_test::Reading const judged = kxsoa_test::readWithLibxml2(text, false);
        kxsoa_test::Reading const library = kxsoa_test::readWithLibrary(reader, text);
        EXPECT_NE(kxsoa_test::readWithLibxml2(text, false, false).refused, judged.refused) << departure.seed;
        EXPECT_EQ(library.refused, judged.refused) << departure.seed;
        EXPECT_EQ(library.events, judged.events) << departure.seed;
    }
}

TEST(ConformanceTest, EveryCaseWithoutADtdReadsAsLibxml2AndTheSuiteSay) {
    std::string const index = std::string(KXSOA_XMLCONF_DIR) + "/xmlconf.xml";
    ASSERT_TRUE(std::filesystem::exists(index)) << "no conformance suite at " << index << ": run scripts/deps";
    xmlDocPtr const suite = xmlReadFile(index.c_str(), nullptr, XML_PARSE_NOENT | XML_PARSE_DTDLOAD | XML_PARSE_NONET);
    ASSERT_NE(suite, nullptr);
    Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    std::map<std::string, std::size_t> counts;
    for (xmlNodePtr node = xmlDocGetRootElement(suite); node != nullptr;) {
        if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, reinterpret_cast<xmlChar const*>("TEST"))) {
            std::string const id = attribute(node, "ID"), type = attribute(node, "TYPE");
            std::string const recommendation = attribute(node, "RECOMMENDATION"), edition = attribute(node, "EDITION");
            ++counts["cases"];
            if (recommendation == "XML1.1" || recommendation == "NS1.1" || attribute(node, "VERSION") == "1.1") {
                ++counts["XML 1.1 or Namespaces 1.1"];
            } else if (!edition.empty() && edition.find('5') == std::string::npos) {
                ++counts["not of the fifth edition"];
            } else if (attribute(node, "NAMESPACE") == "no") {
                ++counts["not for a namespace-aware reader"];
            } else if (!std::filesystem::exists(pathOf(node, attribute(node, "URI")))) {
                ++counts["whose file is not where the index says"];
            } else {
                std::string const text = contentsOf(pathOf(node, attribute(node, "URI")));
                kxsoa_test::Reading const library = kxsoa_test::readWithLibrary(reader, text);
                if (library.refusal.find("(DOCTYPE) is not accepted") != std::string::npos) {
                    ++counts["with a DOCTYPE, refused by design"];
                } else if (library.refusal.find("is not accepted: send UTF-8") != std::string::npos) {
                    ++counts["in an encoding refused by design"];
                } else {
                    ++counts["compared"];
                    bool const judge = kxsoa_test::readWithLibxml2(text, false).refused;
                    std::string const expected = type == "not-wf" ? "refuses" : type == "error" ? "either" : "reads";
                    bool const agrees = library.refused == judge;
                    bool const conforms = expected == "either" || expected == verdict(library.refused);
                    if (!agrees || !conforms) {
                        ++counts["differing"];
                        ADD_FAILURE() << id << ": library " << verdict(library.refused) << ", libxml2 "
                                      << verdict(judge) << ", suite " << expected;
                    }
                }
            }
        }
        // Depth first, in document order.
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) node = node->parent;
        if (node != nullptr) node = node->next;
    }
    xmlFreeDoc(suite);
    for (auto const& [what, count] : counts) std::cout << "  " << what << ": " << count << '\n';
    EXPECT_GT(counts["compared"], 300u);
    EXPECT_EQ(counts["whose file is not where the index says"], 0u);
}

}  // namespace
