#pragma once

#include "host/XmlBinder.h"
#include "host/XmlReader.h"
#include "xml/Handle.h"

#include <istream>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

// Reads messages straight from their text into message objects, without
// building a tree: the reader's events drive the message type's member
// table directly. A read gives exactly what parse(XmlDocument::parse(text,
// limits).root()) on a new message gives: the same values, the same errors
// (messages and lines), the same probes and the same allocations through the
// memory manager, within the same limits (a text that is not well-formed
// fails with the reader's error even when an element the type does not
// accept comes before the fault). What the reader needs is kept from one
// message to the next (see XmlReader), so that a message of a shape read
// before is read allocating only its own objects; not for use from two
// threads at once (give each thread its own reader).
class MessageReader {
public:
    // Whether the root element must be in the namespace of the message type's
    // schema version (see wrongRootNamespace).
    enum class Root { AnyNamespace, InTheTypesNamespace };

    explicit MessageReader(XmlReadLimits const& limits = {}, Root root = Root::AnyNamespace)
        : m_reader(limits), m_root(root) {}

    XmlReadLimits const& limits() const noexcept { return m_reader.limits(); }

    // What the reader keeps between messages, and its bound (XmlReader's).
    std::size_t keptBytes() const noexcept { return m_reader.keptBytes(); }
    void setMaxKeptBytes(std::size_t bytes) noexcept { m_reader.setMaxKeptBytes(bytes); }

    // The message of type Message (any of the fifteen) that the text holds.
    template <class Message>
    Message read(std::string_view xml) {
        return readFrom<Message>(xml);
    }
    // The same from a stream, read no further than the parser has got.
    template <class Message>
    Message read(std::istream& in) {
        return readFrom<Message>(in);
    }

    // For a request (a type with records: getInputArray()): each record is
    // handed to `onRecord` (as `Record const&`) as soon as its element ends,
    // and is not kept in the request, so that a request of any size is read
    // in the memory of one record and the parser's window. Returns the
    // request without its records. A record whose element has not ended when
    // the read fails is not handed on.
    template <class Request, class OnRecord>
    Request readEach(std::istream& in, OnRecord&& onRecord) {
        return readEachFrom<Request>(in, std::forward<OnRecord>(onRecord));
    }
    template <class Request, class OnRecord>
    Request readEach(std::string_view xml, OnRecord&& onRecord) {
        return readEachFrom<Request>(xml, std::forward<OnRecord>(onRecord));
    }

private:
    template <class Message>
    using ImplOf = std::remove_reference_t<decltype(HandleAccess::object(std::declval<Message const&>()))>;

    template <class Message, class Input>
    Message readFrom(Input& input) {
        Message message;
        ImplOf<Message>& object = HandleAccess::object(message);
        XmlBinder::Options options;
        options.deferFailures = true;
        if (m_root == Root::InTheTypesNamespace) options.rootNamespace = object.getNamespaceURI();
        m_binder.readInto(object, ImplOf<Message>::xmlElementType(), options);
        try {
            m_reader.read(input, m_binder);
        } catch (...) {
            m_binder.abandon();
            throw;
        }
        m_binder.throwIfFailed();
        return message;
    }

    template <class Request, class Input, class OnRecord>
    Request readEachFrom(Input& input, OnRecord&& onRecord) {
        using Records = std::decay_t<decltype(std::declval<Request const&>().getInputArray())>;
        using Handler = std::remove_reference_t<OnRecord>;
        struct Divert {
            XmlBinder& binder;
            ~Divert() { binder.divertEntries(nullptr, nullptr); }
        } const divert{m_binder};
        m_binder.divertEntries(
            [](void* handler, void* records) { (*static_cast<Handler*>(handler))(static_cast<Records*>(records)->back()); },
            &onRecord);
        return readFrom<Request>(input);
    }

    XmlReader m_reader;
    XmlBinder m_binder;
    Root m_root;
};

}  // namespace Kestrune::Soa::Common::Xml
