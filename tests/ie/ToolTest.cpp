// kxsoa-ie run as a user runs it: its output, its error lines and its exit
// status for each outcome.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
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

// A file of this test's own (ctest runs the tests side by side, and the
// builds of other checkouts may run them at the same time), holding `text`.
std::string scratch(std::string const& what, std::string const& text = "") {
    std::string const path = testing::TempDir() + "kxsoa_ie_" + std::to_string(std::hash<std::string>()(KXSOA_IE)) +
                             '_' + testing::UnitTest::GetInstance()->current_test_info()->name() + '_' + what;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Runs the tool with `arguments` (shell words) and `input` on standard
// input; standard output goes to `out` when given (and is not read back).
Outcome tool(std::string const& arguments, std::string const& input = "", std::string const& out = "") {
    std::string const in = scratch("in.xml", input);
    std::string const outFile = out.empty() ? scratch("out") : out;
    std::string const err = scratch("err");
    int const raw = std::system((KXSOA_IE " " + arguments + " <" + in + " >" + outFile + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out.empty() ? fileText(outFile) : "", fileText(err)};
}

std::vector<std::string> lines(std::string const& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::string replaced(std::string const& text, std::string const& from, std::string const& to) {
    return std::regex_replace(text, std::regex(from), to);
}

std::string const uri2007 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
std::string const uri2008 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
std::string const uriBase = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";
std::string const export2008 = "2008-06/ExportToApplicationInput";

}  // namespace

TEST(Tool, EverySampleChecksAsItsTypeAndAsTheTypeItsRootNames) {
    std::vector<std::string> const rows = lines(tool("types").out);
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[13], "2008-06  ConfiguredTemplate              configured template  " + uri2008);
    EXPECT_EQ(rows[2], "2007-06  ImportFromApplicationResponse   response             " + uri2007);
    std::string files;
    for (std::string const& row : rows) {
        std::string const type = row.substr(0, 7) + '/' + row.substr(9, row.find(' ', 9) - 9);
        Outcome const sample = tool("sample " + type);
        ASSERT_EQ(sample.status, 0) << type;
        Outcome const quiet = tool("check " + type + " --quiet", sample.out);
        EXPECT_EQ(quiet.status, 0) << type << ": " << quiet.err;
        EXPECT_EQ(quiet.out + quiet.err, "") << type;
        files += ' ' + scratch(row.substr(9, row.find(' ', 9) - 9) + row.substr(0, 4), sample.out);
    }
    Outcome const all = tool("check -q" + files);
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out + all.err, "");
}

// Every member set: lists of --records entries numbered from 1, business
// objects alternately of type Item and Folder, every flag true.
TEST(Tool, SampleSetsEveryMemberWithNumberedValues) {
    std::string const base = "xmlns:ns2=\"" + uriBase + "\"";
    struct Case {
        std::string arguments, out;
    };
    for (Case const& c : {
             Case{"ExportToApplicationInputData1 -r 2",
                  "<ns1:ExportToApplicationInputData1 xmlns:ns1=\"" + uri2008 + "\" " + base +
                      " applicationFormat=\"xlsx\" templateType=\"excel\" templateId=\"template-1\">"
                      "<ns1:objectsToExport uid=\"uid-1\" type=\"Item\"/><ns1:objectsToExport uid=\"uid-2\" "
                      "type=\"Folder\"/><ns1:attributesToExport>attribute-1</ns1:attributesToExport>"
                      "<ns1:attributesToExport>attribute-2</ns1:attributesToExport><ns1:objectTemplateOverride "
                      "businessObjectType=\"Item\" templateType=\"excel\" templateId=\"override-template-1\"/>"
                      "<ns1:objectTemplateOverride businessObjectType=\"Folder\" templateType=\"excel\" "
                      "templateId=\"override-template-2\"/></ns1:ExportToApplicationInputData1>\n"},
             Case{"GetExportTemplatesInput",
                  "<ns1:GetExportTemplatesInput xmlns:ns1=\"" + uri2008 + "\"><ns1:filter getObjectTemplates=\"true\" "
                      "getSpecTemplates=\"true\" getConfiguredObjectTemplate=\"true\" "
                      "getConfiguredSpecTemplate=\"true\" getExcelTemplates=\"true\"/></ns1:GetExportTemplatesInput>\n"},
             Case{"ImportFromApplicationInputData1",
                  "<ns1:ImportFromApplicationInputData1 xmlns:ns1=\"" + uri2008 +
                      "\" applicationFormat=\"csv\" specificationType=\"Drawing\" createSpecElementType=\"Folder\" "
                      "isLive=\"true\" transientFileWriteTicket=\"write-ticket-1\"/>\n"},
             Case{"2007-06/ExportToApplicationResponse --records=2",
                  "<ns1:ExportToApplicationResponse xmlns:ns1=\"" + uri2007 + "\" " + base +
                      "><ns1:transientFileReadTickets>read-ticket-1</ns1:transientFileReadTickets>"
                      "<ns1:transientFileReadTickets>read-ticket-2</ns1:transientFileReadTickets><ServiceData xmlns=\"" +
                      uri2007 +
                      "\"><ns2:partialErrors message=\"row skipped: bad date-1\"/><ns2:partialErrors "
                      "message=\"row skipped: bad date-2\"/><ns2:updated uid=\"uid-1\" type=\"Item\"/><ns2:updated "
                      "uid=\"uid-2\" type=\"Folder\"/></ServiceData></ns1:ExportToApplicationResponse>\n"},
         }) {
        Outcome const sample = tool("sample " + c.arguments);
        EXPECT_EQ(sample.status, 0) << c.arguments;
        EXPECT_EQ(sample.out + sample.err, c.out);
    }
}

