#pragma once

#include "host/DomException.h"
#include "host/XmlBinder.h"
#include "host/XmlReader.h"
#include "xml/AnyMessage.h"
#include "xml/Export.h"
#include "xml/Handle.h"
#include "xml/RequestWriter.h"

#include <cstddef>
#include <functional>
#include <istream>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

// Reads messages straight from their text into message objects, without
// building a tree: the reader's events drive the message type's member
// table directly. A read gives exactly what parse(XmlDocument::parse(text,
// limits).root()) on a new message gives: the same values, the same errors
// (messages, lines, columns, and the paths of those that the message refuses),
// the same probes and the same allocations through the
// memory manager, within the same limits (a text that is not well-formed
// fails with the reader's error even when an element the type does not
// accept comes before the fault).
//
// What the reader keeps from one message to the next (the parser's context,
// the room its lists started with) is a cache: it changes no outcome, and it
// is bounded by maxKeptBytes() (see XmlReader). A reader reads one message
// at a time: not from two threads at once (give each thread its own reader),
// and not from its own readEach callback, where a read is refused with a
// DomException before it changes anything (the outer read then fails with
// that exception, unless the callback catches it and goes on).
class MessageReader {
public:
    // Whether the root element must be in the namespace of the message type's
    // schema version (see wrongRootNamespace).
    enum class Root { AnyNamespace, InTheTypesNamespace };

    explicit MessageReader(XmlReadLimits const& limits = {}, Root root = Root::AnyNamespace)
        : m_reader(limits), m_root(root) {}

    XmlReadLimits const& limits() const noexcept { return m_reader.limits(); }

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
    // handed to `onRecord` (any callable taking `Record const&`) as soon as
    // its element ends, and is not kept in the request, so that a request of
    // any size is read in the memory of one record and the parser's window.
    // Returns the request without its records. A record whose element has
    // not ended when the read fails is not handed on.
    template <class Request, class OnRecord>
    Request readEach(std::istream& in, OnRecord&& onRecord) {
        return readEachFrom<Request>(in, onRecord);
    }
    template <class Request, class OnRecord>
    Request readEach(std::string_view xml, OnRecord&& onRecord) {
        return readEachFrom<Request>(xml, onRecord);
    }

    // ---- Any message: the type told by the root element (AnyMessage.h) ----

    // The message, of any of the fifteen types, that the text holds: its
    // root's namespace gives the version and its local name the type. Read
    // as read<Type>() reads it: the same values, limits, errors and probes.
    // A root that tells no type is refused as messageIndex() refuses it,
    // with the root's line, column and path (after the text: a text that
    // turns out to be broken fails with the reader's error).
    KXSOAIMPORTEXPORT_EXPORT AnyMessage readAny(std::string_view xml);
    KXSOAIMPORTEXPORT_EXPORT AnyMessage readAny(std::istream& in);
    // The same, a request's records handed on one by one as readEach() hands
    // them: `onRecord` takes the record of any of the four requests (a
    // generic lambda, say); any other message is read whole.
    template <class OnRecord>
    AnyMessage readEachAny(std::istream& in, OnRecord&& onRecord) {
        return readAnyFrom(in, recordSinks<std::remove_reference_t<OnRecord>>(), handlerOf(onRecord));
    }
    template <class OnRecord>
    AnyMessage readEachAny(std::string_view xml, OnRecord&& onRecord) {
        return readAnyFrom(xml, recordSinks<std::remove_reference_t<OnRecord>>(), handlerOf(onRecord));
    }

