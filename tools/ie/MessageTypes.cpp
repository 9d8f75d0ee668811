#include "MessageTypes.h"

#include "host/DomException.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"
#include "xml/Sample.h"

#include <memory>
#include <variant>

namespace kxsoa_ie {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::isRequest;
using Kestrune::Soa::Common::Xml::makeSample;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::messageType;
using Kestrune::Soa::Common::Xml::MessageTypeInfo;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::ReadPolicy;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

template <class Message>
std::string sample(MessageType const& type, std::size_t entries) {
    return writeMessage(makeSample<Message>(entries), type.name);
}

template <class Message>
Bound bind(XMLNode const& root) {
    auto message = std::make_shared<Message>();
    message->parse(root);
    return {writeMessage(*message, std::string(root.name)), message->dump(), message};
}

template <class Message>
Bound written(Message const& message) {
    return {writeMessage(message, messageType<Message>().name), message.dump(), nullptr};
}

template <class Message>
Bound read(std::istream& in, MessageReader& reader, bool keep) {
    if constexpr (isRequest<Message>) {
        if (!keep) {
            reader.readEach<Message>(in, [](auto const&) {});
            return {};
        }
    }
    Message const message = reader.read<Message>(in);
    return keep ? written(message) : Bound();
}

template <class Message>
void validate(std::istream& in, MessageReader& reader) {
    reader.validate<Message>(in);
}

template <class Message>
std::vector<std::string> differences(Bound const& a, Bound const& b) {
    return static_cast<Message const*>(a.message.get())->differences(*static_cast<Message const*>(b.message.get()));
}

template <class Message>
RoundTrip roundTrip(MessageType const& type, std::size_t entries) {
    Message const original = makeSample<Message>(entries);
    RoundTrip result;
    result.first = writeMessage(original, type.name);
    Message const copy = readMessage<Message>(result.first);
    result.second = writeMessage(copy, type.name);
    result.difference = original.difference(copy);
    try {
        MessageReader(XmlReadLimits(), ReadPolicy::Validate).read<Message>(result.first);
    } catch (DomException const& e) {
        result.invalid = e.what();
    }
    return result;
}

template <class Message>
MessageType entry(MessageTypeInfo const& info) {
    return {info,
            &sample<Message>,
            &bind<Message>,
            &read<Message>,
            &validate<Message>,
            &roundTrip<Message>,
            &differences<Message>};
}

}  // namespace

std::vector<MessageType> const& messageTypes() {
    static std::vector<MessageType> const types = [] {
        std::vector<MessageType> all;
        Kestrune::Soa::Common::Xml::forEachMessageType([&all](auto listed) {
            all.push_back(entry<typename decltype(listed)::Type>(Kestrune::Soa::Common::Xml::messageType(all.size())));
        });
        return all;
    }();
    return types;
}

Bound readTypeOfRoot(std::istream& in, MessageReader& reader, bool keep, MessageType const*& type) {
    Bound bound;
    AnyMessage const message = keep ? readAny(reader, in) : readEachAny(reader, in, [](auto const&) {});
    type = &messageTypes().at(message.index());
    if (keep) bound = std::visit([](auto const& read) { return written(read); }, message);
    return bound;
}

MessageType const* findMessageType(std::string_view name, std::string& error) {
    std::vector<MessageType const*> found;
    for (MessageType const& type : messageTypes()) {
        if (name == type.fullName() || name == type.name) found.push_back(&type);
    }
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        error = "unknown type \"" + std::string(name) + "\" (kxsoa-ie types lists the fifteen)";
    } else {
        error = "type \"" + std::string(name) + "\" is in both versions: say ";
        for (MessageType const* type : found) error += type->fullName() + (type == found.back() ? "" : " or ");
    }
    return nullptr;
}

}  // namespace kxsoa_ie
