#include "host/DomException.h"

namespace Kestrune::Soa::Common::Exceptions {

DomException::DomException(std::string const& message) : m_message(message) {}

}  // namespace Kestrune::Soa::Common::Exceptions