TEST(Tool, CheckEchoesTheMessageAndSummarisesIt) {
    std::string const sample = tool("sample " + export2008 + " --records=1").out;
    std::string const renamed = replaced(sample, "ns1:ExportToApplicationInput", "ns1:exportToApplication");
    // Business objects in the base namespace: the form written before, read but not valid.
    std::string const older = replaced(sample, "ns1:objectsToExport", "ns2:objectsToExport");
    std::string const size = std::to_string(sample.size()) + " bytes, 5 elements";
    struct Case {
        std::string arguments, input, summary;
    };
    for (Case const& c : {
             Case{"check -", sample, "<stdin>: a valid " + export2008 + ", " + size},
             Case{"check " + export2008, renamed,
                  "<stdin>: a valid " + export2008 + ", its root named exportToApplication, " +
                      std::to_string(renamed.size()) + " bytes, 5 elements"},
             Case{"check --no-validate", older, "<stdin>: a " + export2008 + " (not validated), " + size},
         }) {
        Outcome const run = tool(c.arguments, c.input);
        EXPECT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, c.input == older ? sample : c.input);
        std::vector<std::string> const summary = lines(run.err);
        ASSERT_GE(summary.size(), 3u);
        EXPECT_EQ(summary[0], c.summary);
        EXPECT_EQ(summary[1], "ExportToApplicationInput");
        EXPECT_EQ(summary[2], "  inputs[0]:");
    }
}

TEST(Tool, FormatIndentsOnlyWhatTheReaderIgnores) {
    std::string const type = "2008-06/GetExportTemplateResponse";
    // An empty text element among them, whose text a line break would change.
    std::string const sample = replaced(tool("sample " + type + " -r 1").out, "spec-template-1", "");
    std::string const formatted = tool("check --format " + type, sample).out;
    EXPECT_EQ(formatted, "<ns1:GetExportTemplateResponse xmlns:ns1=\"" + uri2008 + "\" xmlns:ns2=\"" + uriBase + "\">\n"
                         "  <ns1:specTemplates></ns1:specTemplates>\n"
                         "  <ns1:objectTemplats>object-template-1</ns1:objectTemplats>\n"
                         "  <ns1:excelTemplates>excel-template-1</ns1:excelTemplates>\n"
                         "  <ns1:configuredSpecTemplates businessObjectType=\"Item\" templateName=\"configured-1\" "
                         "templateType=\"excel\"/>\n"
                         "  <ns1:configuredObjectTemplates businessObjectType=\"Folder\" templateName=\"configured-2\" "
                         "templateType=\"excel\"/>\n"
                         "  <ServiceData xmlns=\"" + uri2008 + "\">\n"
                         "    <ns2:partialErrors message=\"row skipped: bad date-1\"/>\n"
                         "    <ns2:updated uid=\"uid-1\" type=\"Item\"/>\n"
                         "  </ServiceData>\n"
                         "</ns1:GetExportTemplateResponse>\n");
    std::string const file = scratch("formatted.xml", formatted);
    EXPECT_EQ(tool("check -q " + file).status, 0);
    Outcome const same = tool("diff " + type + " - " + file, sample);
    EXPECT_EQ(same.status, 0) << same.out << same.err;
}

TEST(Tool, FlagsReadAndValidateInEveryBooleanForm) {
    std::string const type = "2008-06/GetExportTemplatesInput";
    std::string const sample = scratch("sample.xml", tool("sample " + type).out);
    for (char const* form : {"1", " true ", "0"}) {
        std::string const changed =
            replaced(fileText(sample), "getSpecTemplates=\"true\"", std::string("getSpecTemplates=\"") + form + '"');
        EXPECT_EQ(tool("check -q " + type, changed).err, "") << form;
        Outcome const diff = tool("diff " + sample + " -", changed);
        EXPECT_EQ(diff.status, form[0] == '0' ? 1 : 0) << form;
        EXPECT_EQ(diff.out, form[0] == '0' ? sample + " <stdin>: filter.getSpecTemplates: true vs false\n" : "");
    }
}

