#include "Reading.h"

#include "host/DomException.h"
#include "validate/SchemaValidation.h"
#include "xml/AnyMessage.h"
#include "xml/Message.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

// Up to `most` bytes of the file (or standard input) into `text`; the
// reason when it cannot be read.
std::string readBytes(std::string const& path, std::size_t most, std::string& text) {
    int const fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    int error = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) error = EISDIR;
    std::size_t constexpr piece = 64 * 1024;
    while (error == 0 && text.size() < most) {
        std::size_t const size = text.size();
        text.resize(size + std::min(piece, most - size));
        ssize_t const got = ::read(fd, &text[size], text.size() - size);
        text.resize(size + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0) break;
        if (got < 0 && errno != EINTR) error = errno;
    }
    if (fd != STDIN_FILENO) ::close(fd);
    return error ? std::strerror(error) : "";
}

std::string quoted(std::string_view text) { return '"' + std::string(text) + '"'; }

// "A, B or C"
std::string alternatives(std::vector<std::string> const& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text;
}

// The refusal of the root element `root` with its place.
std::string refusalAt(XMLNode const& root, DomException error) {
    error.setPlace(root.line, root.column);
    error.setPath('/' + std::string(root.name));
    return error.getMessage() + located(error);
}

// The type that the root's namespace and name give, or null with the
// library's error and, in a version's namespace, the types the document is
// valid as.
MessageType const* typeOfRoot(Reading const& reading, std::string& error) {
    using namespace Kestrune::Soa::Common::Xml;
    XMLNode const& root = reading.document->root();
    try {
        MessageTypeInfo const& found = messageType(messageIndex(root.namespaceURI, root.name));
        return findMessageType(std::string(found.version) + '/' + found.name, error);
    } catch (DomException const& e) {
        error = refusalAt(root, e);
    }
    if (schemaVersionOf(root.namespaceURI) == nullptr) return nullptr;
    std::vector<std::string> valid;
    for (MessageType const& type : messageTypes()) {
        if (root.namespaceURI == type.namespaceURI && kxsoa::validation::messageError(reading.text, type.name).empty())
            valid.push_back(type.fullName());
    }
    error += valid.empty() ? "; it is valid as none of them" : "; give TYPE: it is valid as " + alternatives(valid);
    return nullptr;
}

// Empty when the root may be read as `type`: in its namespace, and named
// after it unless named after none of its version's types.
std::string rootMismatch(XMLNode const& root, MessageType const& type) {
    try {
        Kestrune::Soa::Common::Xml::checkRootNamespace(root, type.namespaceURI);
    } catch (DomException const& e) {
        return e.getMessage() + " of " + type.fullName() + located(e);
    }
    for (MessageType const& other : messageTypes()) {
        if (&other != &type && other.namespaceURI == std::string_view(type.namespaceURI) && root.name == other.name)
            return refusalAt(root, DomException("the root element " + quoted(root.name) + " names " + other.fullName() +
                                                ", not " + type.fullName()));
    }
    return {};
}

}  // namespace

std::string located(DomException const& error) {
    std::string const& message = error.getMessage();
    std::vector<std::string> parts;
    bool const placed = message.find(" at line " + std::to_string(error.line()) + ", column ") != std::string::npos;
    if (error.line() > 0 && !placed) parts.push_back("line " + std::to_string(error.line()));
    if (error.column() > 0 && !placed) parts.push_back("column " + std::to_string(error.column()));
    if (!error.path().empty()) parts.push_back("at " + error.path());
    std::string text;
    for (std::string const& part : parts) text += (text.empty() ? " (" : ", ") + part;
    return parts.empty() ? text : text + ')';
}

Reading readMessageFile(std::string const& path, MessageType const* type, XmlReadLimits const& limits) {
    Reading reading;
    reading.source = path == "-" ? "<stdin>" : path;
    std::size_t const enoughToRefuse = limits.maxBytes + (limits.maxBytes < SIZE_MAX ? 1 : 0);
    if (std::string const reason = readBytes(path, enoughToRefuse, reading.text); !reason.empty()) {
        reading.problem = Problem::unreadable;
        reading.error = "cannot be read: " + reason;
        return reading;
    }
    try {
        reading.document.emplace(XmlDocument::parse(reading.text, limits));
    } catch (DomException const& e) {
        reading.problem = Problem::notXml;
        reading.error = e.getMessage() + located(e);
        return reading;
    }
    reading.type = type ? type : typeOfRoot(reading, reading.error);
    if (reading.type) reading.error = rootMismatch(reading.document->root(), *reading.type);
    if (!reading.error.empty()) reading.problem = Problem::notTheMessage;
    return reading;
}

}  // namespace kxsoa_ie
