#pragma once

#include "host/Export.h"

#include <cstddef>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Exceptions {

/// What kind of failure an error is: what a program acts on (read the input
/// again, send another encoding, raise a limit, fix the text, ask for another
/// message type, fix the call). A person reads the message.
enum class ErrorKind : unsigned char {
    Unreadable,     ///< the input could not be read: a stream or a file failed
    Encoding,       ///< an encoding that is refused, or bytes that are not text in theirs
    Limit,          ///< a limit of XmlReadLimits (or of a writer or reader) was passed
    NotWellFormed,  ///< the text is not well-formed XML, or not namespace-well-formed
    Unsupported,    ///< well-formed XML that is not read by choice: a document type declaration
    WrongRoot,      ///< the root element is not the message asked for
    Unexpected,     ///< content that the type does not take: a child element it has no member for
    Invalid,        ///< content that the published schemas refuse (a validating read)
    Value,          ///< a value that is not of its type: a text that is no boolean
    Unwritable,     ///< a name or a value that XML cannot carry, refused by the writer
    Unmatched,      ///< values that the type carried into has no member for
    Misuse,         ///< a call out of order: a read from a reader's own callback, a writer not open
};

/// The kind's name in words: "unreadable", "encoding", "limit", "not
/// well-formed", "unsupported", "wrong root", "unexpected", "invalid",
/// "value", "unwritable", "unmatched", "misuse".
KXSOACOMMON_EXPORT char const* kindName(ErrorKind kind) noexcept;

/// Whether an error of kind `kind` refuses the text itself, as not XML that
/// the reader reads (it could not be read, its encoding, a limit, not
/// well-formed, a document type declaration), before any type saw it; the
/// other kinds are about what the text holds, or about a call.
constexpr bool refusesTheText(ErrorKind kind) noexcept {
    return kind == ErrorKind::Unreadable || kind == ErrorKind::Encoding || kind == ErrorKind::Limit ||
           kind == ErrorKind::NotWellFormed || kind == ErrorKind::Unsupported;
}

/// One error of a document, and where it was found (see DomException).
struct XmlError {
    ErrorKind kind = ErrorKind::Unexpected;
    std::string message;  ///< what went wrong, without its place
    std::size_t line = 0;
    std::size_t column = 0;
    std::string path;
};

/// The error of everything XML in the framework: a text that cannot be read,
/// a document that is not well-formed or is past a limit, an element that a
/// type does not accept, content that the schemas refuse, a string that XML
/// cannot carry, a text that is not a boolean. Thrown by value; catch it by
/// its own name or as a std::exception.
///
/// A read that validates finds every error of a message in one pass and
/// throws once: errors() lists them all, in the order of the text; the
/// exception's own kind, message and place are the first one's.
class KXSOACOMMON_EXPORT DomException : public std::exception {
public:
    /// An error of kind `kind` whose place is not known (yet).
    explicit DomException(std::string const& message, ErrorKind kind = ErrorKind::Unexpected);
    /// An error at `line` (1-based) of the XML text being read, and at
    /// `column` of it when known.
    DomException(std::string const& message, std::size_t line, std::size_t column = 0,
                 ErrorKind kind = ErrorKind::Unexpected);
    /// The errors of one message, the first one's kind, message and place the
    /// exception's own; `errors` must not be empty.
    explicit DomException(std::vector<XmlError> errors);

    /// What went wrong, for a person, without its place: getMessage() with the
    /// place after it, as "MESSAGE (line L, column C, at PATH)", leaving out
    /// what is not known; with "; N more errors" at its end when errors()
    /// holds more than one.
    char const* what() const noexcept override { return m_what.c_str(); }

    ErrorKind kind() const noexcept { return m_first.kind; }

    /// What went wrong, without its place.
    std::string const& getMessage() const noexcept { return m_first.message; }

    /// The line of the XML text where the error was found (for an error about
    /// an element, the line of its start tag); 0 when it is not known, as for
    /// errors in writing or in converting a value.
    std::size_t line() const noexcept { return m_first.line; }
    /// The column on that line, in characters from 1, as the reader counts
    /// them (for an element, the end of its start tag); 0 when not known.
    std::size_t column() const noexcept { return m_first.column; }

    /// The element where the error was found, as a path from the root
    /// element: each step is an element's local name, followed by [n] when
    /// the element is the n-th of its name in its parent (counted from 1, as
    /// XPath counts); "@name" last for an attribute. For example
    /// "/ExportToApplicationInput/inputs[3]/objectTemplateOverride[2]" or
    /// "/GetExportTemplatesInput/filter/@getSpecTemplates". Read into a
    /// message, the entries of its lists are numbered (the steps of other
    /// elements have no number, nor have those that a MessageReader reads
    /// past a refused one, on to the end of the text); read into a tree,
    /// every element but the root is. A refusal of the text has the path of
    /// the element the reader was in (a start tag refused before its element
    /// opens: the element around it). Empty when not known: errors that are
    /// not about a document being read, refusals before the root's start tag
    /// (the text's size, its encoding), a document read by a caller's
    /// XmlEventHandler that gives none.
    std::string const& path() const noexcept { return m_first.path; }

    /// Every error of the message, the first one first: one entry, this
    /// exception's own, unless a validating read found more.
    std::vector<XmlError> errors() const;

    /// Where the error is: set by what reads the document, which knows it
    /// when the code that throws does not.
    void setPlace(std::size_t line, std::size_t column);
    void setPath(std::string path);

private:
    void describe();

    XmlError m_first;
    std::vector<XmlError> m_more;  ///< the errors after the first
    std::string m_what;
};

}  // namespace Kestrune::Soa::Common::Exceptions
