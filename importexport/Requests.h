#pragma once

// The messages a client sends, as a type of their own, and the message that
// answers each: what a server reads and what it writes back.
//
// The 2008-06 schema declares no response to its import and export
// requests: what they ask for (the objects an import made, the tickets of
// the files an export wrote, and the call's service data) is what the
// 2007-06 responses hold, and those answer them.

#include "importexport/AnyMessage.h"

#include <istream>
#include <optional>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

namespace Kestrune::Soa::Common::Xml {

namespace Detail {

template <class Listed, MessageRole Role>
struct VariantOfRole;
template <class... Listed, MessageRole Role>
struct VariantOfRole<std::tuple<Listed...>, Role> {
    using type = typename VariantOfListed<decltype(std::tuple_cat(
        std::declval<std::conditional_t<Listed::role == Role, std::tuple<Listed>, std::tuple<>>>()...))>::type;
};

}  // namespace Detail

/// One request of either version: the five messages a client sends, in the
/// order of MessageTypes. Visit it (std::visit), or ask for one type.
using AnyRequest = Detail::VariantOfRole<MessageTypes, MessageRole::Request>::type;

/// Each request paired with the response that answers it.
using Answers = std::tuple<std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput,
                                     Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationResponse>,
                           std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput,
                                     Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse>,
                           std::pair<Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInput,
                                     Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationResponse>,
                           std::pair<Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput,
                                     Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse>,
                           std::pair<Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplatesInput,
                                     Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplateResponse>>;

namespace Detail {

template <class Request, class Pairs>
struct AnswersTo;
template <class Request, class... Pairs>
struct AnswersTo<Request, std::tuple<Pairs...>> {
    using type = decltype(std::tuple_cat(
        std::declval<std::conditional_t<std::is_same_v<Request, typename Pairs::first_type>,
                                        std::tuple<typename Pairs::second_type>, std::tuple<>>>()...));
};

}  // namespace Detail

/// The response that answers Request, one of the five requests.
template <class Request>
struct ResponseTo {
    using Found = typename Detail::AnswersTo<Request, Answers>::type;
    static_assert(std::tuple_size_v<Found> == 1, "ResponseTo<Request>: Request is one of the five requests");
    using type = std::tuple_element_t<0, Found>;
};
template <class Request>
using ResponseOf = typename ResponseTo<Request>::type;

/// The type of the response that answers the request `request` holds.
KXSOAIMPORTEXPORT_EXPORT MessageTypeInfo const& responseType(AnyRequest const& request);

/// The request, of either version, that the text holds, read with `reader`
/// as readAny() reads a message. A root that is no request's (a response, a
/// record, another namespace) is refused with the root's namespace, name,
/// line, column and path, and the requests that are accepted.
KXSOAIMPORTEXPORT_EXPORT AnyRequest readRequest(MessageReader& reader, std::string_view xml);
KXSOAIMPORTEXPORT_EXPORT AnyRequest readRequest(MessageReader& reader, std::istream& in);
/// The next request on `source`, returned as soon as its root element ends
/// (a server's read of a connection); none when the input ends before
/// another message begins. Refused as readRequest() refuses a root: such a
/// message is read to its end, and the next one can be read.
KXSOAIMPORTEXPORT_EXPORT std::optional<AnyRequest> readNextRequest(MessageReader& reader, XmlMessageSource& source);

/// The same, the records handed on one by one as readEach() hands them:
/// `onRecord` takes the record of each of the five requests (a generic
/// lambda, say).
template <class OnRecord>
AnyRequest readEachRequest(MessageReader& reader, std::istream& in, OnRecord&& onRecord) {
    return reader.readEachOneOf<AnyRequest>(in, std::forward<OnRecord>(onRecord));
}
template <class OnRecord>
AnyRequest readEachRequest(MessageReader& reader, std::string_view xml, OnRecord&& onRecord) {
    return reader.readEachOneOf<AnyRequest>(xml, std::forward<OnRecord>(onRecord));
}

}  // namespace Kestrune::Soa::Common::Xml
