// libFuzzer target: a sequence of messages, each written on one XmlStream
// reset between them and on a new stream of its own, onto a caller's buffer
// that may refuse bytes part of the way through (or into the stream's own
// string). The messages take their root names, text and sizes from the
// bytes, so that some are refused (text XML cannot carry, a bad name), some
// pass a piece of 64 KiB, some are written whole, alone or record by record.
// What a reused stream keeps is a cache: each message must end as on a new
// stream (the same outcome, the same bytes handed on), and the buffer under
// the reused stream must hold exactly what the new streams' buffers hold one
// after the other. Any difference aborts. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_write_sequence -max_total_time=60 <corpus folder>

#include "host/DomException.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/RequestWriter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ios>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

// A caller's buffer that takes `budget` bytes of the message being written,
// then refuses the rest of one insertion (taking part of it), then takes all.
class Refusing : public std::stringbuf {
public:
    void arm(std::size_t budget) {
        m_budget = budget;
        m_armed = true;
    }

private:
    std::streamsize xsputn(char const* s, std::streamsize n) override {
        std::size_t const wanted = static_cast<std::size_t>(n);
        if (!m_armed || wanted <= m_budget) {
            if (m_armed) m_budget -= wanted;
            return std::stringbuf::xsputn(s, n);
        }
        m_armed = false;
        return std::stringbuf::xsputn(s, static_cast<std::streamsize>(m_budget));
    }

    std::size_t m_budget = 0;
    bool m_armed = false;
};

struct Message {
    std::string rootName;
    v08::ExportToApplicationInput request;
    bool recordByRecord;
    std::size_t budget;  // of the caller's buffer; none when it is the largest
};

Message messageFrom(FuzzedDataProvider& bytes) {
    static char const* const names[] = {"request", "p:request", "a b", "", "ns1:request"};
    Message message;
    std::uint8_t const shape = bytes.ConsumeIntegral<std::uint8_t>();
    message.rootName = names[shape % 5];
    message.recordByRecord = (shape & 8) != 0;
    std::size_t const records = (shape & 16) ? 300 : 1 + shape % 3;
    std::string const text = bytes.ConsumeRandomLengthString(512);
    for (std::size_t i = 0; i < records; ++i) {
        v08::ExportToApplicationInputData1 record("csv", text, std::to_string(i));
        record.addAttributesToExport(text + text);
        message.request.addInput(record);
    }
    // A record past the others that XML cannot carry, sometimes.
    if (shape & 32) message.request.addInput(v08::ExportToApplicationInputData1("csv", "t", "bell\x07"));
    message.budget = bytes.ConsumeIntegralInRange<std::size_t>(0, 200000);
    return message;
}

// Writes the message; its outcome with the bytes handed on.
std::string write(Message const& message, XmlStream& stream) {
    std::string outcome;
    try {
        if (message.recordByRecord) {
            RequestWriter<v08::ExportToApplicationInput> writer(stream);
            writer.open(message.rootName);
            for (auto const& record : message.request.getInputArray()) writer.write(record);
            writer.close();
        } else {
            message.request.outputXML(stream, message.rootName);
        }
        outcome = "written";
    } catch (DomException const& e) {
        outcome = e.getMessage();
    } catch (std::ios_base::failure const&) {
        outcome = "the buffer refused";
    }
    return outcome + ", " + std::to_string(stream.bytesHandedOn()) + " bytes handed on";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    bool const ownText = bytes.ConsumeBool();
    std::vector<Message> messages;
    while (messages.size() < 6 && bytes.remaining_bytes() > 0) messages.push_back(messageFrom(bytes));

    Refusing reusedTarget;
    std::unique_ptr<XmlStream> const reused =
        ownText ? std::make_unique<XmlStream>() : std::make_unique<XmlStream>(&reusedTarget);
    std::string handedOn;  // what the new streams' buffers held, one after the other
    for (Message const& message : messages) {
        Refusing freshTarget;
        std::string freshOutcome, freshText;
        {
            std::unique_ptr<XmlStream> const fresh =
                ownText ? std::make_unique<XmlStream>() : std::make_unique<XmlStream>(&freshTarget);
            freshTarget.arm(message.budget);
            freshOutcome = write(message, *fresh);
            freshText = fresh->str();
        }
        handedOn += freshTarget.str();
        reusedTarget.arm(message.budget);
        if (write(message, *reused) != freshOutcome || reused->str() != freshText) std::abort();
        try {
            reused->reset();
        } catch (std::ios_base::failure const&) {  // the buffer refused the end of a finished document
        }
        if (!reused->good() || reused->bytesHandedOn() != 0) std::abort();
    }
    if (reusedTarget.str() != handedOn) std::abort();
    return 0;
}
