#pragma once

#include "host/DomException.h"
#include "host/XmlBinder.h"
#include "host/XmlReader.h"
#include "xml/Handle.h"
#include "xml/OneOf.h"
#include "xml/ReadOptions.h"
#include "xml/Request.h"

#include <cstddef>
#include <functional>
#include <istream>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace Kestrune::Soa::Common::Xml {

namespace Detail {

/// Reads one document with `reader`, its events going to `events` (the
/// binder itself, or what hands them on to it): the binder's read ends with
/// finish(), or with abandon() when the text could not be read.
template <class Input>
void readBound(XmlReader& reader, XmlBinder& binder, Input& input, XmlEventHandler& events) {
    try {
        reader.read(input, events);
    } catch (...) {
        binder.abandon();
        throw;
    }
    binder.finish();
}

/// When it goes, the binder stops handing records on (divertEntries), however
/// the read ended.
struct StopDiverting {
    XmlBinder& binder;
    ~StopDiverting() { binder.divertEntries(nullptr, nullptr); }
};

}  // namespace Detail

/// Reads messages straight from their text into message objects, without
/// building a tree: the reader's events drive the message type's member
/// table directly. A read gives exactly what parse(XmlDocument::parse(text,
/// limits).root()) on a new message gives: the same values, the same errors
/// (messages, lines, columns, and the paths of those that the message refuses),
/// the same probes and the same allocations through the
/// memory manager, within the same limits (a text that is not well-formed
/// fails with the reader's error even when an element the type does not
/// accept comes before the fault).
///
/// What the reader keeps from one message to the next (the parser's context,
/// the room its lists started with) is a cache: it changes no outcome, and it
/// is bounded by maxKeptBytes() (see XmlReader). A reader reads one message
/// at a time: not from two threads at once (give each thread its own reader),
/// and not from its own readEach callback, where a read is refused with a
/// DomException before it changes anything (the outer read then fails with
/// that exception, unless the callback catches it and goes on).
class MessageReader {
public:
    /// A reader within `limits` that reads as `options` say: by default
    /// leniently, and a message of a known type only from its own root
    /// element (in its namespace, named after it).
    explicit MessageReader(XmlReadLimits const& limits = {}, ReadOptions options = {})
        : m_reader(limits), m_options(std::move(options)) {}

    /// How it reads: the policy, the root of a read of a known type, and the
    /// most errors a validating read reports.
    ReadOptions const& options() const noexcept { return m_options; }
    void setOptions(ReadOptions options) { m_options = std::move(options); }

    XmlReadLimits const& limits() const noexcept { return m_reader.limits(); }

    /// The message of type Message (any paired class) that the text holds.
    template <class Message>
    Message read(std::string_view xml) {
        return readFrom<Message>(xml);
    }
    /// The same from a stream, read no further than the parser has got.
    template <class Message>
    Message read(std::istream& in) {
        return readFrom<Message>(in);
    }

    /// Holds the text to the schemas as read<Message>() holds it with
    /// ReadPolicy::Validate, whatever this reader's policy, and builds
    /// nothing: throws what that read throws (every error, with its place
    /// and path), and returns when the text is a valid Message. A request of
    /// any size is checked in the memory of the parser's window.
    template <class Message>
    void validate(std::string_view xml) {
        validateFrom<Message>(xml);
    }
    template <class Message>
    void validate(std::istream& in) {
        validateFrom<Message>(in);
    }

    /// The next message of `source`, of type Message, read as read<Message>()
    /// reads it and returned as soon as its root element ends; none when the
    /// input ends before another message begins (XmlMessageSource says what
    /// frames a message, and what a refusal leaves to read).
    template <class Message>
    std::optional<Message> readNext(XmlMessageSource& source) {
        if (source.atEnd()) return std::nullopt;
        return readFrom<Message>(source);
    }