TEST(Tool, EveryFailureIsOneLineWithItsStatus) {
    std::string const sample = tool("sample " + export2008 + " --records=1").out;
    std::string const renamed = replaced(sample, "ns1:ExportToApplicationInput", "ns1:r");
    std::string const older = replaced(sample, "ns1:objectsToExport", "ns2:objectsToExport");
    std::string const big = tool("sample " + export2008 + " --records=20").out;  // past the tree's free 64 KiB
    std::string const response = scratch("response.xml", tool("sample 2008-06/GetExportTemplateResponse").out);
    std::string const request2007 = tool("sample 2007-06/ImportFromApplicationInput").out;
    std::string const directory = testing::TempDir();
    struct Case {
        std::string arguments, input;
        int status;
        std::string error;
        std::string out = "";
    };
    for (Case const& c : {
             Case{"check 2008-06/GetExportTemplateResponse", renamed, 1,
                  "<stdin>: line 1: Element '{" + uri2008 + "}inputs': This element is not expected"},
             Case{"check 2008-06/ImportFromApplicationInput", "<x:ExportToApplicationInput xmlns:x='" + uri2008 + "'/>",
                  1,
                  "<stdin>: line 1: the root element \"ExportToApplicationInput\" names " + export2008 +
                      ", not 2008-06/ImportFromApplicationInput\n"},
             Case{"check 2008-06/ImportFromApplicationInput", request2007, 1,
                  "<stdin>: line 1: the root element \"ImportFromApplicationInput\" is in namespace \"" + uri2007 +
                      "\", not in \"" + uri2008 + "\" of 2008-06/ImportFromApplicationInput\n"},
             Case{"check", renamed, 1,
                  "<stdin>: line 1: the root element \"r\" names no 2008-06 type: give TYPE, it is valid as " +
                      export2008 + "\n"},
             Case{"check", "<r/>", 1,
                  "<stdin>: line 1: the root element \"r\" is in no namespace, not in that of a message version: "
                  "2007-06 \"" +
                      uri2007 + "\" or 2008-06 \"" + uri2008 + "\"\n"},
             Case{"check", older, 1,
                  "(not a valid " + export2008 + "; the library reads it: --no-validate skips the schemas)\n"},
             Case{"check " + export2008, sample.substr(0, sample.size() / 2) + "\n\n", 2,
                  "<stdin>: XML parse error at line 3, column 1: "},
             Case{"check --max-bytes=10", sample, 2, "XmlReadLimits::maxBytes (10 "},
             Case{"check --max-depth=2", sample, 2, "XmlReadLimits::maxDepth (2 "},
             Case{"check --max-attributes=2", sample, 2, "XmlReadLimits::maxAttributes (2)\n"},
             Case{"check --max-names=3", sample, 2, "XmlReadLimits::maxNames (3)\n"},
             Case{"check --max-token-bytes=3", sample, 2, "XmlReadLimits::maxTokenBytes (3 "},
             Case{"check --max-tree-bytes-per-byte=1", big, 2, "XmlReadLimits::maxTreeBytesPerByte allows (1 "},
             Case{"check -q " + export2008 + " - /no/such/file", sample, 66,
                  "kxsoa-ie: /no/such/file: cannot be read: No such file or directory\n"},
             Case{"check " + directory, "", 66, directory + ": cannot be read: Is a directory\n"},
             Case{"diff " + export2008 + " - " + response, sample, 65,
                  response + ": line 1: the root element \"GetExportTemplateResponse\" names 2008-06/"},
             Case{"check - " + export2008, sample, 74, "cannot write standard output: No space left on device\n",
                  "/dev/full"},
             Case{"sample " + export2008, "", 74, "cannot write standard output: No space left on device\n",
                  "/dev/full"},
         }) {
        Outcome const run = tool(c.arguments, c.input, c.out);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_EQ(lines(run.err).size(), 1u) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.err.rfind("kxsoa-ie: ", 0), 0u) << c.arguments;
    }
}