    // What the reader holds now beyond a fresh one, in bytes, and the bound
    // on it after a message (XmlReader::kDefaultMaxKeptBytes unless set).
    std::size_t keptBytes() const noexcept { return m_reader.keptBytes() + m_binder.keptBytes(); }
    void setMaxKeptBytes(std::size_t bytes) noexcept { m_reader.setMaxKeptBytes(bytes); }
    std::size_t maxKeptBytes() const noexcept { return m_reader.maxKeptBytes(); }

private:
    // How the records of a list are handed to a caller's handler (the
    // binder's sink): the list's last entry.
    using RecordSink = void (*)(void* handler, void* records);
    template <class Handler, class Records>
    static void handOn(void* handler, void* records) {
        std::invoke(*static_cast<Handler*>(handler), static_cast<Records*>(records)->back());
    }
    template <class Handler>
    static void* handlerOf(Handler& handler) noexcept {
        return const_cast<void*>(static_cast<void const*>(&handler));  // handOn gives it back its constness
    }
    // The sink of each alternative of AnyMessage: null for those that are no requests.
    template <class Handler, std::size_t... I>
    static RecordSink const* recordSinks(std::index_sequence<I...>) {
        static RecordSink const sinks[] = {sinkOf<Handler, std::variant_alternative_t<I, AnyMessage>>()...};
        return sinks;
    }
    template <class Handler>
    static RecordSink const* recordSinks() {
        return recordSinks<Handler>(std::make_index_sequence<std::variant_size_v<AnyMessage>>());
    }
    template <class Handler, class Message>
    static constexpr RecordSink sinkOf() {
        if constexpr (isRequest<Message>) {
            return &handOn<Handler, std::decay_t<decltype(std::declval<Message const&>().getInputArray())>>;
        } else {
            return nullptr;
        }
    }
    KXSOAIMPORTEXPORT_EXPORT AnyMessage readAnyFrom(std::string_view xml, RecordSink const* sinks, void* handler);
    KXSOAIMPORTEXPORT_EXPORT AnyMessage readAnyFrom(std::istream& in, RecordSink const* sinks, void* handler);

    // ---- Messages of a known type ----

    template <class Message>
    using ImplOf = std::remove_reference_t<decltype(HandleAccess::object(std::declval<Message const&>()))>;

    void refuseIfReading() const {
        if (!m_reading) return;
        throw Exceptions::DomException(
            "MessageReader: a read was started while this reader is reading (from its own callback); a reader "
            "reads one message at a time: read the inner message with a reader of its own");
    }

    // One read, from start to end: a read started while it lasts (from a
    // callback) is refused, and what the binder keeps past the bound is
    // released when it ends.
    struct Reading {
        MessageReader& reader;
        explicit Reading(MessageReader& r) : reader(r) {
            reader.refuseIfReading();
            reader.m_reading = true;
        }
        ~Reading() {
            reader.m_reading = false;
            if (reader.keptBytes() > reader.maxKeptBytes()) reader.m_binder.release();
        }
        Reading(Reading const&) = delete;
        Reading& operator=(Reading const&) = delete;
    };

    template <class Message, class Input>
    Message readFrom(Input& input) {
        Reading const reading(*this);
        Message message;
        ImplOf<Message>& object = HandleAccess::object(message);
        XmlBinder::Options options;
        if (m_root == Root::InTheTypesNamespace) options.rootNamespace = object.getNamespaceURI();
        m_binder.readInto(object, ImplOf<Message>::xmlElementType(), options);
        try {
            m_reader.read(input, m_binder);
        } catch (...) {
            m_binder.abandon();
            throw;
        }
        m_binder.finish();
        return message;
    }

    template <class Request, class Input, class OnRecord>
    Request readEachFrom(Input& input, OnRecord& onRecord) {
        refuseIfReading();  // before the outer read's callback is replaced
        using Records = std::decay_t<decltype(std::declval<Request const&>().getInputArray())>;
        // Whatever the callable is (a lambda, const or not, a function, a
        // pointer to one), it is called through a local of known type.
        auto call = [&onRecord](void* records) { std::invoke(onRecord, static_cast<Records*>(records)->back()); };
        using Call = decltype(call);
        struct Divert {
            XmlBinder& binder;
            ~Divert() { binder.divertEntries(nullptr, nullptr); }
        } const divert{m_binder};
        m_binder.divertEntries([](void* context, void* records) { (*static_cast<Call*>(context))(records); }, &call);
        return readFrom<Request>(input);
    }

    XmlReader m_reader;
    XmlBinder m_binder;
    Root m_root;
    bool m_reading = false;
};

}  // namespace Kestrune::Soa::Common::Xml
