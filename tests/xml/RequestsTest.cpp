// The requests as a type of their own: every request is read as the type
// its root names, every other message is refused with the requests its
// version accepts, and each request is paired with the response that
// answers it.

#include "support/RoundTrip.h"

#include "host/DomException.h"
#include "host/XmlMessageSource.h"
#include "importexport/Requests.h"
#include "xml/Message.h"
#include "xml/Sample.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::ErrorKind;
using Kestrune::Soa::Common::Xml::AnyRequest;
using Kestrune::Soa::Common::Xml::forEachMessageType;
using Kestrune::Soa::Common::Xml::makeSample;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::MessageRole;
using Kestrune::Soa::Common::Xml::messageType;
using Kestrune::Soa::Common::Xml::ResponseOf;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlMessageSource;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

static_assert(std::is_same_v<AnyRequest, std::variant<v07::ImportFromApplicationInput, v07::ExportToApplicationInput,
                                                      v08::ImportFromApplicationInput, v08::ExportToApplicationInput,
                                                      v08::GetExportTemplatesInput>>);
static_assert(std::is_same_v<ResponseOf<v08::ImportFromApplicationInput>, v07::ImportFromApplicationResponse>);

// Each of the fifteen samples, read as a request from a text, a stream and
// record by record: a request is the alternative of its type, with the
// values the type's own read gives and the records handed on in order; any
// other message is refused at its root, which the refusal places, with the
// requests of the root's version.
TEST(Requests, EveryRequestIsReadAsItsTypeAndEveryOtherMessageRefusedWithTheRequestsItsVersionAccepts) {
    std::string const accepted7 = "ImportFromApplicationInput or ExportToApplicationInput";
    std::string const accepted8 = "ImportFromApplicationInput, ExportToApplicationInput or GetExportTemplatesInput";
    MessageReader reader;
    std::size_t requests = 0, refused = 0;
    forEachMessageType([&](auto listed) {
        using Message = typename decltype(listed)::Type;
        auto const& type = messageType<Message>();
        std::string const text = writeMessage(makeSample<Message>(3), type.name);
        if constexpr (decltype(listed)::role == MessageRole::Request) {
            std::string const expected = writeMessage(reader.read<Message>(text), type.name);
            std::istringstream in(text);
            for (AnyRequest const& request : {readRequest(reader, text), readRequest(reader, in)}) {
                ASSERT_TRUE(std::holds_alternative<Message>(request)) << type.name;
                EXPECT_EQ(writeMessage(std::get<Message>(request), type.name), expected);
            }
            // Record by record: each handed on in order, none kept.
            std::vector<std::string> records, expectedRecords;
            std::istringstream again(text);
            AnyRequest const request = readEachRequest(
                reader, again, [&](auto const& record) { records.push_back(writeMessage(record, "record")); });
            ASSERT_TRUE(std::holds_alternative<Message>(request)) << type.name;
            if constexpr (Kestrune::Soa::Common::Xml::isRequest<Message>) {
                EXPECT_TRUE(std::get<Message>(request).getInputArray().empty());
                Message const whole = reader.read<Message>(text);
                for (auto const& record : whole.getInputArray())
                    expectedRecords.push_back(writeMessage(record, "record"));
            } else {
                EXPECT_EQ(writeMessage(std::get<Message>(request), type.name), expected);
            }
            EXPECT_EQ(records, expectedRecords) << type.name;
            ++requests;
        } else {
            std::string const accepted = std::string(type.version) == "2007-06" ? accepted7 : accepted8;
            std::size_t const column = text.find('>') + 1;
            EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { readRequest(reader, text); }),
                      "the root element \"" + std::string(type.name) + "\" in namespace \"" + type.namespaceURI +
                          "\" names none of the accepted " + type.version + " messages: " + accepted +
                          " (line 1, column " + std::to_string(column) + ", at /" + type.name + ")")
                << type.name;
            try {
                readRequest(reader, text);
            } catch (DomException const& e) {
                EXPECT_EQ(e.kind(), ErrorKind::WrongRoot);
            }
            ++refused;
        }
    });
    EXPECT_EQ(requests, 5u);
    EXPECT_EQ(refused, 10u);
}

// The response that answers each request, at compile time and at run time
// alike: each version's own, and the 2007-06 ones for the 2008-06 import and
// export, which that version answers with none of its own.
TEST(Requests, EachRequestIsAnsweredByItsResponse) {
    std::vector<std::string> answers;
    forEachMessageType([&](auto listed) {
        using Message = typename decltype(listed)::Type;
        if constexpr (decltype(listed)::role == MessageRole::Request) {
            auto const& response = responseType(AnyRequest(makeSample<Message>(1)));
            EXPECT_EQ(&response, &messageType<ResponseOf<Message>>());
            answers.push_back(std::string(messageType<Message>().version) + ' ' + messageType<Message>().name + " -> " +
                              response.version + ' ' + response.name);
        }
    });
    EXPECT_EQ(answers, (std::vector<std::string>{
                           "2007-06 ImportFromApplicationInput -> 2007-06 ImportFromApplicationResponse",
                           "2007-06 ExportToApplicationInput -> 2007-06 ExportToApplicationResponse",
                           "2008-06 ImportFromApplicationInput -> 2007-06 ImportFromApplicationResponse",
                           "2008-06 ExportToApplicationInput -> 2007-06 ExportToApplicationResponse",
                           "2008-06 GetExportTemplatesInput -> 2008-06 GetExportTemplateResponse",
                       }));
}

// A server's connection: every request of both versions, then a response
// (refused, after its end), then every request again, back to back on one
// stream: each request is read as readRequest reads it alone, the
// refused message leaves the next one to read, and the input's end is the
// end of the requests.
TEST(Requests, RequestsBackToBackOnOneStreamAreReadOneByOneAndAWrongOneLeavesTheNext) {
    std::vector<std::string> requests;
    forEachMessageType([&](auto listed) {
        using Message = typename decltype(listed)::Type;
        if constexpr (decltype(listed)::role == MessageRole::Request)
            requests.push_back(writeMessage(makeSample<Message>(2), messageType<Message>().name));
    });
    std::string const response =
        writeMessage(makeSample<v07::ImportFromApplicationResponse>(1), "ImportFromApplicationResponse");
    MessageReader reader;
    std::string text;
    std::vector<std::string> expected;
    auto const shown = [](AnyRequest const& request) {
        return std::visit(
            [](auto const& held) { return writeMessage(held, messageType<std::decay_t<decltype(held)>>().name); },
            request);
    };
    for (int round = 0; round < 2; ++round) {
        for (std::string const& request : requests) {
            text += request + "\n";
            expected.push_back(shown(readRequest(reader, request)));
        }
        if (round == 0) {
            text += response;
            expected.push_back(kxsoa_test::domExceptionMessage([&] { readRequest(reader, response); }));
        }
    }
    std::istringstream in(text);
    XmlMessageSource source(in);
    std::vector<std::string> read;
    for (;;) {
        try {
            std::optional<AnyRequest> const request = readNextRequest(reader, source);
            if (!request) break;
            read.push_back(shown(*request));
        } catch (DomException const& e) {
            read.push_back(e.getMessage());
        }
    }
    EXPECT_EQ(read, expected);
    EXPECT_EQ(source.messagesRead(), 11u);
}

}  // namespace
