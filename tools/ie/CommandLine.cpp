#include "CommandLine.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/SchemaNamespace.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ostream>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

// `text` as a number from 0 to `max`; otherwise a usage error that begins
// with `what`.
std::size_t wholeNumber(char const* text, std::size_t max, std::string const& what) {
    std::string const value = text;
    bool valid = !value.empty() && value.size() <= 20 && value.find_first_not_of("0123456789") == std::string::npos;
    unsigned long long number = 0;
    if (valid) {
        errno = 0;
        number = std::strtoull(value.c_str(), nullptr, 10);
        valid = errno == 0 && number <= max;
    }
    if (!valid) throw UsageError{what + ", not \"" + value + "\""};
    return static_cast<std::size_t>(number);
}

struct OptionSpec {
    char const* name;
    int shortName;      // 0 when it has none
    char const* value;  // what its value is called, or null when it takes none
    unsigned group;
    char const* help;
    void (*set)(Invocation& invocation, char const* value);
};

OptionSpec const optionSpecs[] = {
    {"records", 'r', "N", recordsOption, "every list with N entries\n(default 2, at most 1000)",
     [](Invocation& in, char const* value) {
         in.records = wholeNumber(value, 1000, "--records takes a number from 0 to 1000");
     }},
    {"quiet", 'q', nullptr, quietOption, "no summary and no echo: only the\nerrors, one line each",
     [](Invocation& in, char const*) { in.quiet = true; }},
    {"format", 0, nullptr, formatOption,
     "the echo indented, two spaces a level;\nthe reader keeps the white space it\nadds as text of the "
     "elements that\nhold elements, which no member reads",
     [](Invocation& in, char const*) { in.format = true; }},
    {"no-validate", 0, nullptr, validateOption,
     "read leniently, as the library reads\nby default, not held to the schemas\n(a document in an older form, for\n"
     "instance); the summary says so",
     [](Invocation& in, char const*) { in.validate = false; }},
    {"stats", 0, nullptr, statsOption,
     "allocations per type name, and the\ncalls and total time of each timing\nprobe, on standard error",
     [](Invocation& in, char const*) { in.stats = true; }},
    {"to", 0, "VERSION", toOption, "the version to carry the message to:\n2007-06 or 2008-06",
     [](Invocation& in, char const* value) {
         namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
         namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
         if (std::string(value) != v07::schemaVersion && std::string(value) != v08::schemaVersion)
             throw UsageError{"--to takes " + std::string(v07::schemaVersion) + " or " + v08::schemaVersion +
                              ", not \"" + value + "\""};
         in.to = value;
     }},
    {"drop-added", 0, nullptr, dropOption,
     "drops what the members that 2008-06\nadded hold, which 2007-06 has no\nmember for (without it, such a value\n"
     "is refused)",
     [](Invocation& in, char const*) { in.dropAdded = true; }},
    {"output", 'o', "FILE", outputOption,
     "writes FILE, whole or not at all: as\nit comes to a file beside it, renamed\nto FILE once all is written",
     [](Invocation& in, char const* value) {
         if (*value == '\0') throw UsageError{"--output takes a file name"};
         in.output = value;
     }},
    {"all", 'a', nullptr, allOption, "every difference, a line each, not\nonly the first",
     [](Invocation& in, char const*) { in.all = true; }},
};

// One row per field of XmlReadLimits that a flag sets.
struct LimitFlag {
    char const* name;
    char const* field;
    std::size_t XmlReadLimits::*member;
};

LimitFlag const limitFlags[] = {
    {"max-bytes", "maxBytes", &XmlReadLimits::maxBytes},
    {"max-depth", "maxDepth", &XmlReadLimits::maxDepth},
    {"max-attributes", "maxAttributes", &XmlReadLimits::maxAttributes},
    {"max-names", "maxNames", &XmlReadLimits::maxNames},
    {"max-token-bytes", "maxTokenBytes", &XmlReadLimits::maxTokenBytes},
    {"max-name-bytes", "maxNameBytes", &XmlReadLimits::maxNameBytes},
    {"max-tree-bytes-per-byte", "maxTreeBytesPerByte", &XmlReadLimits::maxTreeBytesPerByte},
};

