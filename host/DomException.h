#pragma once

#include "host/Export.h"

#include <cstddef>
#include <string>

namespace Kestrune::Soa::Common::Exceptions {

// The error of everything XML in the framework: an element that a type does
// not accept, a document that is not well-formed, a string that XML cannot
// carry, a text that is not a boolean. Thrown by value; it has no base class,
// so catch it by its own name.
class KXSOACOMMON_EXPORT DomException {
public:
    explicit DomException(std::string const& message);
    // An error at `line` (1-based) of the XML text being read.
    DomException(std::string const& message, std::size_t line);

    // The whole message, meant for a person: what went wrong and where.
    std::string const& getMessage() const noexcept { return m_message; }

    // The line of the XML text where the error was found (for a binding error,
    // the line of the element that was not accepted); 0 when it is not known,
    // as for errors in writing or in converting a value.
    std::size_t line() const noexcept { return m_line; }

private:
    std::string m_message;
    std::size_t m_line = 0;
};

}  // namespace Kestrune::Soa::Common::Exceptions
