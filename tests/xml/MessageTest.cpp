// The one-call write and read: the read takes its limits and refuses a
// document of another version before binding it.

#include "2008_06/Fixtures.h"

#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "xml/Message.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kxsoa_test;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::writeMessage;

TEST(Message, ReadFromTextOrStreamWithinLimitsAndOnlyFromItsVersion) {
    v08::ImportFromApplicationInput request;
    request.addInput(v08::ImportFromApplicationInputData1("csv", "Drawing", "Item", true, troublesome));
    std::string const xml = writeMessage(request, "request");
    std::istringstream stream(xml);
    EXPECT_TRUE(sameContent(request, readMessage<v08::ImportFromApplicationInput>(stream)));
    Kestrune::Soa::Common::Xml::XmlReadLimits shallow;
    shallow.maxDepth = 1;
    EXPECT_NE(domExceptionMessage([&] { readMessage<v08::ImportFromApplicationInput>(xml, shallow); }),
              "(no DomException)");
    try {
        readMessage<v07::ImportFromApplicationInput>("\n" + xml);
        ADD_FAILURE() << "a 2008-06 request read as a 2007-06 one";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "the root element \"request\" is in namespace \"" + schemaURI + "\", not in \"" +
                                      v07::schemaNamespaceURI + "\"");
        EXPECT_EQ(e.line(), 2u);
    }
}