// getopt_long's codes for the options without a short form and the limit flags.
constexpr int specCode = 256;
constexpr int limitCode = 512;

int codeOf(OptionSpec const& spec) {
    return spec.shortName ? spec.shortName : specCode + static_cast<int>(&spec - optionSpecs);
}

// "-r, --records=N" or "    --max-depth=N"
std::string optionWords(char shortName, std::string const& name, char const* value) {
    std::string words = shortName ? std::string("-") + shortName + ", " : "    ";
    words += "--" + name;
    if (value) words += std::string("=") + value;
    return words;
}

// The names of the commands that take the options of `group`: "check, diff".
std::string commandsTaking(unsigned group) {
    std::string names;
    for (Command const& command : commands()) {
        if (command.options & group) names += (names.empty() ? "" : ", ") + std::string(command.name);
    }
    return names;
}

// Why getopt_long refused `word`: an option of another command, an option
// given a value it does not take, or no option at all.
std::string refusal(std::string const& word, Command const& command) {
    std::string const name = word.substr(0, word.find('='));
    unsigned group = 0;
    for (OptionSpec const& spec : optionSpecs) {
        if (name == std::string("--") + spec.name ||
            (spec.shortName && name == std::string{'-', static_cast<char>(spec.shortName)}))
            group = spec.group;
    }
    for (LimitFlag const& flag : limitFlags) {
        if (name == std::string("--") + flag.name) group = limitOptions;
    }
    if (!group) return "unknown option " + word;
    if (command.options & group) return "option " + name + " takes no value";
    return std::string(command.name) + " takes no option " + name + " (it is for " + commandsTaking(group) + ")";
}

// Reads the options after the command (`argv[0]`), in any order among the
// arguments, up to "--".
void parseOptions(int argc, char** argv, Invocation& invocation) {
    Command const& command = *invocation.command;
    std::string shortOptions = ":h";
    std::vector<option> longOptions;
    for (OptionSpec const& spec : optionSpecs) {
        if (!(command.options & spec.group)) continue;
        longOptions.push_back({spec.name, spec.value ? required_argument : no_argument, nullptr, codeOf(spec)});
        if (spec.shortName) shortOptions += std::string(1, static_cast<char>(spec.shortName)) + (spec.value ? ":" : "");
    }
    for (LimitFlag const& flag : limitFlags) {
        if (command.options & limitOptions)
            longOptions.push_back(
                {flag.name, required_argument, nullptr, limitCode + static_cast<int>(&flag - limitFlags)});
    }
    longOptions.push_back({"help", no_argument, nullptr, 'h'});
    longOptions.push_back({nullptr, 0, nullptr, 0});

    opterr = 0;
    optind = 0;  // glibc: start afresh on this argv
    for (int code; (code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr)) != -1;) {
        std::string const word = argv[optind - 1];
        if (code == 'h') {
            invocation.help = true;
        } else if (code == ':') {
            throw UsageError{"option " + word + " needs a value"};
        } else if (code == '?') {
            throw UsageError{refusal(
                optopt && word.rfind("--", 0) != 0 ? std::string("-") + static_cast<char>(optopt) : word, command)};
        } else if (code >= limitCode) {
            LimitFlag const& flag = limitFlags[code - limitCode];
            invocation.limits.*flag.member =
                wholeNumber(optarg, SIZE_MAX, "--" + std::string(flag.name) + " takes a whole number");
        } else {
            auto const spec = std::find_if(std::begin(optionSpecs), std::end(optionSpecs),
                                           [&](OptionSpec const& s) { return codeOf(s) == code; });
            spec->set(invocation, optarg);
        }
    }
    invocation.arguments.assign(argv + optind, argv + argc);
}

}  // namespace

