#include "host/DomException.h"

namespace Kestrune::Soa::Common::Exceptions {

char const* kindName(ErrorKind kind) noexcept {
    switch (kind) {
        case ErrorKind::Unreadable:
            return "unreadable";
        case ErrorKind::Encoding:
            return "encoding";
        case ErrorKind::Limit:
            return "limit";
        case ErrorKind::NotWellFormed:
            return "not well-formed";
        case ErrorKind::Unsupported:
            return "unsupported";
        case ErrorKind::WrongRoot:
            return "wrong root";
        case ErrorKind::Unexpected:
            return "unexpected";
        case ErrorKind::Invalid:
            return "invalid";
        case ErrorKind::Value:
            return "value";
        case ErrorKind::Unwritable:
            return "unwritable";
        case ErrorKind::Unmatched:
            return "unmatched";
        case ErrorKind::Misuse:
            break;
    }
    return "misuse";
}

DomException::DomException(std::string const& message, ErrorKind kind) : m_first{kind, message, 0, 0, {}} {
    describe();
}

DomException::DomException(std::string const& message, std::size_t line, std::size_t column, ErrorKind kind)
    : m_first{kind, message, line, column, {}} {
    describe();
}

DomException::DomException(std::vector<XmlError> errors)
    : m_first(errors.empty() ? XmlError{} : std::move(errors.front())) {
    if (errors.size() > 1)
        m_more.assign(std::make_move_iterator(errors.begin() + 1), std::make_move_iterator(errors.end()));
    describe();
}

std::vector<XmlError> DomException::errors() const {
    std::vector<XmlError> all;
    all.reserve(1 + m_more.size());
    all.push_back(m_first);
    all.insert(all.end(), m_more.begin(), m_more.end());
    return all;
}

void DomException::setPlace(std::size_t line, std::size_t column) {
    m_first.line = line;
    m_first.column = column;
    describe();
}

void DomException::setPath(std::string path) {
    m_first.path = std::move(path);
    describe();
}

// "MESSAGE (line L, column C, at PATH); N more errors", what is not known left out.
void DomException::describe() {
    std::string place;
    auto const add = [&place](std::string const& part) { place += (place.empty() ? " (" : ", ") + part; };
    if (m_first.line > 0) add("line " + std::to_string(m_first.line));
    if (m_first.column > 0) add("column " + std::to_string(m_first.column));
    if (!m_first.path.empty()) add("at " + m_first.path);
    m_what = m_first.message + (place.empty() ? place : place + ')');
    if (!m_more.empty())
        m_what += "; " + std::to_string(m_more.size()) + (m_more.size() == 1 ? " more error" : " more errors");
}

}  // namespace Kestrune::Soa::Common::Exceptions
