#pragma once

// What makes a message a request: a list of records (getInputArray()).
// RequestWriter writes a request record by record, MessageReader::readEach
// reads one so, and carry() pairs the records of paired requests.

#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

/// The list of records of a request type, and one record.
template <class Request>
using RecordsOf = std::decay_t<decltype(std::declval<Request const&>().getInputArray())>;
template <class Request>
using RecordOf = typename RecordsOf<Request>::value_type;

/// True for the request types, the messages with records.
template <class Message, class = void>
constexpr bool isRequest = false;
template <class Message>
constexpr bool isRequest<Message, std::void_t<RecordsOf<Message>>> = true;

}  // namespace Kestrune::Soa::Common::Xml
