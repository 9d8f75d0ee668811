#include "importexport/Requests.h"

namespace Kestrune::Soa::Common::Xml {

MessageTypeInfo const& responseType(AnyRequest const& request) {
    return std::visit(
        [](auto const& held) -> MessageTypeInfo const& {
            return messageType<ResponseOf<std::decay_t<decltype(held)>>>();
        },
        request);
}

AnyRequest readRequest(MessageReader& reader, std::string_view xml) { return reader.readOneOf<AnyRequest>(xml); }

AnyRequest readRequest(MessageReader& reader, std::istream& in) { return reader.readOneOf<AnyRequest>(in); }

std::optional<AnyRequest> readNextRequest(MessageReader& reader, XmlMessageSource& source) {
    return reader.readNextOneOf<AnyRequest>(source);
}

}  // namespace Kestrune::Soa::Common::Xml
