#pragma once

// The library's reader alone: the text read to events by one XmlReader kept
// from document to document, with handlers that do the least a reader could
// (count elements and attributes, sum character data), as the SAX2 pass does.

#include "host/XmlReader.h"

#include <cstddef>
#include <string_view>

namespace kxsoa_bench {

struct EventCounts {
    std::size_t elements = 0;
    std::size_t attributes = 0;
    std::size_t characters = 0;  // bytes of character data reported
};

class EventsPass {
public:
    explicit EventsPass(Kestrune::Soa::Common::Xml::XmlReadLimits const& limits) : m_reader(limits) {}
    EventCounts pass(std::string_view xml);

private:
    Kestrune::Soa::Common::Xml::XmlReader m_reader;
};

}  // namespace kxsoa_bench
