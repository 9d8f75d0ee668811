#pragma once

// The fifteen message types the tool knows, and what it does with each,
// through the library's public API only.

#include "host/XMLNode.h"
#include "host/XmlReadLimits.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kxsoa_ie {

// A message read as one type: written back as the library writes it, and dumped.
struct Bound {
    std::string written;
    std::string dump;
    std::shared_ptr<void const> message;  // the message object, for difference
};

// A sample written, read into a fresh object and written again.
struct RoundTrip {
    std::string first;
    std::string second;
    std::string difference;  // empty when the two objects hold the same content
};

struct MessageType {
    char const* version;  // "2007-06" or "2008-06"
    char const* name;     // the public class name
    char const* role;     // request, record, response, filter, override, configured template
    char const* namespaceURI;
    // A fully populated sample with `entries` entries in each list, written
    // at the root as an element named after the type.
    std::string (*sample)(MessageType const& type, std::size_t entries);
    // `root` read as this type; DomException when it is not one.
    Bound (*bind)(Kestrune::Soa::Common::Xml::XMLNode const& root);
    // The text read straight into this type (no tree, any root namespace) and
    // written back under `elementName`: what bind() of its tree gives.
    Bound (*read)(std::string_view xml, std::string const& elementName,
                  Kestrune::Soa::Common::Xml::XmlReadLimits const& limits);
    RoundTrip (*roundTrip)(MessageType const& type, std::size_t entries);
    // Every difference of two messages that bind() read (see differences()), none when they hold the same content.
    std::vector<std::string> (*differences)(Bound const& a, Bound const& b);

    // "2008-06/ExportToApplicationInput"
    std::string fullName() const { return std::string(version) + '/' + name; }
};

// All fifteen, 2007-06 first, each version's types in the order of its records, requests and responses.
std::vector<MessageType> const& messageTypes();

// The type that `name` ("2008-06/Name", or a bare "Name" that only one
// version has) names; null with `error` set to a line for a person otherwise.
MessageType const* findMessageType(std::string_view name, std::string& error);

}  // namespace kxsoa_ie
