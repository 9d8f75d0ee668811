#include "importexport/AnyMessage.h"

#include "xml/internal/TypeMembers.h"

#include <array>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

namespace {

constexpr std::size_t typeCount = std::tuple_size_v<MessageTypes>;

template <std::size_t... I>
std::array<MessageTypeInfo, typeCount> infos(std::index_sequence<I...>) {
    OneOfAlternatives const& alternatives = alternativesOf<AnyMessage>();
    auto const info = [&](std::size_t index, MessageRole role) {
        TypeMembers const& type = alternatives.first[index].members();
        return MessageTypeInfo{type.version, type.name, type.namespaceURI, role};
    };
    return {info(I, std::tuple_element_t<I, MessageTypes>::role)...};
}

std::array<MessageTypeInfo, typeCount> const& infos() {
    static auto const all = infos(std::make_index_sequence<typeCount>());
    return all;
}

}  // namespace

char const* roleName(MessageRole role) {
    switch (role) {
        case MessageRole::Record:
            return "record";
        case MessageRole::Request:
            return "request";
        case MessageRole::Response:
            return "response";
        case MessageRole::Override:
            return "override";
        case MessageRole::Filter:
            return "filter";
        case MessageRole::ConfiguredTemplate:
            return "configured template";
    }
    return "";
}

MessageTypeInfo const& messageType(std::size_t index) { return infos().at(index); }

char const* schemaVersionOf(std::string_view namespaceURI) {
    for (MessageTypeInfo const& type : infos())
        if (namespaceURI == type.namespaceURI) return type.version;
    return nullptr;
}

std::size_t messageIndex(std::string_view namespaceURI, std::string_view localName) {
    return rootAlternative(alternativesOf<AnyMessage>(), namespaceURI, localName);
}

AnyMessage readAny(MessageReader& reader, std::string_view xml) { return reader.readOneOf<AnyMessage>(xml); }

AnyMessage readAny(MessageReader& reader, std::istream& in) { return reader.readOneOf<AnyMessage>(in); }

MessageTypeInfo const& validateAny(MessageReader& reader, std::string_view xml) {
    return messageType(reader.validateOneOf<AnyMessage>(xml));
}

MessageTypeInfo const& validateAny(MessageReader& reader, std::istream& in) {
    return messageType(reader.validateOneOf<AnyMessage>(in));
}

std::optional<AnyMessage> readNextAny(MessageReader& reader, XmlMessageSource& source) {
    return reader.readNextOneOf<AnyMessage>(source);
}

AnyMessage parseAnyMessage(XMLNode const& element) { return parseOneOf<AnyMessage>(element); }

}  // namespace Kestrune::Soa::Common::Xml
