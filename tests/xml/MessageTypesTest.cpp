// The library's one list of the message types, seen at run time: each
// type's version, name and role as its class and shape tell them, and each
// role with a name of its own.

#include "importexport/AnyMessage.h"
#include "xml/Request.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace {

using namespace Kestrune::Soa::Common::Xml;

template <class Message>
std::string fullName() {
    return std::string(messageType<Message>().version) + '/' + messageType<Message>().name;
}

}  // namespace

TEST(MessageTypes, EachTypeIsDescribedByItsClassAndShapeAndEachRoleNamedApart) {
    std::set<std::string> records, recordsOfRequests;
    std::size_t index = 0;
    forEachMessageType([&](auto listed) {
        using Message = typename decltype(listed)::Type;
        MessageTypeInfo const& type = messageType(index++);
        std::string const name = fullName<Message>();
        EXPECT_EQ(&type, &messageType<Message>()) << name;
        EXPECT_EQ(type.role, decltype(listed)::role) << name;
        EXPECT_EQ(std::string(schemaVersionOf(type.namespaceURI)), type.version) << name;
        if (type.role == MessageRole::Record) records.insert(name);
        if constexpr (isRequest<Message>) {  // a message with records (not every request has them)
            EXPECT_EQ(type.role, MessageRole::Request) << name;
            recordsOfRequests.insert(fullName<RecordOf<Message>>());
        }
    });
    EXPECT_EQ(index, std::variant_size_v<AnyMessage>);
    EXPECT_EQ(records, recordsOfRequests);
    EXPECT_THROW(messageType(index), std::out_of_range);
    EXPECT_EQ(schemaVersionOf("urn:other"), nullptr);
    std::set<std::string> names;
    for (MessageRole role : {MessageRole::Record, MessageRole::Request, MessageRole::Response, MessageRole::Override,
                             MessageRole::Filter, MessageRole::ConfiguredTemplate})
        names.insert(roleName(role));
    EXPECT_EQ(names.size(), 6u);
    EXPECT_EQ(names.count(""), 0u);
}
