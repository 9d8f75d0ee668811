#pragma once

// Writing an object to text and reading it back, for the tests of every
// paired class.

#include "support/ProbeRecorder.h"
#include "support/Refusal.h"
#include "support/SchemaValidation.h"
#include "support/WellFormed.h"

#include "host/DomException.h"
#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "xml/Message.h"
#include "xml/RequestWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kxsoa_test {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Strings = std::vector<std::string>;

// The namespace of the base types (business objects, service data).
inline std::string const baseURI = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";

// Text with every class of character that needs care in XML: markup, white
// space that parsers normalise, "]]>", two-, three- and four-byte UTF-8.
inline std::string const troublesome =
    "&<>\"' tab\there LF\nCR\rCRLF\r\n]]> caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E end";

// The document that `object` writes at the root, under `elementName`. Every
// such document is also checked by expat: a test fails at once when the
// writer produced text that is not well-formed.
template <class T>
std::string written(T const& object, std::string const& elementName) {
    std::string const xml = Kestrune::Soa::Common::Xml::writeMessage(object, elementName);
    EXPECT_TRUE(wellFormed(xml));
    return xml;
}

// A default-constructed T that parsed the root element of `xml`.
template <class T>
T readBack(std::string const& xml) {
    Kestrune::Soa::Common::Xml::XmlDocument const document = Kestrune::Soa::Common::Xml::XmlDocument::parse(xml);
    T object;
    object.parse(document.root());
    return object;
}

// Passes when `actual` holds the same content as `expected`; otherwise names
// the first member that differs and shows both.
template <class T>
::testing::AssertionResult sameContent(T const& expected, T const& actual) {
    std::string const difference = expected.difference(actual);
    if (difference.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference << "\nexpected " << expected.dump() << "actual "
                                         << actual.dump();
}

// The namespace of the element that `writtenInside` writes messages into.
inline std::string const callerURI = "urn:caller";

// `object` written twice, as "message", inside the caller's own element
// "env:Envelope" in callerURI: what a message inside a larger document looks like.
template <class T>
std::string writtenInside(T const& object) {
    Kestrune::Soa::Common::Xml::XmlStream stream;
    stream << stream.writeOpenElement(callerURI, "env:Envelope") << stream.writeOpenElementClose(callerURI, false);
    object.outputXML(stream, "message");
    object.outputXML(stream, "message");
    stream << stream.writeCloseElement(callerURI, "env:Envelope");
    return stream.str();
}

// One stream for every test of a program, reset between documents: what it
// writes must not depend on what it wrote before.
inline Kestrune::Soa::Common::Xml::XmlStream& reusedStream() {
    static Kestrune::Soa::Common::Xml::XmlStream stream;
    stream.reset();
    return stream;
}

// `object` written at the root and read back into a fresh object that holds
// the same content: expat accepts the text, the schemas accept it as the type named by `probe` (the
// public class's full name), also when written inside a caller's element,
// and the two steps fire the probes `probe` + "::outputXML" and `probe` +
// "::parse", once each. A stream that wrote other documents before, and for
// a request its records written one at a time, write the same text with the
// same probes.
template <class T>
T roundTrip(T const& object, std::string const& probe) {
    ProbeRecorder probes;
    std::string const xml = written(object, "root");
    std::string const typeName = probe.substr(probe.rfind(':') + 1);
    EXPECT_EQ(kxsoa::validation::messageError(xml, typeName), "") << xml;
    T copy = readBack<T>(xml);
    EXPECT_TRUE(sameContent(object, copy));
    std::vector<std::string> const writing{"start " + probe + "::outputXML", "end " + probe + "::outputXML"};
    EXPECT_EQ(probes.events, (std::vector<std::string>{writing[0], writing[1], "start " + probe + "::parse",
                                                       "end " + probe + "::parse"}));
    auto const writesTheSame = [&](char const* how, auto const& write) {
        ProbeRecorder again;
        EXPECT_EQ(write(), xml) << how;
        EXPECT_EQ(again.events, writing) << how;
    };
    writesTheSame("on a reused stream", [&] {
        Kestrune::Soa::Common::Xml::XmlStream& stream = reusedStream();
        object.outputXML(stream, "root");
        return stream.str();
    });
    if constexpr (Kestrune::Soa::Common::Xml::isRequest<T>)
        writesTheSame("record by record, onto a caller's buffer", [&] {
            std::stringbuf target;
            Kestrune::Soa::Common::Xml::XmlStream stream(&target);
            Kestrune::Soa::Common::Xml::RequestWriter<T> writer(stream);
            writer.open("root");
            for (auto const& record : object.getInputArray()) writer.write(record);
            writer.close();
            return target.str();
        });
    std::string const inside = writtenInside(object);
    EXPECT_TRUE(wellFormed(inside));
    for (std::size_t message : {0, 1})
        EXPECT_EQ(kxsoa::validation::childMessageError(inside, message, typeName), "") << inside;
    return copy;
}

// Service data with two partial errors and two updated objects, and how it
// is written inside a message of namespace `uri` (base prefix ns2).
inline ServiceData fullServiceData() {
    ServiceData serviceData;
    serviceData.addPartialError("m1");
    serviceData.addPartialError("");
    serviceData.addUpdatedObject(ModelObject("u1", "Item"));
    serviceData.addUpdatedObject(ModelObject("u2"));
    return serviceData;
}
inline std::string fullServiceDataElement(std::string const& uri) {
    return "<ServiceData xmlns=\"" + uri +
           "\"><ns2:partialErrors message=\"m1\"/><ns2:partialErrors message=\"\"/>"
           "<ns2:updated uid=\"u1\" type=\"Item\"/><ns2:updated uid=\"u2\" type=\"\"/></ServiceData>";
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

// The refusal that `action` throws with where it is: "<message> (line L,
// column C, at <path>)", or "(no DomException)".
inline std::string domExceptionPlace(std::function<void()> const& action) {
    try {
        action();
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        return e.getMessage() + " (line " + std::to_string(e.line()) + ", column " + std::to_string(e.column()) +
               ", at " + e.path() + ")";
    }
    return "(no DomException)";
}

}  // namespace kxsoa_test