Command const* findCommand(std::string const& name) {
    for (Command const& command : commands()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

Invocation parseCommandLine(int argc, char** argv) {
    Invocation invocation;
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        std::string const word = argv[at];
        if (word == "--help" || word == "-h") {
            invocation.help = true;
        } else if (word == "--version" || word == "-V") {
            invocation.version = true;
        } else {
            throw UsageError{"unknown option " + word + " before the command"};
        }
    }
    if (at == argc) {
        if (invocation.help || invocation.version) return invocation;
        throw UsageError{"no command given"};
    }
    invocation.command = findCommand(argv[at]);
    if (!invocation.command) throw UsageError{"unknown command \"" + std::string(argv[at]) + "\""};
    parseOptions(argc - at, argv + at, invocation);
    if (invocation.help) return invocation;

    Command const& command = *invocation.command;
    if (invocation.arguments.size() < command.minArguments)
        throw UsageError{std::string(command.name) + " needs " + command.synopsis};
    if (invocation.arguments.size() > command.maxArguments)
        throw UsageError{"unexpected argument \"" + invocation.arguments[command.maxArguments] + "\" to " +
                         command.name};
    return invocation;
}

void printHelp(std::ostream& out, Command const* only) {
    auto const indented = [&](std::string const& text, std::size_t column) {
        for (std::size_t at = 0; at < text.size();) {
            std::size_t const end = std::min(text.find('\n', at), text.size());
            if (at) out << std::string(column, ' ');
            out << text.substr(at, end - at) << '\n';
            at = end + 1;
        }
    };
    // One option: its words, then (in the whole help) the commands that take it and what it does.
    auto const option = [&](std::string const& words, unsigned group, std::string const& text) {
        out << "  " << words << (words.size() < 24 ? std::string(24 - words.size(), ' ') : "\n" + std::string(26, ' '));
        indented((only || !group ? "" : commandsTaking(group) + ": ") + text, 26);
    };

    if (only) {
        out << "usage: kxsoa-ie " << only->name << (*only->synopsis ? " " : "") << only->synopsis
            << (only->options ? " [OPTION...]" : "") << "\n\n";
        indented(only->description, 0);
    } else {
        out << "usage: kxsoa-ie COMMAND [OPTION...] [ARGUMENT...]\n"
               "       kxsoa-ie COMMAND --help | --help | --version\n\nCommands:\n";
        for (Command const& command : commands()) {
            out << "  " << command.name << (*command.synopsis ? " " : "") << command.synopsis << "\n      ";
            indented(command.description, 6);
        }
    }
    out << "\nOptions:\n";
    for (OptionSpec const& spec : optionSpecs) {
        if (!only || (only->options & spec.group))
            option(optionWords(static_cast<char>(spec.shortName), spec.name, spec.value), spec.group, spec.help);
    }
    if (!only || (only->options & limitOptions)) {
        XmlReadLimits const defaults;
        for (LimitFlag const& flag : limitFlags) {
            option(optionWords(0, flag.name, "N"), limitOptions,
                   "XmlReadLimits::" + std::string(flag.field) + "\n(default " + std::to_string(defaults.*flag.member) +
                       ")");
        }
        out << "  (the reader's limits: a document over one is not acceptable XML)\n";
    }
    option("-h, --help", 0, only ? "this text" : "this text; COMMAND --help shows one command's");
    if (!only) option("-V, --version", 0, "the tool's and the library's version\nand the schema versions");
    option("    --", 0, "ends the options: every word after it\nis an argument");
    out << "\nTYPE is 2007-06/Name or 2008-06/Name; a bare Name will do where only one version\n"
           "has it. A FILE named like a type is written ./Name.\n\n"
           "An error in a file is a line on standard error, FILE:LINE:COLUMN: PATH: MESSAGE\n"
           "(FILE: MESSAGE where there is no place), as compilers write them, so that\n"
           "an editor goes to it; the tool's other errors begin with \"kxsoa-ie: \".\n\n"
           "Exit status (check: the worst over its files):\n"
           "  0   success: every message valid (check), the same content (diff),\n"
           "      carried (convert)\n"
           "  1   check: XML, but not a valid message of the type (every error, where\n"
           "      it is); diff: the two differ (the first\n"
           "      difference, or all); convert: members that 2007-06 does not have hold\n"
           "      values\n"
           "  2   not acceptable XML (where it is), a limit passed included\n"
           "  64  usage: an unknown command, type or option, a bad value, arguments\n"
           "      missing or extra\n"
           "  65  diff: XML, but not a message of the type; convert: not a message, or\n"
           "      one that has no counterpart in the version asked for\n"
           "  66  an input that cannot be read (missing, a directory, not permitted)\n"
           "  70  an internal failure\n"
           "  74  output that cannot be written\n";
}

}  // namespace kxsoa_ie
