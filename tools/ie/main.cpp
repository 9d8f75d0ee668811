// kxsoa-ie: lists the message types, writes samples, checks and compares
// messages, prints the schemas and runs the demonstration, with the
// library's public API and the schemas.

#include "CommandLine.h"
#include "Stats.h"

#include "host/DomException.h"

#include <iostream>
#include <memory>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using namespace kxsoa_ie;

int run(int argc, char** argv) {
    Invocation const invocation = parseCommandLine(argc, argv);
    if (invocation.version) {
        printVersion(std::cout);
    } else if (invocation.help) {
        printHelp(std::cout, invocation.command);
    } else {
        // The counting manager must see every object from its allocation to its release.
        std::unique_ptr<Stats> const stats = invocation.stats ? std::make_unique<Stats>() : nullptr;
        int const status = invocation.command->run(invocation);
        if (stats) stats->print(std::cerr);
        return status;
    }
    return success;
}

}  // namespace

int main(int argc, char** argv) {
    int status = software;
    try {
        status = run(argc, argv);
        flushStandardOutput();
    } catch (UsageError const& e) {
        report(e.message + " (kxsoa-ie --help shows the usage)");
        status = usage;
    } catch (CannotWrite const& e) {
        report(e.message);
        status = cannotWrite;
    } catch (DomException const& e) {
        report("internal failure: " + e.getMessage());
    } catch (std::exception const& e) {
        report(std::string("internal failure: ") + e.what());
    }
    return std::cerr.flush() ? status : cannotWrite;
}
