// What each command does, and the table that declares them.

#include "CommandLine.h"
#include "Convert.h"
#include "Format.h"
#include "MessageTypes.h"
#include "Reading.h"

#include "host/DomException.h"
#include "validate/EmbeddedSchemas.h"
#include "validate/SchemaValidation.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <regex>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;

void report(std::string const& line) { std::cerr << "kxsoa-ie: " << line << '\n'; }

void flushStandardOutput() {
    if (std::cout.flush()) return;
    throw CannotWrite{std::string("cannot write standard output") +
                      (errno ? ": " + std::string(std::strerror(errno)) : "")};
}

namespace {

std::size_t countElements(XMLNode const& node) {
    std::size_t count = 1;
    for (XMLNode const& child : node.children) count += countElements(child);
    return count;
}

MessageType const& typeNamed(std::string const& name) {
    std::string error;
    MessageType const* type = findMessageType(name, error);
    if (!type) throw UsageError{error};
    return *type;
}

// The TYPE that the first argument of check names, or null when it is a
// file: a word shaped like a type that names none is a usage error unless
// a file of that name exists.
MessageType const* leadingType(std::string const& word) {
    std::string error;
    if (MessageType const* type = findMessageType(word, error)) return type;
    static std::regex const typeShape("([0-9]{4}-[0-9]{2}/)?[A-Za-z][A-Za-z0-9]*");
    if (!std::regex_match(word, typeShape) || ::access(word.c_str(), F_OK) == 0) return nullptr;
    bool const known = std::any_of(messageTypes().begin(), messageTypes().end(),
                                   [&](MessageType const& type) { return word == type.name; });
    throw UsageError{known ? error
                           : "\"" + word + "\" is neither a type (kxsoa-ie types lists the fifteen) nor a file"};
}

int statusOf(Problem problem, int notTheMessageStatus) {
    switch (problem) {
        case Problem::unreadable:
            return noInput;
        case Problem::notXml:
            return notXml;
        case Problem::notTheMessage:
            return notTheMessageStatus;
        case Problem::none:
            break;
    }
    return success;
}

int types(Invocation const&) {
    for (MessageType const& type : messageTypes()) {
        std::cout << type.version << "  " << std::left << std::setw(32) << type.name << std::setw(21) << type.role
                  << type.namespaceURI << '\n';
    }
    return success;
}

int sample(Invocation const& in) {
    MessageType const& type = typeNamed(in.arguments[0]);
    std::cout << type.sample(type, in.records) << '\n';
    return success;
}

int checkOne(std::string const& file, MessageType const* type, Invocation const& in) {
    Reading const reading = readMessageFile(file, type, in.limits);
    auto const refuse = [&](int status, std::string const& message) {
        report(reading.source + ": " + message);
        return status;
    };
    if (reading.problem != Problem::none) return refuse(statusOf(reading.problem, notTheMessage), reading.error);
    MessageType const& as = *reading.type;
    XMLNode const& root = reading.document->root();
    std::string const invalid = in.validate ? kxsoa::validation::messageError(reading.text, as.name) : "";
    Bound bound;
    try {
        bound = as.bind(root);
    } catch (DomException const& e) {
        if (invalid.empty()) return refuse(notTheMessage, e.getMessage() + located(e));
    }
    if (!invalid.empty()) {
        return refuse(notTheMessage,
                      invalid + " (not a valid " + as.fullName() +
                          (bound.message ? "; the library reads it: --no-validate skips the schemas)" : ")"));
    }
    if (in.quiet) return success;
    errno = 0;
    std::cout << (in.format ? indented(bound.written) : bound.written) << '\n';
    flushStandardOutput();
    std::cerr << reading.source << ": a " << (in.validate ? "valid " : "") << as.fullName()
              << (in.validate ? "" : " (not validated)")
              << (root.name == as.name ? "" : ", its root named " + std::string(root.name)) << ", "
              << reading.text.size() << " bytes, " << countElements(root) << " elements\n"
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
        Reading const reading = readMessageFile(files[i], type, in.limits);
        sources[i] = reading.source;
        if (reading.problem != Problem::none) {
            report(reading.source + ": " + reading.error);
            return statusOf(reading.problem, notTheType);
        }
        type = reading.type;
        try {
            bound[i] = type->bind(reading.document->root());
        } catch (DomException const& e) {
            report(reading.source + ": " + e.getMessage() + located(e));
            return notTheType;
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
std::string versionOf(kxsoa::validation::EmbeddedSchema const& schema) {
    std::cmatch match;
    std::regex_search(schema.fileName, match, std::regex("[0-9]{4}-[0-9]{2}"));
    return match.str();
}

int schema(Invocation const& in) {
    for (kxsoa::validation::EmbeddedSchema const& schema : kxsoa::validation::embeddedSchemas) {
        if (in.arguments.empty()) {
            std::cout << versionOf(schema) << "  " << schema.fileName << '\n';
        } else if (in.arguments[0] == versionOf(schema)) {
            std::cout << schema.text;
            return success;
        }
    }
    if (in.arguments.empty()) return success;
    std::string versions;
    for (auto const& schema : kxsoa::validation::embeddedSchemas) versions += ' ' + versionOf(schema);
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
        std::string const invalid = kxsoa::validation::messageError(trip.first, type.name);
        std::size_t const elements = countElements(XmlDocument::parse(trip.first).root());
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
         "reads each FILE (standard input when there is none, or for -) as TYPE:\n"
         "refuses a root element that is not in TYPE's namespace, or that is named\n"
         "after another type; validates it against the schemas; reads it as TYPE;\n"
         "writes it back on standard output and a summary line and the dump on\n"
         "standard error. Without TYPE, the root's namespace gives the version and\n"
         "its name the type. A file's errors are one line on standard error.\n",
         quietOption | formatOption | validateOption | statsOption | limitOptions, 0, any, &check},
        {"diff", "[TYPE] A B",
         "reads A and B as TYPE (without TYPE, as the type A's root names) and\n"
         "compares their content member by member; prints the first difference,\n"
         "or with --all every one, a line each\n",
         allOption | limitOptions, 2, 3, &diff},
        {"convert", "--to VERSION [FILE]",
         "reads FILE (standard input when there is none, or for -) as the type its\n"
         "root names and writes it on standard output in VERSION: a 2007-06 request\n"
         "or record as its 2008-06 counterpart, the members 2008-06 added at their\n"
         "defaults, and back; a message already in VERSION as it is. A request goes\n"
         "record by record, whatever its size; after a refusal, what had gone to\n"
         "standard output before it (in pieces of 64 KiB) stays there, cut short\n",
         toOption | dropOption | limitOptions, 0, 1, &convert},
        {"schema", "[VERSION]",
         "the schema of VERSION (2006-03 for the base types, 2007-06, 2008-06), as\n"
         "the tool validates with it, with the configured namespace host; without\n"
         "VERSION, the list of the schemas and their file names, as they import\n"
         "each other\n",
         0, 0, 1, &schema},
        {"demo", "",
         "writes, reads, writes again, compares and validates a sample of each\n"
         "type; one table row per type\n",
         statsOption, 0, 0, &demo},
        {"help", "[COMMAND]", "the help text, or one command's\n", 0, 0, 1, &help},
    };
    return table;
}

void printVersion(std::ostream& out) {
    out << "kxsoa-ie " KXSOA_VERSION " (libkxsoaimportexporttypes " KXSOA_VERSION ")\nschema versions:";
    for (auto const& schema : kxsoa::validation::embeddedSchemas) out << ' ' << versionOf(schema);
    out << ", namespace host " KXSOA_NAMESPACE_HOST "\n";
}

}  // namespace kxsoa_ie
