#include "host/DomException.h"

namespace Kestrune::Soa::Common::Exceptions {

DomException::DomException(std::string const& message) : m_message(message) {}

DomException::DomException(std::string const& message, std::size_t line, std::size_t column)
    : m_message(message), m_line(line), m_column(column) {}

}  // namespace Kestrune::Soa::Common::Exceptions
