// kxsoa-ie: lists the message types, writes samples, checks messages and
// runs the demonstration, with the library's public API and the schemas.

#include "MessageTypes.h"
#include "Stats.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "validate/SchemaValidation.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using kxsoa_ie::MessageType;

enum Status { success = 0, notTheMessage = 1, notXml = 2, usage = 64 };

char const helpText[] =
    R"(usage: kxsoa-ie COMMAND [ARGUMENTS]

Commands:
  types                        the fifteen message types: version, name, role, namespace URI
  sample TYPE [--records N]    a fully populated TYPE on standard output, every list with
                               N entries (default 2, at most 1000)
  check TYPE [FILE|-]          reads a TYPE from FILE (standard input when - or absent):
                               refuses it when its root element is not in TYPE's namespace,
                               validates it against the schemas, reads it as TYPE, prints a
                               summary on standard error and writes it back on standard output
      --quiet                  prints nothing; only the exit status tells
  demo                         writes, reads, writes again, compares and validates a sample of
                               each type; one table row per type
  --stats                      with check and demo: allocations per type name and the calls
                               and total time of each timing probe, on standard error
  --help                       this text

TYPE is 2007-06/Name or 2008-06/Name; a bare Name will do where only one version has it.

Exit status:
  0   success
  1   XML, but not a valid message of that type (the library's or the schema's error, with line)
  2   not acceptable XML (with line and column)
  64  usage: an unknown command, type or option, or a file that cannot be read
)";

// One line on standard error, the tool's name first.
int fail(int status, std::string const& message) {
    std::cerr << "kxsoa-ie: " << message << '\n';
    return status;
}
int usageError(std::string const& message) { return fail(usage, message + " (kxsoa-ie --help shows the usage)"); }

struct Options {
    std::vector<std::string> arguments;  // after the command, options removed
    std::optional<std::string> records;
    bool quiet = false;
    bool stats = false;
};

// Splits the words after the command into arguments and options; an unknown
// option is an error.
bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 2; i < argc; ++i) {
        std::string const word = argv[i];
        if (word == "--quiet") {
            options.quiet = true;
        } else if (word == "--stats") {
            options.stats = true;
        } else if (word == "--records") {
            if (i + 1 == argc) {
                error = "--records needs a number";
                return false;
            }
            options.records = argv[++i];
        } else if (word.size() > 1 && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else {
            options.arguments.push_back(word);
        }
    }
    return true;
}

std::size_t countElements(XMLNode const& node) {
    std::size_t count = 1;
    for (XMLNode const& child : node.children) count += countElements(child);
    return count;
}

int types() {
    for (MessageType const& type : kxsoa_ie::messageTypes()) {
        std::cout << type.version << "  " << std::left << std::setw(32) << type.name << std::setw(21) << type.role
                  << type.namespaceURI << '\n';
    }
    return success;
}

int sample(MessageType const& type, Options const& options) {
    std::size_t records = 2;
    if (options.records) {
        std::string const& text = *options.records;
        if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(text) > 1000) {
            return usageError("--records takes a number from 0 to 1000, not \"" + text + "\"");
        }
        records = std::stoul(text);
    }
    std::cout << type.sample(type, records) << '\n';
    return success;
}

int check(MessageType const& type, std::string const& file, bool quiet) {
    std::string text;
    std::string const source = file == "-" ? "<stdin>" : file;
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) return quiet ? usage : fail(usage, "cannot read " + file + ": " + std::strerror(errno));
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto const refuse = [&](int status, std::string const& message) {
        return quiet ? status : fail(status, source + ": " + message);
    };

    std::optional<XmlDocument> document;
    try {
        document.emplace(XmlDocument::parse(text));
    } catch (DomException const& e) {
        return refuse(notXml, e.getMessage());
    }
    XMLNode const& root = document->root();
    if (root.namespaceURI != type.namespaceURI) {
        std::string const actual =
            root.namespaceURI.empty() ? "no namespace" : "namespace " + std::string(root.namespaceURI);
        return refuse(notTheMessage, "line " + std::to_string(root.line) + ": the root element " +
                                         std::string(root.name) + " is in " + actual + ", not in " + type.namespaceURI +
                                         " of " + type.fullName());
    }
    std::string const invalid = kxsoa::validation::messageError(text, type.name);
    if (!invalid.empty()) return refuse(notTheMessage, invalid + " (not a valid " + type.fullName() + ")");
    kxsoa_ie::Bound bound;
    try {
        bound = type.bind(root);
    } catch (DomException const& e) {
        return refuse(notTheMessage, "line " + std::to_string(e.line()) + ": " + e.getMessage());
    }
    if (!quiet) {
        std::cerr << source << ": a valid " << type.fullName() << ", " << text.size() << " bytes, "
                  << countElements(root) << " elements\n"
                  << bound.dump;
        std::cout << bound.written << '\n';
    }
    return success;
}

int demo() {
    bool allGood = true;
    std::cout << std::left << std::setw(9) << "version" << std::setw(33) << "type" << std::right << std::setw(7)
              << "bytes" << std::setw(10) << "elements"
              << "  " << std::left << std::setw(12) << "round trip"
              << "valid\n";
    for (MessageType const& type : kxsoa_ie::messageTypes()) {
        kxsoa_ie::RoundTrip const trip = type.roundTrip(type, 2);
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

int run(int argc, char** argv) {
    if (argc < 2) return usageError("no command given");
    std::string const command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << helpText;
        return success;
    }
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) return usageError(error);

    std::size_t const typeArguments = command == "sample" || command == "check" ? 1 : 0;
    std::size_t const maxArguments = typeArguments + (command == "check" ? 1 : 0);
    if (command != "types" && command != "sample" && command != "check" && command != "demo")
        return usageError("unknown command \"" + command + "\"");
    if (options.arguments.size() < typeArguments) return usageError(command + " needs a TYPE");
    if (options.arguments.size() > maxArguments)
        return usageError("unexpected argument \"" + options.arguments[maxArguments] + "\" to " + command);
    if (options.records && command != "sample") return usageError("--records belongs to sample");
    if (options.quiet && command != "check") return usageError("--quiet belongs to check");
    if (options.stats && command != "check" && command != "demo")
        return usageError("--stats belongs to check and demo");

    MessageType const* type = nullptr;
    if (typeArguments) {
        type = kxsoa_ie::findMessageType(options.arguments[0], error);
        if (!type) return usageError(error);
    }
    if (command == "types") return types();
    if (command == "sample") return sample(*type, options);

    // The counting manager must see every object from its allocation to its release.
    std::unique_ptr<kxsoa_ie::Stats> const stats = options.stats ? std::make_unique<kxsoa_ie::Stats>() : nullptr;
    int const status = command == "demo"
                           ? demo()
                           : check(*type, options.arguments.size() > 1 ? options.arguments[1] : "-", options.quiet);
    if (stats) stats->print(std::cerr);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (DomException const& e) {
        return fail(notTheMessage, e.getMessage());
    } catch (std::exception const& e) {
        return fail(notTheMessage, std::string("unexpected failure: ") + e.what());
    }
}
