// kxsoa-ie run as a user runs it: its output, its error lines and its exit
// status for each outcome.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string fileText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The scratch files made by the tests of this process, removed when it ends.
struct ScratchFiles {
    std::set<std::string> paths;
    ~ScratchFiles() {
        for (std::string const& path : paths) std::remove(path.c_str());
    }
} scratchFiles;

// A file of this test's own (ctest runs the tests side by side, and the
// builds of other checkouts may run them at the same time), holding `text`.
std::string scratch(std::string const& what, std::string const& text = "") {
    std::string const path = testing::TempDir() + "kxsoa_ie_" + std::to_string(std::hash<std::string>()(KXSOA_IE)) +
                             '_' + testing::UnitTest::GetInstance()->current_test_info()->name() + '_' + what;
    scratchFiles.paths.insert(path);
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

// One run of the tool and the whole of what it gives: its exit status, the
// one line on standard error (after "kxsoa-ie: "; none when empty) and
// standard output (unless it goes to `outFile`).
struct Case {
    std::string arguments, input;
    int status;
    std::string error, out = "", outFile = "";
};

void expect(Case const& c) {
    Outcome const run = tool(c.arguments, c.input, c.outFile);
    EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.arguments;
    EXPECT_EQ(run.err, c.error.empty() ? "" : "kxsoa-ie: " + c.error + '\n') << c.arguments;
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
std::string const baseURI = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";
std::string const export2008 = "2008-06/ExportToApplicationInput";

}  // namespace

TEST(Tool, CheckEchoesTheMessageAndSummarisesIt) {
    std::string const sample = tool("sample " + export2008 + " --records=1").out;
    std::string const renamed = replaced(sample, "ns1:ExportToApplicationInput", "ns1:exportToApplication");
    // Business objects in the base namespace: the form written before, read but not valid.
    std::string const older = replaced(sample, "ns1:objectsToExport", "ns2:objectsToExport");
    std::string const size = std::to_string(sample.size()) + " bytes, 5 elements";
    struct Echo {
        std::string arguments, input, summary;
    };
    for (Echo const& c : {
             Echo{"check -", sample, "<stdin>: a valid " + export2008 + ", " + size},
             Echo{"check " + export2008, renamed,
                  "<stdin>: a valid " + export2008 + ", its root named exportToApplication, " +
                      std::to_string(renamed.size()) + " bytes, 5 elements"},
             Echo{"check --no-validate", older, "<stdin>: a " + export2008 + " (not validated), " + size},
         }) {
        Outcome const run = tool(c.arguments, c.input);
        EXPECT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, c.input == older ? sample : c.input);
        // The summary line, then the dump (whose lines the binding's tests check).
        EXPECT_EQ(run.err.substr(0, run.err.find("    applicationFormat")),
                  c.summary + "\nExportToApplicationInput\n  inputs[0]:\n");
    }
}