    /// For a request (a type with records: getInputArray()): each record is
    /// handed to `onRecord` (any callable taking `Record const&`) as soon as
    /// its element ends, and is not kept in the request, so that a request of
    /// any size is read in the memory of one record and the parser's window.
    /// Returns the request without its records. A record whose element has
    /// not ended when the read fails is not handed on.
    template <class Request, class OnRecord>
    Request readEach(std::istream& in, OnRecord&& onRecord) {
        return readEachFrom<Request>(in, onRecord);
    }
    template <class Request, class OnRecord>
    Request readEach(std::string_view xml, OnRecord&& onRecord) {
        return readEachFrom<Request>(xml, onRecord);
    }

    // ---- One of several types: the type told by the root element (OneOf.h) ----

    /// The message that the text holds, of the alternative of Variant (a
    /// std::variant of paired classes) that its root names: its namespace
    /// gives the version and its local name the type. Read as read<Type>()
    /// reads it: the same values, limits, errors and probes. A root that
    /// names none is refused as rootAlternative() refuses it, with the
    /// root's line, column and path (after the text: a text that turns out
    /// to be broken fails with the reader's error).
    template <class Variant>
    Variant readOneOf(std::string_view xml) {
        return readOneOfFrom<Variant>(xml, nullptr, nullptr);
    }
    template <class Variant>
    Variant readOneOf(std::istream& in) {
        return readOneOfFrom<Variant>(in, nullptr, nullptr);
    }
    /// The next message of `source`, of the alternative of Variant its root
    /// names, as readNext() reads one; none at the input's end.
    template <class Variant>
    std::optional<Variant> readNextOneOf(XmlMessageSource& source) {
        if (source.atEnd()) return std::nullopt;
        return readOneOfFrom<Variant>(source, nullptr, nullptr);
    }
    /// The same, a request's records handed on one by one as readEach() hands
    /// them: `onRecord` takes the record of any request among the
    /// alternatives (a generic lambda, say); any other message is read whole.
    template <class Variant, class OnRecord>
    Variant readEachOneOf(std::istream& in, OnRecord&& onRecord) {
        return readOneOfFrom<Variant>(in, recordSinks<Variant, std::remove_reference_t<OnRecord>>(),
                                      handlerOf(onRecord));
    }
    template <class Variant, class OnRecord>
    Variant readEachOneOf(std::string_view xml, OnRecord&& onRecord) {
        return readOneOfFrom<Variant>(xml, recordSinks<Variant, std::remove_reference_t<OnRecord>>(),
                                      handlerOf(onRecord));
    }

    /// Holds the text to the schemas as validate<Type>() does, of the
    /// alternative of Variant that its root names (refused as readOneOf()
    /// refuses a root that names none); returns that alternative's index.
    template <class Variant>
    std::size_t validateOneOf(std::string_view xml) {
        return validateOneOfFrom<Variant>(xml);
    }
    template <class Variant>
    std::size_t validateOneOf(std::istream& in) {
        return validateOneOfFrom<Variant>(in);
    }

    /// What the reader holds now beyond a fresh one, in bytes, and the bound
    /// on it after a message (XmlReader::kDefaultMaxKeptBytes unless set).
    std::size_t keptBytes() const noexcept { return m_reader.keptBytes() + m_binder.keptBytes(); }
    void setMaxKeptBytes(std::size_t bytes) noexcept { m_reader.setMaxKeptBytes(bytes); }
    std::size_t maxKeptBytes() const noexcept { return m_reader.maxKeptBytes(); }

private:
    // ---- One of several types ----

