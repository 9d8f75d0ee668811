#pragma once

// A DomException as the tests compare it, on one line: its kind, its line
// and column when it has them, and its message.

#include "host/DomException.h"

#include <functional>
#include <string>

namespace kxsoa_test {

// "KIND at line L, column C: MESSAGE", or "KIND: MESSAGE" when the error has no place.
inline std::string refusalText(Kestrune::Soa::Common::Exceptions::DomException const& e) {
    std::string text = Kestrune::Soa::Common::Exceptions::kindName(e.kind());
    if (e.line() > 0) text += " at line " + std::to_string(e.line()) + ", column " + std::to_string(e.column());
    return text + ": " + e.getMessage();
}

// The same of the DomException that `action` throws, or "(no DomException)".
inline std::string refusalThrownBy(std::function<void()> const& action) {
    try {
        action();
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        return refusalText(e);
    }
    return "(no DomException)";
}

}  // namespace kxsoa_test