TEST(Tool, FormatIndentsOnlyWhatTheReaderIgnores) {
    std::string const type = "2008-06/GetExportTemplateResponse";
    // An empty text element among them, whose text a line break would change.
    std::string const sample = replaced(tool("sample " + type + " -r 1").out, "spec-template-1", "");
    std::string const formatted = tool("check --format " + type, sample).out;
    EXPECT_EQ(formatted, "<ns1:GetExportTemplateResponse xmlns:ns1=\"" + uri2008 + "\" xmlns:ns2=\"" + baseURI + "\">\n"
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
    expect({"check -q " + file, "", 0, ""});
    expect({"diff " + type + " - " + file, sample, 0, ""});
}

// diff prints the first difference, or with --all every one; flags read and
// validate in every boolean form.
TEST(Tool, DiffPrintsEveryDifferenceAndFlagsReadInEveryBooleanForm) {
    std::string const sample = tool("sample 2008-06/ExportToApplicationInput -r 2").out;
    std::string const a = scratch("a.xml", sample);
    std::string const changed = replaced(replaced(sample, "\"template-2\"", "\"template-3\""), "uid-1", "uid-9");
    std::string const first = a + " <stdin>: inputs[0].objectsToExport[0]: \"uid-1\" (Item) vs \"uid-9\" (Item)\n";
    expect({"diff --all " + a + " -", changed, 1, "",
            first + a + " <stdin>: inputs[1].templateId: \"template-2\" vs \"template-3\"\n" + a +
                " <stdin>: inputs[1].objectsToExport[0]: \"uid-1\" (Item) vs \"uid-9\" (Item)\n"});
    expect({"diff " + a + " -", changed, 1, "", first});
    expect({"diff -a " + a + " " + a, "", 0, ""});
    std::string const type = "2008-06/GetExportTemplatesInput";
    std::string const query = scratch("query.xml", tool("sample " + type).out);
    for (char const* form : {"1", " true ", "0"}) {
        SCOPED_TRACE(form);
        std::string const flag =
            replaced(fileText(query), "getSpecTemplates=\"true\"", std::string("getSpecTemplates=\"") + form + '"');
        expect({"check -q " + type, flag, 0, ""});
        bool const differs = form[0] == '0';
        expect({"diff " + query + " -", flag, differs, "",
                differs ? query + " <stdin>: filter.getSpecTemplates: true vs false\n" : ""});
    }
}

TEST(Tool, EveryFailureIsOneLineWithItsStatus) {
    std::string const sample = tool("sample " + export2008 + " --records=1").out;
    std::string const renamed = replaced(sample, "ns1:ExportToApplicationInput", "ns1:r");
    std::string const older = replaced(sample, "ns1:objectsToExport", "ns2:objectsToExport");
    std::string const big = tool("sample " + export2008 + " --records=20").out;  // past the tree's free 64 KiB
    std::string const response = scratch("response.xml", tool("sample 2008-06/GetExportTemplateResponse").out);
    std::string const request2007 = tool("sample 2007-06/ImportFromApplicationInput").out;
    std::string const newer2008 = tool("sample 2008-06/ExportToApplicationInput -r 2").out;
    std::string const older2007 = tool("sample 2007-06/ExportToApplicationInput -r 2").out;
    std::string const record2008 = tool("sample 2008-06/ImportFromApplicationInputData1").out;
    std::string const otherRoot = "<x:ExportToApplicationInput xmlns:x='" + uri2008 + "'/>";
    // The column of the character at `at` (counted from 0) on line 1.
    auto const column = [](std::size_t at) { return "column " + std::to_string(at + 1); };
    auto const notExpected = [](std::string const& element, std::vector<std::string> const& expected) {
        std::string line = "line 1: Element '{" + element + "': This element is not expected. Expected is one of (";
        for (std::string const& name : expected)
            line += " {" + uri2008 + '}' + name + (&name == &expected.back() ? "" : ",");
        return line + " ). ";
    };
    std::string const refused = "<stdin>: XML document refused at line 1, ";
    std::string const noFile = "/no/such/file: cannot be read: No such file or directory";
    std::string const noSpace = "cannot write standard output: No space left on device";
    for (Case const& c : {
             Case{"check 2008-06/GetExportTemplateResponse", renamed, 1,
                  "<stdin>: " +
                      notExpected(uri2008 + "}inputs",
                                  {"specTemplates", "objectTemplats", "excelTemplates", "configuredSpecTemplates",
                                   "configuredObjectTemplates", "ServiceData"}) +
                      "(not a valid 2008-06/GetExportTemplateResponse)"},
             Case{"check 2008-06/ImportFromApplicationInput", otherRoot, 1,
                  "<stdin>: the root element \"ExportToApplicationInput\" names " + export2008 +
                      ", not 2008-06/ImportFromApplicationInput (line 1, " + column(otherRoot.find("/>")) +
                      ", at /ExportToApplicationInput)"},
             Case{"check 2008-06/ImportFromApplicationInput", request2007, 1,
                  "<stdin>: the root element \"ImportFromApplicationInput\" is in namespace \"" + uri2007 +
                      "\", not in \"" + uri2008 + "\" of 2008-06/ImportFromApplicationInput (line 1, " +
                      column(request2007.find('>')) + ", at /ImportFromApplicationInput)"},
             Case{"check", renamed, 1,
                  "<stdin>: the root element \"r\" in namespace \"" + uri2008 +
                      "\" names no 2008-06 message type: ImportFromApplicationInputData1, ImportFromApplicationInput, "
                      "TemplateOverride, ExportToApplicationInputData1, ExportToApplicationInput, ExportTemplateInput, "
                      "GetExportTemplatesInput, ConfiguredTemplate or GetExportTemplateResponse (line 1, " +
                      column(renamed.find('>')) + ", at /r); give TYPE: it is valid as " + export2008},
             Case{"check", "<r/>", 1,
                  "<stdin>: the root element \"r\" is in no namespace, which is no message version's: 2007-06 \"" +
                      uri2007 + "\" or 2008-06 \"" + uri2008 + "\" (line 1, column 3, at /r)"},
             Case{"check", older, 1,
                  "<stdin>: " +
                      notExpected(baseURI + "}objectsToExport",
                                  {"objectsToExport", "attributesToExport", "objectTemplateOverride"}) +
                      "(not a valid " + export2008 + "; the library reads it: --no-validate skips the schemas)"},
             Case{"check --no-validate", replaced(sample, "</ns1:inputs>", "<ns1:x/></ns1:inputs>"), 1,
                  "<stdin>: Unexpected node name: x (line 1, " + column(sample.find("</ns1:inputs>") + 6) +
                      ", at /ExportToApplicationInput/inputs[1]/x)"},
             Case{"check " + export2008, sample.substr(0, sample.find("<ns1:objectTemplateOverride") + 6) + "\n\n", 2,
                  "<stdin>: XML parse error at line 3, column 1: the document ends inside a start tag (at "
                  "/ExportToApplicationInput/inputs[1])"},
             Case{"check --max-bytes=10", sample, 2,
                  refused + "column 11: the XML text is larger than XmlReadLimits::maxBytes (10 bytes)"},
             Case{"check --max-depth=2", sample, 2,
                  refused + column(sample.find("/>", sample.find("<ns1:objectsToExport"))) +
                      ": elements are nested deeper than XmlReadLimits::maxDepth (2 levels) (at "
                      "/ExportToApplicationInput/inputs[1])"},
             Case{"check --max-attributes=2", sample, 2,
                  refused + column(sample.find("templateId=") + 10) +
                      ": an element has more attributes than XmlReadLimits::maxAttributes (2) (at "
                      "/ExportToApplicationInput)"},
             Case{"check --max-names=3", sample, 2,
                  refused + column(sample.find('>')) +
                      ": the document uses more distinct names than XmlReadLimits::maxNames (3)"},
             Case{"check --max-token-bytes=3", sample, 2,
                  refused + column(sample.find("http") + 3) +  // the first byte past the limit
                      ": a token (text, attribute value, comment, CDATA section or processing instruction) is longer "
                      "than XmlReadLimits::maxTokenBytes (3 bytes)"},
             Case{"check --max-tree-bytes-per-byte=1", big, 2,
                  refused + column(big.find("/>", big.find("override-template-15", big.find("\"template-9\"")))) +
                      ": the document's elements need more memory than XmlReadLimits::maxTreeBytesPerByte allows (1 "
                      "bytes per byte of text) (at /ExportToApplicationInput/inputs[9])"},
             Case{"check -q " + export2008 + " - /no/such/file", sample, 66, noFile},
             Case{"check " + testing::TempDir(), "", 66, testing::TempDir() + ": cannot be read: Is a directory"},
             Case{"diff " + export2008 + " - " + response, sample, 65,
                  response +
                      ": the root element \"GetExportTemplateResponse\" names 2008-06/GetExportTemplateResponse, "
                      "not " +
                      export2008 + " (line 1, " + column(fileText(response).find('>')) +
                      ", at /GetExportTemplateResponse)"},
             Case{"check - " + export2008, sample, 74, noSpace, "", "/dev/full"},
             Case{"sample " + export2008, "", 74, noSpace, "", "/dev/full"},
             Case{"convert --to 2007-06", newer2008, 1,
                  "<stdin>: cannot be carried to 2007-06: inputs[0].templateType, inputs[0].objectTemplateOverride[0], "
                  "inputs[0].objectTemplateOverride[1] hold values that 2007-06 has no member for (--drop-added drops "
                  "them)"},
             Case{"convert --to 2007-06", record2008, 1,
                  "<stdin>: cannot be carried to 2007-06: specificationType, isLive hold values that 2007-06 has no "
                  "member for (--drop-added drops them)"},
             Case{"convert --to 2007-06", tool("sample 2008-06/GetExportTemplatesInput").out, 65,
                  "<stdin>: 2008-06/GetExportTemplatesInput has no 2007-06 counterpart (the requests and their "
                  "records have one)"},
             Case{"convert --to 2008-06", "<r/>", 65,
                  "<stdin>: the root element \"r\" is in no namespace, which is no message version's: 2007-06 \"" +
                      uri2007 + "\" or 2008-06 \"" + uri2008 + "\" (line 1, column 3, at /r)"},
             Case{"convert --to 2008-06", older2007.substr(0, 100), 2,
                  "<stdin>: XML parse error at line 1, column 101: the document ends inside a start tag"},
             Case{"convert --to 2008-06 --max-depth=1", older2007, 2,
                  refused + column(older2007.find('>', older2007.find("<ns1:inputs"))) +
                      ": elements are nested deeper than XmlReadLimits::maxDepth (1 levels) (at "
                      "/ExportToApplicationInput)"},
             Case{"convert --to 2008-06 /no/such/file", "", 66, noFile},
             Case{"convert --to 2008-06", older2007, 74, noSpace, "", "/dev/full"},
         })
        expect(c);
}

TEST(Tool, UsageErrorsExitWith64AndHelpShowsEveryStatus) {
    for (auto const& [arguments, error] : std::initializer_list<std::pair<char const*, char const*>>{
             {"", "no command given"},
             {"convert", "convert needs --to 2007-06 or --to 2008-06"},
             {"convert --to 2009-01", "--to takes 2007-06 or 2008-06, not \"2009-01\""},
             {"convert --to 2008-06 a b", "unexpected argument \"b\" to convert"},
             {"diff --all", "diff needs [TYPE] A B"},
             {"sample Nothing", "unknown type \"Nothing\" (kxsoa-ie types lists the fifteen)"},
             {"sample ExportToApplicationInput",
              "type \"ExportToApplicationInput\" is in both versions: say 2007-06/ExportToApplicationInput or "
              "2008-06/ExportToApplicationInput"},
             {"sample TemplateOverride --records=1001", "--records takes a number from 0 to 1000, not \"1001\""},
             {"sample TemplateOverride --records", "option --records needs a value"},
             {"sample TemplateOverride extra", "unexpected argument \"extra\" to sample"},
             {"types --verbose", "unknown option --verbose"},
             {"types -q", "types takes no option -q (it is for check)"},
             {"sample TemplateOverride --max-depth=3",
              "sample takes no option --max-depth (it is for check, diff, convert)"},
             {"check --quiet=yes", "option --quiet takes no value"},
             {"check --max-depth=x", "--max-depth takes a whole number, not \"x\""},
             {"check --max-bytes=18446744073709551616",
              "--max-bytes takes a whole number, not \"18446744073709551616\""},
             {"check Nothing", "\"Nothing\" is neither a type (kxsoa-ie types lists the fifteen) nor a file"},
             {"diff a", "diff needs [TYPE] A B"},
             {"schema 1999-01", "no schema of version \"1999-01\": there are 2006-03 2007-06 2008-06"},
         })
        expect({arguments, "", 64, error + std::string(" (kxsoa-ie --help shows the usage)")});
    for (char const* fine : {"sample TemplateOverride -r 1000", "sample TemplateOverride --records 0",
                             "check --max-bytes=18446744073709551615 -- -", "help diff", "-V"})
        EXPECT_EQ(tool(fine, tool("sample TemplateOverride").out).status, 0) << fine;
    std::string const help = tool("--help").out;
    // Every status, and options laid out in two columns, wrapped under the second.
    for (char const* row :
         {"\n  0   success", "\n  1   check", "\n  2   not acceptable XML", "\n  64  usage",
          "\n  66  an input that cannot", "\n  74  output",
          "\n      --max-bytes=N       check, diff, convert: XmlReadLimits::maxBytes\n                          "
          "(default ",
          "\n  convert --to VERSION [FILE]\n      reads FILE (standard input when there is none, or for -) as the type "
          "its\n",
          "\n  65  diff: XML, but not a message of the type; convert: not a message, or\n",
          "check, diff, convert: XmlReadLimits::maxTreeBytesPerByte\n                          (default 8)\n  (the "
          "reader's limits: a document over one is not acceptable XML)\n  -h, --help              this text; "
          "COMMAND --help shows one command's\n",
          "\n  -V, --version           the tool's and the library's version\n                          and the schema "
          "versions\n      --                  ends the options: every word after it\n                          is an "
          "argument\n"})
        EXPECT_NE(help.find(row), std::string::npos) << row;
    std::string const check = tool("check --help").out;
    EXPECT_EQ(check.rfind("usage: kxsoa-ie check [TYPE] [FILE...] [OPTION...]\n", 0), 0u);
    EXPECT_NE(check.find("--max-token-bytes=N"), std::string::npos);
    EXPECT_EQ(check.find("--records"), std::string::npos);
    EXPECT_NE(tool("schema 2008-06").out.find("targetNamespace=\"" + uri2008 + "\""), std::string::npos);
    expect({"schema", "", 0, "",
            "2006-03  Soa-2006-03-Base.xsd\n2007-06  ImportExport-2007-06-FileImportExport.xsd\n"
            "2008-06  ImportExport-2008-06-FileImportExport.xsd\n"});
}

TEST(Tool, ConvertCarriesEveryRequestAndRecordToTheOtherVersionAndBack) {
    for (auto const& [older, newer] : {std::pair{"ImportFromApplicationInput", "ImportFromApplicationInput"},
                                       {"ImportFromApplicationInputData", "ImportFromApplicationInputData1"},
                                       {"ExportToApplicationInput", "ExportToApplicationInput"},
                                       {"ExportToApplicationInputData", "ExportToApplicationInputData1"}}) {
        std::string const sample = tool("sample 2007-06/" + std::string(older) + " -r 3").out;
        Outcome const up = tool("convert --to 2008-06", sample);
        EXPECT_EQ(up.status, 0) << older << ": " << up.err;
        expect({"check 2008-06/" + std::string(newer) + " --quiet", up.out, 0, ""});
        expect({"convert --to 2007-06 -", up.out, 0, "", sample});
        expect({"convert --to 2007-06 " + scratch("older.xml", sample), "", 0, "", sample});  // already there
        // The 2008-06 sample fills the members 2007-06 does not have: dropped, it is the 2007-06 sample.
        std::string const filled = tool("sample 2008-06/" + std::string(newer) + " -r 3").out;
        EXPECT_EQ(tool("convert --to 2007-06", filled).status, 1) << newer;
        expect({"convert --drop-added --to 2007-06", filled, 0, "", sample});
    }
    // Refused after its last record: what was written before stays, cut short.
    std::string const many = tool("sample 2007-06/ImportFromApplicationInput -r 1000").out;
    std::string const full = tool("convert --to 2008-06", many).out;
    std::string const refusedAtTheEnd = replaced(many, "</ns1:ImportFromApplicationInput>", "<ns1:x/>$&");
    Outcome const cut = tool("convert --to 2008-06", refusedAtTheEnd);
    EXPECT_EQ(cut.status, 65);
    EXPECT_EQ(cut.err, "kxsoa-ie: <stdin>: Unexpected node name: x (line 1, column " +
                           std::to_string(refusedAtTheEnd.find("<ns1:x/>") + 7) +
                           ", at /ImportFromApplicationInput/x)\n");
    // The output goes on in pieces of 64 KiB or more, each at the end of a
    // record's start tag, whose "/>" waits for what comes next; what a refused
    // message had not handed on yet is dropped.
    std::size_t handedOn = 0;
    for (std::size_t tag = full.find("/>"); tag != std::string::npos; tag = full.find("/>", tag + 2))
        if (tag - handedOn >= 64 * 1024) handedOn = tag;
    EXPECT_EQ(cut.out, full.substr(0, handedOn));
    EXPECT_GT(handedOn, 64u * 1024);
}

// The version is the project's, and the manual page names the version, every
// command, every option and every exit status that --help names.
TEST(Tool, VersionIsTheProjectsAndTheManualPageKeepsUpWithTheHelp) {
    expect({"--version", "", 0, "",
            "kxsoa-ie " KXSOA_PROJECT_VERSION " (libkxsoaimportexporttypes " KXSOA_PROJECT_VERSION
            ")\nschema versions: 2006-03 2007-06 2008-06, namespace host " KXSOA_NAMESPACE_HOST "\n"});
    std::string const manual = replaced(fileText(KXSOA_IE_MANUAL), "\\\\-", "-");
    EXPECT_NE(manual.find("\n.TH KXSOA-IE 1 \"\" \"kxsoa-ie " KXSOA_PROJECT_VERSION "\" \"User Commands\"\n"),
              std::string::npos);
    std::string const help = tool("--help").out;
    std::size_t named = 0;
    std::smatch found;
    std::regex const optionWord("--[a-z-]*[a-z]");
    // A command, an exit status: the head of an entry; an option: anywhere in its entry's head.
    for (std::string const& line : lines(help)) {
        std::string entry;
        if (std::regex_match(line, found, std::regex("  ([a-z]+)( .*)?")))
            entry = "\n.TP\n.B[IR]? " + found[1].str() + "\\b";
        else if (std::regex_match(line, found, std::regex("  ([0-9]+) .*")))
            entry = "\n.TP\n.B " + found[1].str() + "\n";
        for (std::sregex_iterator option(line.begin(), line.end(), optionWord), end; option != end; ++option)
            EXPECT_NE(manual.find(option->str()), std::string::npos) << option->str();
        if (!entry.empty()) {
            EXPECT_TRUE(std::regex_search(manual, std::regex(entry))) << line;
            ++named;
        }
    }
    EXPECT_EQ(named, 8u + 8u);  // the commands and the exit statuses
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
    EXPECT_EQ(report, (std::vector<std::string>{
                          "allocations by type name:", "         1  " + message + "ExportTemplateInputImpl",
                          "         1  " + message + "GetExportTemplatesInputImpl",
                          "timing probes (calls, total milliseconds):",
                          "calls, ms  " + message + "GetExportTemplatesInput::outputXML",
                          "calls, ms  " + message + "GetExportTemplatesInput::parse"}));
}