    using RecordSink = Detail::RecordSink;
    template <class Handler, class Records>
    static void handOn(void* handler, void* records) {
        std::invoke(*static_cast<Handler*>(handler), static_cast<Records*>(records)->back());
    }
    template <class Handler>
    static void* handlerOf(Handler& handler) noexcept {
        return const_cast<void*>(static_cast<void const*>(&handler));  // handOn gives it back its constness
    }
    /// The sink of each alternative of Variant: null for those that are no requests.
    template <class Variant, class Handler, std::size_t... I>
    static RecordSink const* recordSinks(std::index_sequence<I...>) {
        static RecordSink const sinks[] = {sinkOf<Handler, std::variant_alternative_t<I, Variant>>()...};
        return sinks;
    }
    template <class Variant, class Handler>
    static RecordSink const* recordSinks() {
        return recordSinks<Variant, Handler>(std::make_index_sequence<std::variant_size_v<Variant>>());
    }
    template <class Handler, class Message>
    static constexpr RecordSink sinkOf() {
        if constexpr (!isRequest<Message>) {
            return nullptr;
        } else if constexpr (std::is_invocable_v<Handler&, RecordOf<Message>&>) {
            return &handOn<Handler, RecordsOf<Message>>;
        } else {
            static_assert(std::is_invocable_v<Handler&, RecordOf<Message>&>,
                          "the record handler of readEachOneOf (readEachAny, readEachRequest) takes the record of "
                          "every request it may read: make it a generic lambda ([](auto const& record) {...}) or "
                          "overload it for each record type (the requirement shown with this error names the record "
                          "it does not take)");
            return nullptr;
        }
    }

    template <class Variant, class Input>
    Variant readOneOfFrom(Input& input, RecordSink const* sinks, void* handler) {
        Reading const reading(*this);
        std::optional<Variant> message;
        XmlBinder::Options const options = m_options.binderOptions(nullptr);
        Detail::readOneOf(m_reader, m_binder, options, input, alternativesOf<Variant>(), &message, sinks, handler);
        return std::move(*message);
    }

    template <class Variant, class Input>
    std::size_t validateOneOfFrom(Input& input) {
        Reading const reading(*this);
        return Detail::validateOneOf(m_reader, m_binder, m_options.binderOptions(nullptr), input,
                                     alternativesOf<Variant>());
    }

    // ---- Messages of a known type ----

    void refuseIfReading() const {
        if (!m_reading) return;
        throw Exceptions::DomException(
            "MessageReader: a read was started while this reader is reading (from its own callback); a reader "
            "reads one message at a time: read the inner message with a reader of its own",
            Exceptions::ErrorKind::Misuse);
    }

    /// One read, from start to end: a read started while it lasts (from a
    /// callback) is refused, and what the binder keeps past the bound is
    /// released when it ends.
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
        XmlElementType const& type = ImplOf<Message>::xmlElementType();
        m_binder.readInto(object, type, m_options.binderOptions(type.rules), m_reader.nameNumbering());
        Detail::readBound(m_reader, m_binder, input, m_binder);
        return message;
    }

    template <class Message, class Input>
    void validateFrom(Input& input) {
        Reading const reading(*this);
        XmlElementType const& type = ImplOf<Message>::xmlElementType();
        m_binder.validate(type, m_options.binderOptions(type.rules), m_reader.nameNumbering());
        Detail::readBound(m_reader, m_binder, input, m_binder);
    }

    template <class Request, class Input, class OnRecord>
    Request readEachFrom(Input& input, OnRecord& onRecord) {
        refuseIfReading();  // before the outer read's callback is replaced
        using Records = RecordsOf<Request>;
        // Whatever the callable is (a lambda, const or not, a function, a
        // pointer to one), it is called through a local of known type.
        auto call = [&onRecord](void* records) { std::invoke(onRecord, static_cast<Records*>(records)->back()); };
        using Call = decltype(call);
        Detail::StopDiverting const stop{m_binder};
        m_binder.divertEntries([](void* context, void* records) { (*static_cast<Call*>(context))(records); }, &call);
        return readFrom<Request>(input);
    }

    XmlReader m_reader;
    XmlBinder m_binder;
    ReadOptions m_options;
    bool m_reading = false;
};

}  // namespace Kestrune::Soa::Common::Xml
