// kxsoa-ie run as a user runs it: its output, its error lines and its exit
// status for each outcome.

#include "support/MessageTypes.h"

#include "importexport/VersionPairs.h"

#include <gtest/gtest.h>

#include <glob.h>
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
#include <type_traits>
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
Outcome tool(std::string const& arguments, std::string const& input = "", std::string const& out = "",
             std::string const& inFile = "") {
    std::string const in = inFile.empty() ? scratch("in.xml", input) : inFile;
    std::string const outFile = out.empty() ? scratch("out") : out;
    std::string const err = scratch("err");
    int const raw = std::system((KXSOA_IE " " + arguments + " <" + in + " >" + outFile + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out.empty() ? fileText(outFile) : "", fileText(err)};
}

// One run of the tool and the whole of what it gives: its exit status, its
// lines on standard error (none when empty) and standard output (unless it
// goes to `outFile`).
struct Case {
    std::string arguments, input;
    int status;
    std::string error, out = "", outFile = "", inFile = "";  // standard input from inFile, when given
};

void expect(Case const& c) {
    Outcome const run = tool(c.arguments, c.input, c.outFile, c.inFile);
    EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.arguments;
    EXPECT_EQ(run.err, c.error.empty() ? "" : c.error + '\n') << c.arguments;
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
    // Business objects in the base namespace: the form written before, read but not valid.
    std::string const older = replaced(sample, "ns1:objectsToExport", "ns2:objectsToExport");
    struct Echo {
        std::string arguments, input, summary;
    };
    for (Echo const& c : {
             Echo{"check -", sample, "<stdin>: a valid " + export2008 + ", 5 elements"},
             Echo{"check --no-validate", older, "<stdin>: a " + export2008 + " (not validated), 5 elements"},
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
    std::string const sample = replaced(tool("sample " + type + " -r 1").out, "specTemplates-1", "");
    std::string const formatted = tool("check --format " + type, sample).out;
    EXPECT_EQ(formatted, "<ns1:GetExportTemplateResponse xmlns:ns1=\"" + uri2008 + "\" xmlns:ns2=\"" + baseURI +
                             "\">\n"
                             "  <ns1:specTemplates></ns1:specTemplates>\n"
                             "  <ns1:objectTemplats>objectTemplats-1</ns1:objectTemplats>\n"
                             "  <ns1:excelTemplates>excelTemplates-1</ns1:excelTemplates>\n"
                             "  <ns1:configuredSpecTemplates businessObjectType=\"businessObjectType-1\" "
                             "templateName=\"templateName-1\" templateType=\"templateType-1\"/>\n"
                             "  <ns1:configuredObjectTemplates businessObjectType=\"businessObjectType-1\" "
                             "templateName=\"templateName-1\" templateType=\"templateType-1\"/>\n"
                             "  <ServiceData xmlns=\"" +
                             uri2008 +
                             "\">\n"
                             "    <ns2:partialErrors message=\"partialErrors-1\"/>\n"
                             "    <ns2:updated uid=\"updated-1\" type=\"Item\"/>\n"
                             "  </ServiceData>\n"
                             "</ns1:GetExportTemplateResponse>\n");
    std::string const file = scratch("formatted.xml", formatted);
    expect({"check -q " + file, "", 0, ""});
    expect({"diff " + type + " - " + file, sample, 0, ""});
}

// SIZE_MAX, the largest value a limit takes, is no limit: every token of
// the file is read whatever its length.
TEST(Tool, EveryLimitAtItsLargestValueReadsEveryToken) {
    std::string const type = "2008-06/GetExportTemplateResponse";
    std::string const sample =
        replaced(tool("sample " + type + " -r 1").out, ">specTemplates-1<", "><![CDATA[specTemplates-1]]><");
    std::string limits;
    for (char const* limit :
         {"bytes", "depth", "attributes", "names", "name-bytes", "token-bytes", "tree-bytes-per-byte"})
        limits += std::string(" --max-") + limit + "=18446744073709551615";
    expect({"check -q" + limits + " " + type, "<?p data?><!-- a comment -->" + sample, 0, ""});
}

// diff prints the first difference, or with --all every one; flags read and
// validate in every boolean form.
TEST(Tool, DiffPrintsEveryDifferenceAndFlagsReadInEveryBooleanForm) {
    std::string const sample = tool("sample 2008-06/ExportToApplicationInput -r 2").out;
    std::string const a = scratch("a.xml", sample);
    std::string const changed =
        replaced(replaced(sample, "\"applicationFormat-2\"", "\"csv\""), "objectsToExport-1", "uid-9");
    std::string const object = "objectsToExport[0]: \"objectsToExport-1\" (Item) vs \"uid-9\" (Item)\n";
    std::string const first = a + " <stdin>: inputs[0]." + object;
    expect({"diff --all " + a + " -", changed, 1, "",
            first + a + " <stdin>: inputs[1].applicationFormat: \"applicationFormat-2\" vs \"csv\"\n" + a +
                " <stdin>: inputs[1]." + object});
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

// An error in a file is a line of its own, as compilers write them; the
// tool's other errors begin with its name. The status comes from the kind.
TEST(Tool, EveryErrorIsOneLineWithItsStatus) {
    std::string const sample = tool("sample " + export2008 + " --records=1").out;
    std::string const renamed = replaced(sample, "ns1:ExportToApplicationInput", "ns1:r");
    std::string const older =
        replaced(tool("sample " + export2008 + " -r 2").out, "ns1:objectsToExport", "ns2:objectsToExport");
    std::string several = replaced(sample, "</ns1:inputs>", "<ns1:x/>$&");
    several.replace(several.find("templateType="), std::string("templateType=\"templateType-1\"").size(),
                    "bogus=\"1\"");
    std::string const big = tool("sample " + export2008 + " --records=20").out;  // past the tree's free 64 KiB
    std::string const response = scratch("response.xml", tool("sample 2008-06/GetExportTemplateResponse").out);
    std::string const request2007 = tool("sample 2007-06/ImportFromApplicationInput").out;
    std::string const newer2008 = tool("sample 2008-06/ExportToApplicationInput -r 2").out;
    std::string const older2007 = tool("sample 2007-06/ExportToApplicationInput -r 2").out;
    std::string const record2008 = tool("sample 2008-06/ImportFromApplicationInputData1").out;
    std::string const olderFile = scratch("older.xml", older2007);
    std::string const otherRoot = "<x:ExportToApplicationInput xmlns:x='" + uri2008 + "'/>";
    std::string const me = "kxsoa-ie: ";
    // An error line of standard input at the character `at` of line 1.
    auto const in = [](std::size_t at, std::string const& path, std::string const& message) {
        return "<stdin>:1:" + std::to_string(at + 1) + ": " + path + ": " + message;
    };
    auto const notInNamespace = [&](std::string const& text, std::size_t nth, std::string const& path) {
        std::size_t at = 0;
        for (std::size_t i = 0; i <= nth; ++i) at = text.find("/>", text.find("<ns2:objectsToExport", at + 1));
        return in(
            at + 1, path,
            "element \"objectsToExport\" in namespace \"" + baseURI + "\" is not in namespace \"" + uri2008 + '"');
    };
    std::string const inputs1 = "/ExportToApplicationInput/inputs[1]";
    // An error line of standard input without a path: before the root's start tag ends.
    auto const atStart = [](std::size_t at, std::string const& message) {
        return "<stdin>:1:" + std::to_string(at + 1) + ": " + message;
    };
    std::string const noFile = "/no/such/file: cannot be read: No such file or directory";
    std::string const noSpace = me + "cannot write standard output: No space left on device";
    for (Case const& c : {
             Case{"check 2008-06/GetExportTemplateResponse", renamed, 1,
                  in(renamed.find('>'), "/r", "the root element is \"r\", not \"GetExportTemplateResponse\"")},
             // Each error of the file on its line, where the schemas' validator stopped at the first.
             Case{"check -q", older, 1,
                  notInNamespace(older, 0, inputs1 + "/objectsToExport") + '\n' +
                      notInNamespace(older, 1, inputs1 + "/objectsToExport") + '\n' +
                      notInNamespace(older, 2, "/ExportToApplicationInput/inputs[2]/objectsToExport") + '\n' +
                      notInNamespace(older, 3, "/ExportToApplicationInput/inputs[2]/objectsToExport")},
             Case{"check", several, 1,
                  in(several.find('>', several.find("<ns1:inputs")), inputs1 + "/@bogus",
                     "attribute \"bogus\" is not allowed here") +
                      '\n' +
                      in(several.find('>', several.find("<ns1:inputs")), inputs1,
                         "required attribute \"templateType\" is missing") +
                      '\n' +
                      in(several.find("/>", several.find("<ns1:x")) + 1, inputs1 + "/x",
                         "element \"x\" is not allowed here")},
             Case{"check --no-validate", replaced(sample, "</ns1:inputs>", "<ns1:x/>$&"), 1,
                  in(sample.find("</ns1:inputs>") + 7, inputs1 + "/x", "Unexpected node name: x")},
             Case{"check 2008-06/ImportFromApplicationInput", otherRoot, 1,
                  in(otherRoot.find("/>") + 1, "/ExportToApplicationInput",
                     "the root element is \"ExportToApplicationInput\", not \"ImportFromApplicationInput\"")},
             Case{"check 2008-06/ImportFromApplicationInput", request2007, 1,
                  in(request2007.find('>'), "/ImportFromApplicationInput",
                     "the root element \"ImportFromApplicationInput\" is in namespace \"" + uri2007 + "\", not in \"" +
                         uri2008 + '"')},
             Case{"check", renamed, 1,
                  in(renamed.find('>'), "/r",
                     "the root element \"r\" in namespace \"" + uri2008 +
                         "\" names none of the accepted 2008-06 messages: " + kxsoa_test::typesOfVersion("2008-06"))},
             Case{"check", "<r/>", 1,
                  in(3, "/r",
                     "the root element \"r\" is in no namespace, which is no message version's: 2007-06 \"" + uri2007 +
                         "\" or 2008-06 \"" + uri2008 + '"')},
             Case{"check " + export2008, sample.substr(0, sample.find("<ns1:objectTemplateOverride") + 6) + "\n\n", 2,
                  "<stdin>:3:1: " + inputs1 + ": the document ends inside a start tag"},
             Case{"check", "<!DOCTYPE r><r/>", 2, atStart(11, "a document type declaration (DOCTYPE) is not accepted")},
             Case{"check", "<?xml version='1.0' encoding='EBCDIC'?><r/>", 2,
                  atStart(30, "encoding \"EBCDIC\" is not accepted: send UTF-8, UTF-16 or US-ASCII")},
             Case{"check --max-bytes=10", sample, 2,
                  atStart(10, "the XML text is larger than XmlReadLimits::maxBytes (10 bytes)")},
             Case{"check --max-depth=2", sample, 2,
                  in(sample.find("/>", sample.find("<ns1:objectsToExport")) + 1, inputs1,
                     "elements are nested deeper than XmlReadLimits::maxDepth (2 levels)")},
             Case{"check --max-attributes=2", sample, 2,
                  in(sample.find("templateId=") + 10, "/ExportToApplicationInput",
                     "an element has more attributes than XmlReadLimits::maxAttributes (2)")},
             Case{"check --max-names=3", sample, 2,
                  atStart(sample.find('>'), "the document uses more distinct names than XmlReadLimits::maxNames (3)")},
             Case{"check --max-token-bytes=3", sample, 2,
                  atStart(sample.find("http") + 3,  // the first byte past the limit
                          "a token (text, attribute value, comment, CDATA section or processing instruction) is "
                          "longer than XmlReadLimits::maxTokenBytes (3 bytes)")},
             Case{"check --max-tree-bytes-per-byte=1", big, 2,
                  in(big.find("/>", big.find("templateId-15", big.find("\"applicationFormat-9\""))) + 1,
                     "/ExportToApplicationInput/inputs[9]",
                     "the document's elements need more memory than XmlReadLimits::maxTreeBytesPerByte allows (1 "
                     "bytes per byte of text)")},
             Case{"check -q " + export2008 + " - /no/such/file", sample, 66, noFile},
             // The worst status over the files, whichever comes last.
             Case{"check -q " + export2008 + " /no/such/file -", sample, 66, noFile},
             Case{"check " + testing::TempDir(), "", 66, testing::TempDir() + ": cannot be read: Is a directory"},
             // Words not shaped like a type are files, whatever they hold.
             Case{"check 2009-1/Nothing", "", 66, "2009-1/Nothing: cannot be read: No such file or directory"},
             Case{"check 9Nothing", "", 66, "9Nothing: cannot be read: No such file or directory"},
             Case{"diff " + export2008 + " - " + response, sample, 65,
                  response + ":1:" + std::to_string(fileText(response).find('>') + 1) +
                      ": /GetExportTemplateResponse: the root element \"GetExportTemplateResponse\" names "
                      "2008-06/GetExportTemplateResponse, not " +
                      export2008},
             Case{"diff " + export2008 + " - " + olderFile, sample, 65,
                  olderFile + ":1:" + std::to_string(older2007.find('>') + 1) +
                      ": /ExportToApplicationInput: the root element \"ExportToApplicationInput\" is in namespace \"" +
                      uri2007 + "\", not in \"" + uri2008 + "\" of " + export2008},
             Case{"diff " + export2008 + " /no/such/file -", sample, 66, noFile},
             Case{"diff - " + response, "<r/>", 65,
                  in(3, "/r",
                     "the root element \"r\" is in no namespace, which is no message version's: 2007-06 \"" + uri2007 +
                         "\" or 2008-06 \"" + uri2008 + '"')},
             Case{"check - " + export2008, sample, 74, noSpace, "", "/dev/full"},
             Case{"sample " + export2008, "", 74, noSpace, "", "/dev/full"},
             Case{"convert --to 2007-06", newer2008, 1,
                  "<stdin>: cannot be carried to 2007-06: inputs[0].templateType, "
                  "inputs[0].objectTemplateOverride[0], "
                  "inputs[0].objectTemplateOverride[1], inputs[1].templateType, "
                  "inputs[1].objectTemplateOverride[0], "
                  "inputs[1].objectTemplateOverride[1] hold values that 2007-06 has no member for (--drop-added "
                  "drops "
                  "them)"},
             Case{"convert --to 2007-06", record2008, 1,
                  "<stdin>: cannot be carried to 2007-06: specificationType, isLive hold values that 2007-06 has no "
                  "member for (--drop-added drops them)"},
             Case{"convert --to 2007-06", tool("sample 2008-06/GetExportTemplatesInput").out, 65,
                  "<stdin>: 2008-06/GetExportTemplatesInput has no 2007-06 counterpart (the requests and their "
                  "records have one)"},
             Case{"convert --to 2008-06", "<r/>", 65,
                  in(3, "/r",
                     "the root element \"r\" is in no namespace, which is no message version's: 2007-06 \"" + uri2007 +
                         "\" or 2008-06 \"" + uri2008 + '"')},
             Case{"convert --to 2008-06", older2007.substr(0, 100), 2,
                  atStart(100, "the document ends inside a start tag")},
             Case{"convert --to 2008-06 --max-depth=1", older2007, 2,
                  in(older2007.find('>', older2007.find("<ns1:inputs")), "/ExportToApplicationInput",
                     "elements are nested deeper than XmlReadLimits::maxDepth (1 levels)")},
             Case{"convert --to 2008-06 /no/such/file", "", 66, noFile},
             Case{"convert --to 2008-06", "", 66, "<stdin>: cannot be read: Is a directory", "", "",
                  testing::TempDir()},
             Case{"convert --to 2008-06", older2007, 74, noSpace, "", "/dev/full"},
             Case{"convert --to 2008-06 -o /no/such/folder/out.xml", older2007, 74,
                  me + "/no/such/folder/out.xml: cannot be written: No such file or directory"},
         })
        expect(c);
}

// types: a row per type of the library's list, in its order, in columns;
// sample: a type with every member set.
TEST(Tool, TypesListsTheLibrarysTypesARowEachAndSampleSetsEveryMember) {
    using Kestrune::Soa::Common::Xml::messageType;
    std::vector<std::string> const rows = lines(tool("types").out);
    ASSERT_EQ(rows.size(), std::variant_size_v<Kestrune::Soa::Common::Xml::AnyMessage>);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].substr(0, rows[i].find(' ', 9)),
                  std::string(messageType(i).version) + "  " + messageType(i).name);
    std::size_t const query = Kestrune::Soa::Common::Xml::messageIndex(uri2008, "GetExportTemplatesInput");
    EXPECT_EQ(rows[query], "2008-06  GetExportTemplatesInput         request              " + uri2008);
    expect({"sample TemplateOverride", "", 0, "",
            "<ns1:TemplateOverride xmlns:ns1=\"" + uri2008 +
                "\" businessObjectType=\"businessObjectType-1\" templateType=\"templateType-1\" "
                "templateId=\"templateId-1\"/>\n"});
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
             {"check 2009-01/Nothing1",
              "\"2009-01/Nothing1\" is neither a type (kxsoa-ie types lists the fifteen) nor a file"},
             {"diff a", "diff needs [TYPE] A B"},
             {"schema 1999-01", "no schema of version \"1999-01\": there are 2006-03 2007-06 2008-06"},
         })
        expect({arguments, "", 64, "kxsoa-ie: " + std::string(error) + " (kxsoa-ie --help shows the usage)"});
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
    namespace xml = Kestrune::Soa::Common::Xml;
    std::vector<std::pair<std::string, std::string>> pairs;  // the library's: the two requests and their records
    xml::forEachMessageType([&pairs](auto listed) {
        using Older = typename decltype(listed)::Type;
        if constexpr (!std::is_void_v<xml::Upgraded<Older>>)
            pairs.emplace_back(xml::messageType<Older>().name, xml::messageType<xml::Upgraded<Older>>().name);
    });
    ASSERT_EQ(pairs.size(), 4u);
    for (auto const& [older, newer] : pairs) {
        std::string const sample = tool("sample 2007-06/" + older + " -r 3").out;
        Outcome const up = tool("convert --to 2008-06", sample);
        EXPECT_EQ(up.status, 0) << older << ": " << up.err;
        expect({"check 2008-06/" + newer + " --quiet", up.out, 0, ""});
        expect({"convert --to 2007-06 -", up.out, 0, "", sample});
        expect({"convert --to 2007-06 " + scratch("older.xml", sample), "", 0, "", sample});  // already there
        // The 2008-06 sample fills the members 2007-06 does not have: dropped, it is the 2007-06 sample.
        std::string const filled = tool("sample 2008-06/" + newer + " -r 3").out;
        EXPECT_EQ(tool("convert --to 2007-06", filled).status, 1) << newer;
        expect({"convert --drop-added --to 2007-06", filled, 0, "", sample});
    }
    // Every record's unmatched members, the first thousand named: 32 records of 33 each.
    std::string named;
    for (std::size_t record = 0, paths = 0; record < 32; ++record)
        for (std::size_t member = 0; member < 33 && paths < 1000; ++member, ++paths)
            named += (named.empty() ? "inputs[" : ", inputs[") + std::to_string(record) + "]." +
                     (member == 0 ? "templateType" : "objectTemplateOverride[" + std::to_string(member - 1) + "]");
    expect({"convert --to 2007-06", tool("sample 2008-06/ExportToApplicationInput -r 32").out, 1,
            "<stdin>: cannot be carried to 2007-06: " + named +
                " and 56 more hold values that 2007-06 has no member for (--drop-added drops them)"});
    // Refused after its last record: what was written before stays, cut short.
    std::string const many = tool("sample 2007-06/ImportFromApplicationInput -r 1000").out;
    std::string const full = tool("convert --to 2008-06", many).out;
    std::string const refusedAtTheEnd = replaced(many, "</ns1:ImportFromApplicationInput>", "<ns1:x/>$&");
    // A write that fails on the way, not at the end, says why as well.
    expect({"convert --to 2008-06", many, 74, "kxsoa-ie: cannot write standard output: No space left on device", "",
            "/dev/full"});
    Outcome const cut = tool("convert --to 2008-06", refusedAtTheEnd);
    EXPECT_EQ(cut.status, 65);
    EXPECT_EQ(cut.err, "<stdin>:1:" + std::to_string(refusedAtTheEnd.find("<ns1:x/>") + 8) +
                           ": /ImportFromApplicationInput/x: Unexpected node name: x\n");
    // The output goes on in pieces of 64 KiB or more, each where a write to
    // the stream ended: before an attribute, or before a start tag's "/>",
    // which waits for what comes next; what a refused message had not handed
    // on yet is dropped.
    std::size_t handedOn = 0;
    for (std::size_t end = 0; end < full.size(); ++end)
        if ((full[end] == ' ' || full.compare(end, 2, "/>") == 0) && end - handedOn >= 64 * 1024) handedOn = end;
    EXPECT_EQ(cut.out, full.substr(0, handedOn));
    EXPECT_GT(handedOn, 64u * 1024);
    // --output writes the file whole, or leaves it as it was and nothing beside it.
    std::string const file = scratch("converted.xml", "as it was");
    expect({"convert --to 2008-06 -o " + file, refusedAtTheEnd, 65, cut.err.substr(0, cut.err.size() - 1)});
    EXPECT_EQ(fileText(file), "as it was");
    expect({"convert --to 2008-06 --output=" + file, many, 0, ""});
    EXPECT_EQ(fileText(file), full);
    glob_t beside{};
    EXPECT_EQ(::glob((file + "?*").c_str(), 0, nullptr, &beside), GLOB_NOMATCH);
    ::globfree(&beside);
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
    // a range), the whole of each line; --quiet writes nothing back.
    std::string const type = "2008-06/GetExportTemplatesInput";
    std::string const message = "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::";
    Outcome const stats = tool("check --quiet --stats " + type, tool("sample " + type).out);
    EXPECT_EQ(stats.status, 0);
    std::vector<std::string> report = lines(stats.err);
    ASSERT_EQ(report.size(), 5u) << stats.err;
    {
        std::string& row = report[4];
        std::smatch time;
        ASSERT_TRUE(std::regex_search(row, time, std::regex("^ {9}1 +([0-9]+\\.[0-9]{3})  "))) << row;
        EXPECT_EQ(time.length(0), 24) << row;  // right-aligned in 12 columns
        EXPECT_LT(std::stod(time[1]), 1000.0) << row;
        row.replace(0, time.length(0), "calls, ms  ");
    }
    EXPECT_EQ(
        report,
        (std::vector<std::string>{
            "allocations by type name:", "         1  " + message + "ExportTemplateInputImpl",
            "         1  " + message + "GetExportTemplatesInputImpl",
            "timing probes (calls, total milliseconds):", "calls, ms  " + message + "GetExportTemplatesInput::parse"}));
}
