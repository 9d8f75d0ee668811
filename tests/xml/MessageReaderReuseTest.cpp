// A message reader reused after a read or a record-by-record read failed,
// in every way one can, fails as a fresh reader fails and then reads the
// next messages as a fresh reader reads them.

#include "support/RoundTrip.h"

#include "host/DomException.h"
#include "host/XmlReadLimits.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::ReadPolicy;
using Request = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput;
using Record = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInputData1;

std::string requestText(int records, std::string const& id, std::string const& root) {
    Request request;
    for (int i = 0; i < records; ++i) {
        Record record("csv", "t", id + std::to_string(i));
        record.addObjectsToExport(kxsoa_test::ModelObject(id, "Item"));
        request.addInput(record);
    }
    return Kestrune::Soa::Common::Xml::writeMessage(request, root);
}

// A stream buffer that fails (throws) once half its text is read.
class FailingHalfway : public std::streambuf {
public:
    explicit FailingHalfway(std::string text) : m_text(std::move(text)) {}

private:
    int_type underflow() override {
        if (m_given) throw std::runtime_error("the disk is gone");
        m_given = true;
        setg(&m_text[0], &m_text[0], &m_text[0] + m_text.size() / 2);
        return traits_type::to_int_type(m_text[0]);
    }
    std::string m_text;
    bool m_given = false;
};

using Read = std::function<void(MessageReader&, std::vector<std::string>& handed)>;

// What a read gave: the request written back and the records handed on, or
// the refusal with its place, or another exception.
std::string outcomeOf(MessageReader& reader, Read const& read) {
    std::vector<std::string> handed;
    std::string outcome = "read";
    try {
        read(reader, handed);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        outcome = kxsoa_test::domExceptionPlace([&] { throw e; });
    } catch (std::exception const& e) {
        outcome = e.what();
    }
    for (std::string const& record : handed) outcome += "\n" + record;
    return outcome;
}

// A read of `text`: whole or record by record (when `onRecord` is given,
// which may throw), from memory or from a stream.
Read readOf(std::string const& text, bool fromStream, bool eachRecord,
            std::function<void(MessageReader&, Record const&)> const& onRecord = {}) {
    return [=](MessageReader& reader, std::vector<std::string>& handed) {
        std::istringstream in(text);
        auto const keep = [&](Record const& record) {
            handed.push_back(record.dump());
            if (onRecord) onRecord(reader, record);
        };
        Request const request = !eachRecord  ? (fromStream ? reader.read<Request>(in) : reader.read<Request>(text))
                                : fromStream ? reader.readEach<Request>(in, keep)
                                             : reader.readEach<Request>(text, keep);
        handed.push_back(Kestrune::Soa::Common::Xml::writeMessage(request, "r"));
    };
}

TEST(MessageReaderReuse, AfterEveryWayAReadOrARecordByRecordReadFailsTheReaderReadsAsAFreshOne) {
    Kestrune::Soa::Common::Xml::XmlReadLimits limits;
    limits.maxTokenBytes = 100;
    std::string const good = requestText(3, "a", "ExportToApplicationInput");
    std::size_t const second = good.find("templateId=\"a1\"");
    std::vector<std::pair<std::string, Read>> failures;
    for (bool const fromStream : {false, true}) {
        for (bool const eachRecord : {false, true}) {
            std::string const how =
                std::string(eachRecord ? "record by record" : "whole") + (fromStream ? ", from a stream" : "");
            failures.emplace_back("not well-formed, " + how,
                                  readOf(good.substr(0, second) + "<", fromStream, eachRecord));
            failures.emplace_back(
                "refused by the binding, " + how,
                readOf(std::string(good).insert(good.find('>', second) + 1, "<ns1:oops/>"), fromStream, eachRecord));
            failures.emplace_back(
                "past a limit, " + how,
                readOf(std::string(good).insert(second + 12, std::string(100, 'x')), fromStream, eachRecord));
            failures.emplace_back("a declaration broken before its end, " + how,
                                  readOf("<?xml version='1.0' encoding='UTF-8' x", fromStream, eachRecord));
            // Text where none may be, its run not ended when the text breaks.
            failures.emplace_back(
                "text and then not well-formed, " + how,
                readOf(good.substr(0, good.find('>', second) + 1) + "stray<", fromStream, eachRecord));
        }
        std::string const how = fromStream ? " from a stream" : "";
        failures.emplace_back("a record handler that throws" + how,
                              readOf(good, fromStream, true, [](MessageReader&, Record const& record) {
                                  if (record.getTemplateId() == "a1") throw std::runtime_error("the handler failed");
                              }));
        failures.emplace_back(
            "a read started from a record handler" + how,
            readOf(good, fromStream, true, [&](MessageReader& reader, Record const&) { reader.read<Request>(good); }));
    }
    for (bool const eachRecord : {false, true}) {
        failures.emplace_back(eachRecord ? "a stream that fails, record by record" : "a stream that fails",
                              [=](MessageReader& reader, std::vector<std::string>&) {
                                  FailingHalfway buffer(good);
                                  std::istream in(&buffer);
                                  if (eachRecord) reader.readEach<Request>(in, [](Record const&) {});
                                  if (!eachRecord) reader.read<Request>(in);
                              });
    }
    std::string const next = requestText(2, "b", "next");
    // The first from a stream, its declaration looked at after any left by the failure.
    std::vector<Read> const nextReads{readOf("<?xml version='1.0' encoding='ISO-8859-1'?>" + next, true, false),
                                      readOf(next, false, false), readOf(next, true, true), readOf(good, false, true)};
    for (ReadPolicy const policy : {ReadPolicy::Lenient, ReadPolicy::Validate}) {
        for (auto const& [what, fail] : failures) {
            MessageReader reused(limits, policy), fresh(limits, policy);
            outcomeOf(reused, readOf(good, false, true));  // it has read a message before
            std::string const failed = outcomeOf(reused, fail);
            EXPECT_EQ(failed, outcomeOf(fresh, fail)) << what;
            EXPECT_NE(failed.substr(0, 4), "read") << what;
            for (Read const& read : nextReads) {
                MessageReader another(limits, policy);
                EXPECT_EQ(outcomeOf(reused, read), outcomeOf(another, read)) << what;
            }
        }
    }
    EXPECT_EQ(failures.size(), 26u);
}

}  // namespace
