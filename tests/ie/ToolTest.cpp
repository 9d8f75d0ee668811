// kxsoa-ie run as a user runs it: its output, its error lines and its exit
// status for each outcome.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string fileText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A place of this test's own: ctest runs the tests side by side, and the
// builds of other checkouts may run them at the same time.
std::string scratch(char const* what) {
    return testing::TempDir() + "kxsoa_ie_" + std::to_string(std::hash<std::string>()(KXSOA_IE)) + '_' +
           testing::UnitTest::GetInstance()->current_test_info()->name() + '_' + what;
}

// Runs the tool with `arguments` (shell words) and `input` on standard input.
Outcome tool(std::string const& arguments, std::string const& input = "") {
    std::string const in = scratch("in.xml");
    std::ofstream(in, std::ios::binary) << input;
    std::string const out = scratch("out");
    std::string const err = scratch("err");
    int const raw = std::system((KXSOA_IE " " + arguments + " <" + in + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileText(out), fileText(err)};
}

std::vector<std::string> lines(std::string const& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
std::string const uri2008 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";

}  // namespace

TEST(Tool, TypesAreListedAndEverySampleChecksAsItsType) {
    std::vector<std::string> const rows = lines(tool("types").out);
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[13], "2008-06  ConfiguredTemplate              configured template  " + uri2008);
    EXPECT_EQ(rows[2], "2007-06  ImportFromApplicationResponse   response             " + uri2007);
    for (std::string const& row : rows) {
        std::string const type = row.substr(0, 7) + '/' + row.substr(9, row.find(' ', 9) - 9);
        Outcome const sample = tool("sample " + type);
        ASSERT_EQ(sample.status, 0) << type;
        Outcome const quiet = tool("check " + type + " --quiet", sample.out);
        EXPECT_EQ(quiet.status, 0) << type << ": " << quiet.err;
        EXPECT_EQ(quiet.out + quiet.err, "") << type;
    }
}

TEST(Tool, CheckWritesTheMessageBackAndSummarisesIt) {
    std::string const sample = tool("sample 2008-06/ExportToApplicationInput --records 1").out;
    Outcome const run = tool("check 2008-06/ExportToApplicationInput -", sample);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, sample);
    std::vector<std::string> const summary = lines(run.err);
    ASSERT_GE(summary.size(), 3u);
    EXPECT_EQ(summary[0], "<stdin>: a valid 2008-06/ExportToApplicationInput, " + std::to_string(sample.size()) +
                              " bytes, 5 elements");
    EXPECT_EQ(summary[1], "ExportToApplicationInput");
    EXPECT_EQ(summary[2], "  inputs[0]:");
}

TEST(Tool, DemoPrintsARowPerTypeAndSucceeds) {
    Outcome const run = tool("demo --stats");
    EXPECT_EQ(run.status, 0) << run.out;
    std::vector<std::string> const rows = lines(run.out);
    ASSERT_EQ(rows.size(), 16u) << run.out;
    EXPECT_EQ(rows[0].substr(0, 13), "version  type");
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].substr(rows[i].size() - 15), "ok          yes");
    EXPECT_NE(run.err.find("GetExportTemplateResponse::outputXML"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("  Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::TemplateOverrideImpl"),
              std::string::npos);
}

TEST(Tool, AMessageOfAnotherTypeIsNotValid) {
    std::string const request = tool("sample 2008-06/ExportToApplicationInput").out;
    Outcome const run = tool("check 2008-06/GetExportTemplateResponse", request);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(
        run.err.rfind("kxsoa-ie: <stdin>: line 1: Element '{" + uri2008 + "}inputs': This element is not expected", 0),
        0u)
        << run.err;
}

TEST(Tool, AMessageOfTheOtherVersionNamesBothNamespaces) {
    std::string const request = tool("sample 2007-06/ImportFromApplicationInput").out;
    Outcome const run = tool("check 2008-06/ImportFromApplicationInput", request);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kxsoa-ie: <stdin>: line 1: the root element ImportFromApplicationInput is in namespace " +
                           uri2007 + ", not in " + uri2008 + " of 2008-06/ImportFromApplicationInput\n");
}

TEST(Tool, TruncatedXmlIsRefusedWithLineAndColumn) {
    std::string const sample = tool("sample 2007-06/ExportToApplicationResponse").out;
    std::string const file = scratch("truncated.xml");
    std::ofstream(file, std::ios::binary) << sample.substr(0, sample.size() / 2) << "\n\n";
    Outcome const run = tool("check 2007-06/ExportToApplicationResponse " + file);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("kxsoa-ie: " + file + ": XML parse error at line 3, column 1: ", 0), 0u) << run.err;
    EXPECT_EQ(lines(run.err).size(), 1u);
    EXPECT_EQ(tool("check 2007-06/ExportToApplicationResponse --quiet " + file).err, "");
}

TEST(Tool, UsageErrorsExitWith64AndHelpListsEveryStatus) {
    struct Case {
        char const* arguments;
        char const* error;
    };
    for (Case const& c : {
             Case{"", "no command given"},
             Case{"convert", "unknown command \"convert\""},
             Case{"sample Nothing", "unknown type \"Nothing\" (kxsoa-ie types lists the fifteen)"},
             Case{"sample ExportToApplicationInput",
                  "type \"ExportToApplicationInput\" is in both versions: say 2007-06/ExportToApplicationInput or "
                  "2008-06/ExportToApplicationInput"},
             Case{"sample TemplateOverride --records 1001", "--records takes a number from 0 to 1000, not \"1001\""},
             Case{"check TemplateOverride a b", "unexpected argument \"b\" to check"},
             Case{"types --verbose", "unknown option --verbose"},
         }) {
        Outcome const run = tool(c.arguments);
        EXPECT_EQ(run.status, 64) << c.arguments;
        EXPECT_EQ(run.err, "kxsoa-ie: " + std::string(c.error) + " (kxsoa-ie --help shows the usage)\n");
    }
    Outcome const missing = tool("check TemplateOverride /no/such/file");
    EXPECT_EQ(missing.status, 64);
    EXPECT_EQ(missing.err, "kxsoa-ie: cannot read /no/such/file: No such file or directory\n");
    EXPECT_EQ(tool("sample TemplateOverride --records 0").status, 0);  // a bare name that one version has
    std::string const help = tool("--help").out;
    for (char const* line :
         {"\n  0   success\n", "\n  1   XML, but not a valid message", "\n  2   not acceptable XML", "\n  64  usage"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
}
