// What each command does, and the table that declares them.

#include "CommandLine.h"
#include "Convert.h"
#include "Format.h"
#include "MessageTypes.h"
#include "Reading.h"

#include "host/DomException.h"
#include "schemas/EmbeddedSchemas.h"
#include "xml/MessageReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <regex>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::ErrorKind;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::ReadPolicy;
using Kestrune::Soa::Common::Xml::roleName;
using Kestrune::Soa::Common::Xml::validateAny;

void report(std::string const& line) { std::cerr << "kxsoa-ie: " << line << '\n'; }

void flushStandardOutput() {
    if (std::cout.flush()) return;
    throw CannotWrite{std::string("cannot write standard output") +
                      (errno ? ": " + std::string(std::strerror(errno)) : "")};
}

namespace {

// The elements of a message as the library writes it: a start tag each, and
// no markup but elements.
std::size_t countElements(std::string const& written) {
    std::size_t count = 0;
    for (std::size_t at = written.find('<'); at != std::string::npos; at = written.find('<', at + 1))
        count += written.compare(at, 2, "</") != 0;
    return count;
}

MessageType const& typeNamed(std::string const& name) {
    std::string error;
    MessageType const* type = findMessageType(name, error);
    if (!type) throw UsageError{error};
    return *type;
}

// Whether `word` is shaped like a type: a name of ASCII letters and digits
// that begins with a letter, after an optional "YYYY-MM/". (A check by hand:
// compiling a std::regex cost more than the start of the tool.)
bool typeShaped(std::string_view word) {
    auto const digit = [](char c) { return c >= '0' && c <= '9'; };
    auto const letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (word.size() > 8 && word[4] == '-' && word[7] == '/' && std::all_of(word.begin(), word.begin() + 4, digit) &&
        digit(word[5]) && digit(word[6]))
        word.remove_prefix(8);
    return !word.empty() && letter(word[0]) &&
           std::all_of(word.begin() + 1, word.end(), [&](char c) { return letter(c) || digit(c); });
}

// The TYPE that the first argument of check names, or null when it is a
// file: a word shaped like a type that names none is a usage error unless
// a file of that name exists.
MessageType const* leadingType(std::string const& word) {
    std::string error;
    if (MessageType const* type = findMessageType(word, error)) return type;
    if (!typeShaped(word) || ::access(word.c_str(), F_OK) == 0) return nullptr;
    bool const known = std::any_of(messageTypes().begin(), messageTypes().end(),
                                   [&](MessageType const& type) { return word == type.name; });
    throw UsageError{known ? error
                           : "\"" + word + "\" is neither a type (kxsoa-ie types lists the fifteen) nor a file"};
}

int types(Invocation const&) {
    for (MessageType const& type : messageTypes()) {
        std::cout << type.version << "  " << std::left << std::setw(32) << type.name << std::setw(21)
                  << roleName(type.role) << type.namespaceURI << '\n';
    }
    return success;
}

int sample(Invocation const& in) {
    MessageType const& type = typeNamed(in.arguments[0]);
    std::cout << type.sample(type, in.records) << '\n';
    return success;
}

// One file checked: read as a stream, its records one by one (and none kept)
// with --quiet, every error a line of its own.
int checkOne(std::string const& file, MessageType const* type, Invocation const& in) {
    std::string const source = file == "-" ? "<stdin>" : file;
    std::ifstream stream;
    if (std::string const why = openInput(file, stream); !why.empty()) {
        std::cerr << errorLine(source, {ErrorKind::Unreadable, "cannot be read: " + why, 0, 0, {}}) << '\n';
        return noInput;
    }
    MessageReader reader(in.limits, in.validate ? ReadPolicy::Validate : ReadPolicy::Lenient);
    std::istream& input = file == "-" ? std::cin : stream;
    Bound bound;
    try {
        if (in.quiet && in.validate && !in.stats) {  // nothing to write back or count: nothing is built
            if (type) {
                type->validate(input, reader);
            } else {
                validateAny(reader, input);
            }
            return success;
        }
        bound = type ? type->read(input, reader, !in.quiet) : readTypeOfRoot(input, reader, !in.quiet, type);
    } catch (DomException const& e) {
        reportErrors(source, e);
        return statusOf(e.kind(), notTheMessage);
    }
    if (in.quiet) return success;
    errno = 0;
    std::cout << (in.format ? indented(bound.written) : bound.written) << '\n';
    flushStandardOutput();
    std::cerr << source << ": a " << (in.validate ? "valid " : "") << type->fullName()
              << (in.validate ? "" : " (not validated)") << ", " << countElements(bound.written) << " elements\n"
              << bound.dump;
    return success;
}

int check(Invocation const& in) {
    std::vector<std::string> files = in.arguments;
    MessageType const* type = files.empty() ? nullptr : leadingType(files.front());
    if (type) files.erase(files.begin());
    if (files.empty()) files.push_back("-");
    int worst = success;
    for (std::string const& file : files) worst = std::max(worst, checkOne(file, type, in));
    return worst;
}

int diff(Invocation const& in) {
    std::vector<std::string> files = in.arguments;
    MessageType const* type = nullptr;
    if (files.size() == 3) {
        type = &typeNamed(files.front());
        files.erase(files.begin());
    }
    Bound bound[2];
    std::string sources[2];
    for (int i = 0; i < 2; ++i) {
        Reading const reading = readMessageFile(files[i], type, in.limits, notTheType);
        sources[i] = reading.source;
        if (reading.status != success) return reading.status;
        type = reading.type;
        try {
            bound[i] = type->bind(reading.document->root());
        } catch (DomException const& e) {
            reportErrors(reading.source, e);
            return statusOf(e.kind(), notTheType);
        }
    }
    std::vector<std::string> const differences = type->differences(bound[0], bound[1]);
    for (std::string const& difference : differences) {
        std::cout << sources[0] << ' ' << sources[1] << ": " << difference << '\n';
        if (!in.all) break;
    }
    return differences.empty() ? success : notTheMessage;
}

// "2008-06" for ImportExport-2008-06-FileImportExport.xsd
std::string versionOf(kxsoa::schemas::EmbeddedSchema const& schema) {
    std::cmatch match;
    std::regex_search(schema.fileName, match, std::regex("[0-9]{4}-[0-9]{2}"));
    return match.str();
}

int schema(Invocation const& in) {
    for (kxsoa::schemas::EmbeddedSchema const& schema : kxsoa::schemas::embeddedSchemas) {
        if (in.arguments.empty()) {
            std::cout << versionOf(schema) << "  " << schema.fileName << '\n';
        } else if (in.arguments[0] == versionOf(schema)) {
            std::cout << schema.text;
            return success;
        }
    }
    if (in.arguments.empty()) return success;
    std::string versions;
    for (auto const& schema : kxsoa::schemas::embeddedSchemas) versions += ' ' + versionOf(schema);
    throw UsageError{"no schema of version \"" + in.arguments[0] + "\": there are" + versions};
}

int demo(Invocation const&) {
    bool allGood = true;
    std::cout << std::left << std::setw(9) << "version" << std::setw(33) << "type" << std::right << std::setw(7)
              << "bytes" << std::setw(10) << "elements"
              << "  " << std::left << std::setw(12) << "round trip"
              << "valid\n";
    for (MessageType const& type : messageTypes()) {
        RoundTrip const trip = type.roundTrip(type, 2);
        std::string problem = trip.difference;
        if (problem.empty() && trip.first != trip.second) problem = "the second writing differs from the first";
        std::string const& invalid = trip.invalid;
        std::size_t const elements = countElements(trip.first);
        std::cout << std::left << std::setw(9) << type.version << std::setw(33) << type.name << std::right
                  << std::setw(7) << trip.first.size() << std::setw(10) << elements << "  " << std::left
                  << std::setw(12) << (problem.empty() ? "ok" : "FAILED") << (invalid.empty() ? "yes" : "NO") << '\n';
        if (!problem.empty()) std::cout << "    round trip: " << problem << '\n';
        if (!invalid.empty()) std::cout << "    validation: " << invalid << '\n';
        allGood = allGood && problem.empty() && invalid.empty();
    }
    return allGood ? success : notTheMessage;
}

int help(Invocation const& in) {
    Command const* command = in.arguments.empty() ? nullptr : findCommand(in.arguments[0]);
    if (!in.arguments.empty() && !command) throw UsageError{"unknown command \"" + in.arguments[0] + "\""};
    printHelp(std::cout, command);
    return success;
}

}  // namespace