TEST(Tool, UsageErrorsExitWith64AndHelpShowsEveryStatus) {
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
             Case{"sample TemplateOverride --records=1001", "--records takes a number from 0 to 1000, not \"1001\""},
             Case{"sample TemplateOverride --records", "option --records needs a value"},
             Case{"sample TemplateOverride extra", "unexpected argument \"extra\" to sample"},
             Case{"types --verbose", "unknown option --verbose"},
             Case{"types -q", "types takes no option -q (it is for check)"},
             Case{"sample TemplateOverride --max-depth=3", "sample takes no option --max-depth (it is for check, diff)"},
             Case{"check --quiet=yes", "option --quiet takes no value"},
             Case{"check --max-depth=x", "--max-depth takes a whole number, not \"x\""},
             Case{"check --max-bytes=18446744073709551616",
                  "--max-bytes takes a whole number, not \"18446744073709551616\""},
             Case{"check Nothing", "\"Nothing\" is neither a type (kxsoa-ie types lists the fifteen) nor a file"},
             Case{"diff a", "diff needs [TYPE] A B"},
             Case{"schema 1999-01", "no schema of version \"1999-01\": there are 2006-03 2007-06 2008-06"},
         }) {
        Outcome const run = tool(c.arguments);
        EXPECT_EQ(run.status, 64) << c.arguments;
        EXPECT_EQ(run.err, "kxsoa-ie: " + std::string(c.error) + " (kxsoa-ie --help shows the usage)\n");
    }
    for (char const* fine : {"sample TemplateOverride -r 1000", "sample TemplateOverride --records 0",
                             "check --max-bytes=18446744073709551615 -- -", "help diff", "-V"})
        EXPECT_EQ(tool(fine, tool("sample TemplateOverride").out).status, 0) << fine;
    std::string const help = tool("--help").out;
    // Every status, and options laid out in two columns, wrapped under the second.
    for (char const* row :
         {"\n  0   success", "\n  1   check", "\n  2   not acceptable XML", "\n  64  usage", "\n  65  diff",
          "\n  66  an input that cannot", "\n  74  output",
          "\n      --max-bytes=N       check, diff: XmlReadLimits::maxBytes\n                          (default ",
          "\n  -V, --version           the tool's and the library's version\n                          and the schema "
          "versions\n      --                  ends the options: every word after it\n                          is an "
          "argument\n"})
        EXPECT_NE(help.find(row), std::string::npos) << row;
    std::string const check = tool("check --help").out;
    EXPECT_EQ(check.rfind("usage: kxsoa-ie check [TYPE] [FILE...] [OPTION...]\n", 0), 0u);
    EXPECT_NE(check.find("--max-token-bytes=N"), std::string::npos);
    EXPECT_EQ(check.find("--records"), std::string::npos);
    EXPECT_NE(tool("--version").out.find("schema versions: 2006-03 2007-06 2008-06"), std::string::npos);
    EXPECT_NE(tool("schema 2008-06").out.find("targetNamespace=\"" + uri2008 + "\""), std::string::npos);
}

TEST(Tool, DemoRoundTripsAndValidatesEveryTypeAndStatsCountAllocations) {
    Outcome const demo = tool("demo");
    EXPECT_EQ(demo.status, 0) << demo.err;
    std::vector<std::string> const rows = lines(demo.out);
    ASSERT_EQ(rows.size(), 16u) << demo.out;
    EXPECT_EQ(rows[2].substr(0, 42), "2007-06  ImportFromApplicationInput       ");
    EXPECT_EQ(rows[0], "version  type                               bytes  elements  round trip  valid");
    for (std::size_t i = 1; i < rows.size(); ++i)  // in the header's columns
        EXPECT_EQ(rows[i].substr(rows[0].size() - 17), "ok          yes") << rows[i];
    // --stats after the summary: each type's allocations, each probe's calls and milliseconds (which vary:
    // a range), the whole of each line.
    std::string const type = "2008-06/GetExportTemplatesInput";
    std::string const message = "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::";
    Outcome const stats = tool("check --quiet --stats " + type, tool("sample " + type).out);
    EXPECT_EQ(stats.status, 0);
    std::vector<std::string> report = lines(stats.err);
    ASSERT_EQ(report.size(), 6u) << stats.err;
    for (std::size_t probe : {4, 5}) {
        std::string& row = report[probe];
        std::smatch time;
        ASSERT_TRUE(std::regex_search(row, time, std::regex("^ {9}1 +([0-9]+\\.[0-9]{3})  "))) << row;
        EXPECT_EQ(time.length(0), 24) << row;  // right-aligned in 12 columns
        EXPECT_LT(std::stod(time[1]), 1000.0) << row;
        row.replace(0, time.length(0), "calls, ms  ");
    }
    EXPECT_EQ(report, (std::vector<std::string>{"allocations by type name:",
                                               "         1  " + message + "ExportTemplateInputImpl",
                                               "         1  " + message + "GetExportTemplatesInputImpl",
                                               "timing probes (calls, total milliseconds):",
                                               "calls, ms  " + message + "GetExportTemplatesInput::outputXML",
                                               "calls, ms  " + message + "GetExportTemplatesInput::parse"}));
}
