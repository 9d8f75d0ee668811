#pragma once

#include "host/Export.h"

#include <cstddef>
#include <string>
#include <utility>

namespace Kestrune::Soa::Common::Exceptions {

// The error of everything XML in the framework: an element that a type does
// not accept, a document that is not well-formed, a string that XML cannot
// carry, a text that is not a boolean. Thrown by value; it has no base class,
// so catch it by its own name.
class KXSOACOMMON_EXPORT DomException {
public:
    explicit DomException(std::string const& message);
    // An error at `line` (1-based) of the XML text being read, and at
    // `column` of it when known.
    DomException(std::string const& message, std::size_t line, std::size_t column = 0);

    // The whole message, meant for a person: what went wrong and where.
    std::string const& getMessage() const noexcept { return m_message; }

    // The line of the XML text where the error was found (for a binding error,
    // the line of the element that was not accepted); 0 when it is not known,
    // as for errors in writing or in converting a value.
    std::size_t line() const noexcept { return m_line; }
    // The column on that line, in characters from 1, as the reader counts
    // them (for an element, the end of its start tag); 0 when not known.
    std::size_t column() const noexcept { return m_column; }

    // The element where the error was found, as a path from the root
    // element: each step is an element's local name, followed by [n] when
    // the element is the n-th of its name in its parent (counted from 1, as
    // XPath counts); "@name" last for an attribute. For example
    // "/ExportToApplicationInput/inputs[3]/objectTemplateOverride[2]" or
    // "/GetExportTemplatesInput/filter/@getSpecTemplates". Read into a
    // message, the entries of its lists are numbered (the steps of other
    // elements have no number, nor have those that a MessageReader reads
    // past a refused one, on to the end of the text); read into a tree,
    // every element but the root is. A refusal of the text has the path of
    // the element the reader was in (a start tag refused before its element
    // opens: the element around it). Empty when not known: errors that are
    // not about a document being read, refusals before the root's start tag
    // (the text's size, its encoding), a document read by a caller's
    // XmlEventHandler that gives none.
    std::string const& path() const noexcept { return m_path; }

    // Where the error is: set by what reads the document, which knows it
    // when the code that throws does not.
    void setPlace(std::size_t line, std::size_t column) noexcept {
        m_line = line;
        m_column = column;
    }
    void setPath(std::string path) noexcept { m_path = std::move(path); }

private:
    std::string m_message;
    std::size_t m_line = 0;
    std::size_t m_column = 0;
    std::string m_path;
};

}  // namespace Kestrune::Soa::Common::Exceptions
