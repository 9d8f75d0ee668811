#pragma once

// Writing an object to text and reading it back, for the tests of every
// paired class.

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"

#include <functional>
#include <string>

namespace kxsoa_test {

// The document that `object` writes at the root, under `elementName`.
template <class T>
std::string written(T const& object, std::string const& elementName) {
    Kestrune::Soa::Common::Xml::XmlStream stream;
    object.outputXML(stream, elementName);
    return stream.str();
}

// A default-constructed T that parsed the root element of `xml`.
template <class T>
T readBack(std::string const& xml) {
    Kestrune::Soa::Common::Xml::XmlDocument const document = Kestrune::Soa::Common::Xml::XmlDocument::parse(xml);
    T object;
    object.parse(document.root());
    return object;
}

// The message of the DomException that `action` throws, or "(no DomException)".
inline std::string domExceptionMessage(std::function<void()> const& action) {
    try {
        action();
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        return e.getMessage();
    }
    return "(no DomException)";
}

}  // namespace kxsoa_test
