#pragma once

#include "host/Export.h"

#include <string>

namespace Kestrune::Soa::Common::Exceptions {

// The error of everything XML in the framework: an element that a type does
// not accept, a document that is not well-formed, a string that XML cannot
// carry, a text that is not a boolean. Thrown by value; it has no base class,
// so catch it by its own name.
class KXSOACOMMON_EXPORT DomException {
public:
    explicit DomException(std::string const& message);

    // The whole message, meant for a person: what went wrong and where.
    std::string const& getMessage() const noexcept { return m_message; }

private:
    std::string m_message;
};

}  // namespace Kestrune::Soa::Common::Exceptions