std::vector<Command> const& commands() {
    std::size_t constexpr any = SIZE_MAX;
    static std::vector<Command> const table = {
        {"types", "", "the fifteen message types: version, name, role, namespace URI\n", 0, 0, 0, &types},
        {"sample", "TYPE", "a fully populated TYPE on standard output, its root named after the type\n", recordsOption,
         1, 1, &sample},
        {"check", "[TYPE] [FILE...]",
         "reads each FILE (standard input when there is none, or for -) as TYPE,\n"
         "from TYPE's own root element (in its namespace, named after it), or\n"
         "without TYPE as the type the root's namespace and name give, validating\n"
         "as it reads (the library's validating read); writes it back on standard\n"
         "output and a summary line and the dump on standard error, holding the\n"
         "message for that. With --quiet a request is read record by record and\n"
         "none is kept. Every error of a file is a line: FILE:LINE:COLUMN: PATH:\n"
         "MESSAGE\n",
         quietOption | formatOption | validateOption | statsOption | limitOptions, 0, any, &check},
        {"diff", "[TYPE] A B",
         "reads A and B as TYPE (without TYPE, as the type A's root names) and\n"
         "compares their content member by member; prints the first difference,\n"
         "or with --all every one, a line each\n",
         allOption | limitOptions, 2, 3, &diff},
        {"convert", "--to VERSION [FILE]",
         "reads FILE (standard input when there is none, or for -) as the type its\n"
         "root names and writes it on standard output (or --output) in VERSION: a\n"
         "2007-06 request or record as its 2008-06 counterpart, the members 2008-06\n"
         "added at their defaults, and back; a message already in VERSION as it is.\n"
         "A request goes record by record, whatever its size; after a refusal, what\n"
         "had gone to standard output before it (in pieces of 64 KiB) stays there,\n"
         "cut short, and --output leaves no file. Members that 2007-06 has no\n"
         "member for are named for every record\n",
         toOption | dropOption | outputOption | limitOptions, 0, 1, &convert},
        {"schema", "[VERSION]",
         "the schema of VERSION (2006-03 for the base types, 2007-06, 2008-06), as\n"
         "the validating read follows it, with the configured namespace host; without\n"
         "VERSION, the list of the schemas and their file names, as they import\n"
         "each other\n",
         0, 0, 1, &schema},
        {"demo", "",
         "writes, reads, writes again, compares and validates (with the library's\n"
         "validating read) a sample of each type; one table row per type\n",
         statsOption, 0, 0, &demo},
        {"help", "[COMMAND]", "the help text, or one command's\n", 0, 0, 1, &help},
    };
    return table;
}

void printVersion(std::ostream& out) {
    out << "kxsoa-ie " KXSOA_VERSION " (libkxsoaimportexporttypes " KXSOA_VERSION ")\nschema versions:";
    for (auto const& schema : kxsoa::schemas::embeddedSchemas) out << ' ' << versionOf(schema);
    out << ", namespace host " KXSOA_NAMESPACE_HOST "\n";
}

}  // namespace kxsoa_ie
