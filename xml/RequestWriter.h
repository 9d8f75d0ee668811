#pragma once

#include "host/DomException.h"
#include "host/XmlStream.h"
#include "xml/Request.h"

#include <string>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

/// Writes a request (a type with records: getInputArray()) record by record,
/// as the records are made, so that a request of any size is written in the
/// memory of one record and the stream's piece. open() starts the request,
/// write() adds a record, close() ends it; the text is exactly what
/// outputXML of the whole request writes (its root declares the namespaces
/// that the first record needs), and the request's probe runs from the
/// first record to close(). On a stream on a caller's buffer, the text goes
/// to the buffer in pieces as it is written.
///
/// The request is the stream's root element. After a write that throws, the
/// text is cut short: reset() the stream before the next request. A writer
/// can write one request after another; like its stream, it is for one
/// thread at a time.
template <class Request>
class RequestWriter {
    static_assert(isRequest<Request>, "RequestWriter writes the requests: the messages with getInputArray()");

public:
    using Record = RecordOf<Request>;

    explicit RequestWriter(XmlStream& stream) : m_stream(stream) { m_record.reserve(1); }

    /// Starts a request named `elementName`; nothing is written before the
    /// first record (or close()).
    void open(std::string const& elementName) {
        if (m_state != State::Closed) misuse("open", "the request before is not closed");
        if (!m_stream.isRootElement()) misuse("open", "the request must be the stream's root element");
        m_elementName = elementName;
        m_state = State::Opened;
    }

    void write(Record const& record) {
        checkOpen("write");
        writePart(m_state == State::Opened ? XmlStream::Part::First : XmlStream::Part::Middle, &record);
        m_state = State::Writing;
    }

    /// Ends the request: a request without records is written whole here.
    void close() {
        checkOpen("close");
        writePart(m_state == State::Opened ? XmlStream::Part::Whole : XmlStream::Part::Last, nullptr);
        m_state = State::Closed;
    }

private:
    enum class State { Closed, Opened, Writing };

    /// A request is open, and the stream is where it left it: before the
    /// first record, at its root; after it, inside the request's element
    /// (unless the stream was reset since, which ended the request).
    void checkOpen(char const* step) {
        if (m_state == State::Closed) misuse(step, "no request is open");
        if (m_state == State::Opened && !m_stream.isRootElement())
            misuse(step, "the request must be the stream's root element");
        if (m_state == State::Writing && m_stream.isRootElement()) {
            m_state = State::Closed;
            misuse(step, "the stream was reset since the request's first record: open the request again");
        }
    }

    /// The request, holding `record` or none, writes the part of its element
    /// named; it keeps no record afterwards. A part that throws closes the
    /// request: the stream's text is cut short.
    void writePart(XmlStream::Part part, Record const* record) {
        if (record) m_record.push_back(*record);
        m_request.setInputArray(m_record);
        m_record.clear();
        try {
            m_stream.writeNextAs(part);
            m_request.outputXML(m_stream, m_elementName);
        } catch (...) {
            m_stream.takePart();
            m_state = State::Closed;
            m_request.setInputArray(m_record);
            throw;
        }
        m_request.setInputArray(m_record);
    }

    [[noreturn]] static void misuse(char const* step, char const* why) {
        throw Exceptions::DomException(std::string("RequestWriter: cannot ") + step + ": " + why,
                                       Exceptions::ErrorKind::Misuse);
    }

    XmlStream& m_stream;
    Request m_request;
    std::vector<Record> m_record;  ///< room for the record being written
    std::string m_elementName;
    State m_state = State::Closed;
};

}  // namespace Kestrune::Soa::Common::Xml
