#include "Reading.h"

#include "CommandLine.h"

#include "importexport/AnyMessage.h"
#include "xml/Message.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::ErrorKind;
using Kestrune::Soa::Common::Exceptions::XmlError;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

// `error` placed at the root element `root`.
DomException atRoot(XMLNode const& root, DomException error) {
    error.setPlace(root.line, root.column);
    error.setPath('/' + std::string(root.name));
    return error;
}

// The type that the root's namespace and name give; the library's
// DomException when they give none.
MessageType const& typeOfRoot(XMLNode const& root) {
    try {
        // The table is in the library's order.
        return messageTypes().at(Kestrune::Soa::Common::Xml::messageIndex(root.namespaceURI, root.name));
    } catch (DomException const& e) {
        throw atRoot(root, e);
    }
}

// Refuses a root that may not be read as `type`: one in another namespace,
// or named after another type of its version.
void checkRoot(XMLNode const& root, MessageType const& type) {
    try {
        Kestrune::Soa::Common::Xml::checkRootNamespace(root, type.namespaceURI);
    } catch (DomException const& e) {
        throw atRoot(root, DomException(e.getMessage() + " of " + type.fullName(), ErrorKind::WrongRoot));
    }
    for (MessageType const& other : messageTypes()) {
        if (&other != &type && other.namespaceURI == std::string_view(type.namespaceURI) && root.name == other.name)
            throw atRoot(root, DomException("the root element \"" + std::string(root.name) + "\" names " +
                                                other.fullName() + ", not " + type.fullName(),
                                            ErrorKind::WrongRoot));
    }
}

}  // namespace

std::string errorLine(std::string const& source, XmlError const& error) {
    std::string line = source;
    if (error.line > 0) line += ':' + std::to_string(error.line);
    if (error.line > 0 && error.column > 0) line += ':' + std::to_string(error.column);
    line += ": ";
    if (!error.path.empty()) line += error.path + ": ";
    return line + error.message;
}

void reportErrors(std::string const& source, DomException const& refusal) {
    for (XmlError const& error : refusal.errors()) std::cerr << errorLine(source, error) << '\n';
}

int statusOf(ErrorKind kind, int notTheMessageStatus) {
    switch (kind) {
        case ErrorKind::Unreadable:
            return noInput;
        case ErrorKind::Encoding:
        case ErrorKind::Limit:
        case ErrorKind::NotWellFormed:
        case ErrorKind::Unsupported:
            return notXml;
        case ErrorKind::WrongRoot:
        case ErrorKind::Unexpected:
        case ErrorKind::Invalid:
        case ErrorKind::Value:
            return notTheMessageStatus;
        case ErrorKind::Unwritable:
        case ErrorKind::Unmatched:
        case ErrorKind::Misuse:
            break;
    }
    return software;  // a refusal that reading a message does not give
}

std::string openInput(std::string const& path, std::ifstream& file) {
    struct stat info {};
    bool const standard = path == "-";
    if ((standard ? ::fstat(STDIN_FILENO, &info) : ::stat(path.c_str(), &info)) != 0) return std::strerror(errno);
    if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
    if (!standard) file.open(path, std::ios::binary);
    return standard || file ? "" : std::strerror(errno);
}

Reading readMessageFile(std::string const& path, MessageType const* type, XmlReadLimits const& limits,
                        int notTheMessageStatus) {
    Reading reading;
    reading.source = path == "-" ? "<stdin>" : path;
    std::ifstream file;
    if (std::string const why = openInput(path, file); !why.empty()) {
        std::cerr << errorLine(reading.source, {ErrorKind::Unreadable, "cannot be read: " + why, 0, 0, {}}) << '\n';
        reading.status = noInput;
        return reading;
    }
    try {
        reading.document.emplace(XmlDocument::parse(path == "-" ? std::cin : file, limits));
        XMLNode const& root = reading.document->root();
        reading.type = type ? type : &typeOfRoot(root);
        checkRoot(root, *reading.type);
    } catch (DomException const& e) {
        reportErrors(reading.source, e);
        reading.status = statusOf(e.kind(), notTheMessageStatus);
    }
    return reading;
}

}  // namespace kxsoa_ie
