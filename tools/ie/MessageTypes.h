#pragma once

// What the tool does with each of the fifteen message types (the library's
// list, MessageTypes), through the library's public API only.

#include "host/XMLNode.h"
#include "host/XmlReadLimits.h"
#include "importexport/AnyMessage.h"

#include <cstddef>
#include <istream>
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
    std::string invalid;     // empty when the library's validating read takes the first writing
};

// A type as the library describes it (version, name, namespace URI, role),
// and what the tool does with it.
struct MessageType : Kestrune::Soa::Common::Xml::MessageTypeInfo {
    // A fully populated sample with `entries` entries in each list, written
    // at the root as an element named after the type.
    std::string (*sample)(MessageType const& type, std::size_t entries);
    // `root` read as this type; DomException when it is not one.
    Bound (*bind)(Kestrune::Soa::Common::Xml::XMLNode const& root);
    // The message that `in` holds read straight into this type by `reader`,
    // as its options say: with `keep`, written back under the type's name and
    // dumped; without, a request's records go by one at a time and nothing is
    // kept. DomException when it is not one.
    Bound (*read)(std::istream& in, Kestrune::Soa::Common::Xml::MessageReader& reader, bool keep);
    // `in` held to the schemas as this type, building nothing (MessageReader::validate).
    void (*validate)(std::istream& in, Kestrune::Soa::Common::Xml::MessageReader& reader);
    RoundTrip (*roundTrip)(MessageType const& type, std::size_t entries);
    // Every difference of two messages that bind() read (see differences()), none when they hold the same content.
    std::vector<std::string> (*differences)(Bound const& a, Bound const& b);

    // "2008-06/ExportToApplicationInput"
    std::string fullName() const { return std::string(version) + '/' + name; }
};

// The message that `in` holds read by `reader` as readAny() reads it (the
// type its root names), as MessageType::read reads one of a known type;
// `type` is set to the type read.
Bound readTypeOfRoot(std::istream& in, Kestrune::Soa::Common::Xml::MessageReader& reader, bool keep,
                     MessageType const*& type);

// All fifteen, in the library's order.
std::vector<MessageType> const& messageTypes();

// The type that `name` ("2008-06/Name", or a bare "Name" that only one
// version has) names; null with `error` set to a line for a person otherwise.
MessageType const* findMessageType(std::string_view name, std::string& error);

}  // namespace kxsoa_ie
