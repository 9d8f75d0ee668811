#pragma once

// The tool's commands and options, declared once: the option parser, the
// help text and the checks of what each command accepts all read these
// tables.

#include "host/XmlDocument.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace kxsoa_ie {

// The exit statuses; sysexits values where one fits.
enum Status : int {
    success = 0,
    notTheMessage = 1,  // check: not a valid message of the type; diff: the two differ; convert: it cannot be carried
    notXml = 2,
    usage = 64,        // EX_USAGE
    notTheType = 65,   // EX_DATAERR, diff: an input is not a message of the type; convert: not one that converts
    noInput = 66,      // EX_NOINPUT
    software = 70,     // EX_SOFTWARE
    cannotWrite = 74,  // EX_IOERR
};

// A command line that the tool does not accept; the message says why.
struct UsageError {
    std::string message;
};

// Output that cannot be written; the message says which and why.
struct CannotWrite {
    std::string message;
};

// One line on standard error, the tool's name first.
void report(std::string const& line);

// Flushes standard output; throws CannotWrite when it fails.
void flushStandardOutput();

// The groups of options a command may take (Command::options).
enum OptionGroup : unsigned {
    recordsOption = 1,
    quietOption = 2,
    statsOption = 4,
    validateOption = 8,
    formatOption = 16,
    limitOptions = 32,
    toOption = 64,
    dropOption = 128,
    allOption = 256,
    outputOption = 512,
};

struct Command;

// What the command line asks for, checked against what its command accepts.
struct Invocation {
    Command const* command = nullptr;  // null for --help and --version alone
    bool help = false;
    bool version = false;
    std::vector<std::string> arguments;  // the words left after the options
    std::size_t records = 2;
    bool quiet = false;
    bool stats = false;
    bool validate = true;
    bool format = false;
    std::string to;  // convert: the version to carry the message to
    bool dropAdded = false;
    bool all = false;    // diff: every difference
    std::string output;  // convert: the file to write, empty for standard output
    Kestrune::Soa::Common::Xml::XmlReadLimits limits;
};

struct Command {
    char const* name;
    char const* synopsis;     // the arguments, as help shows them
    char const* description;  // lines of help, each ending in a line feed
    unsigned options;         // the option groups it takes (see CommandLine.cpp)
    std::size_t minArguments;
    std::size_t maxArguments;
    int (*run)(Invocation const& invocation);
};

// Every command, in the order help shows them. Commands.cpp holds them,
// report, flushStandardOutput and printVersion.
std::vector<Command> const& commands();

// The command of that name, or null.
Command const* findCommand(std::string const& name);

// `argv` read: the command (unless help or the version is asked for
// alone), its options and its arguments. Throws UsageError.
Invocation parseCommandLine(int argc, char** argv);

// The whole help text, or one command's (with the options it takes).
void printHelp(std::ostream& out, Command const* command);

// The tool's version, its library's, and the schema versions it carries.
void printVersion(std::ostream& out);

}  // namespace kxsoa_ie
