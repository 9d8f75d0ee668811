#pragma once

// The parser: libxml2's SAX2 interface over a TextInput, with the limits that
// are checked on its events (depth, distinct names, memory per byte), its
// errors turned into exceptions, and its events passed to a handler.

#include "host/XmlReadLimits.h"
#include "host/reader/NameTable.h"
#include "host/reader/TextInput.h"
#include "host/XmlEvents.h"

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

// libxml2's types, without its headers.
struct _xmlParserCtxt;
struct _xmlError;

namespace Kestrune::Soa::Common::Xml::Reader {

class XmlEventReader {
public:
    XmlEventReader(XmlReadLimits const& limits, std::size_t maxKeptBytes);
    XmlEventReader(XmlEventReader const&) = delete;
    XmlEventReader& operator=(XmlEventReader const&) = delete;
    ~XmlEventReader();

    // Reads the whole of `input` as one document and reports its elements
    // to `handler`. The first failure (a refusal, a syntax error, an
    // exception of the handler) stops the parser and is thrown once control
    // is back here; a DomException names the line and column. May be called
    // again for the next document: the parser's context is kept, unless what
    // it holds has passed maxKeptBytes. A read started while one is in
    // progress (from a handler) is refused at once and changes nothing.
    void read(TextInput& input, XmlEventHandler& handler);

    // Memory held from one document to the next beyond a fresh reader's: the
    // parser's dictionary of names and its tables, and the reader's own.
    std::size_t keptBytes() const noexcept;
    void setMaxKeptBytes(std::size_t bytes) noexcept { m_maxKeptBytes = bytes; }
    std::size_t maxKeptBytes() const noexcept { return m_maxKeptBytes; }

private:
    // What the elements may need before XmlReadLimits::maxTreeBytesPerByte applies.
    static constexpr std::size_t kFreeTreeBytes = std::size_t{64} * 1024;
    enum class Halt { Stop, Silence, Nothing };
    class ErrorHandlers;

    void startContext();
    void finishDocument() noexcept;
    void fail(std::exception_ptr failure, Halt halt) noexcept;
    void refuse(char const* reason) noexcept;
    TextPlace here() const;
    XmlName name(unsigned char const* text);
    // The length of a name met before, from the table; of another, counted.
    std::size_t lengthOf(unsigned char const* text) const;
    // A name as written, its prefix (if any), a colon and its local part,
    // and a namespace URI, each within XmlReadLimits::maxNameBytes.
    void checkName(std::size_t prefixLength, std::size_t localLength) const {
        if ((prefixLength == 0 ? localLength : prefixLength + 1 + localLength) > m_limits.maxNameBytes) refuseName();
    }
    [[noreturn]] void refuseName() const;
    void checkURI(std::size_t length) const;
    void charge(std::size_t bytes);
    int pull(char* buffer, int size);
    void startElement(unsigned char const* localName, unsigned char const* prefix, unsigned char const* uri,
                      int namespaceCount,
                      unsigned char const** namespaces, int attributeCount, unsigned char const** attributes);
    void parseError(_xmlError const& error, Halt halt);
    std::string prematureEnd(_xmlError const& error) const;
    void finish();

    static int onRead(void* context, char* buffer, int size);
    static void onStartElement(void* context, unsigned char const* localName, unsigned char const* prefix,
                               unsigned char const* uri, int namespaceCount, unsigned char const** namespaces,
                               int attributeCount, int defaultedCount, unsigned char const** attributes);
    static void onEndElement(void* context, unsigned char const* localName, unsigned char const* prefix,
                             unsigned char const* uri);
    static void onCharacters(void* context, unsigned char const* text, int length);
    static void onProcessingInstruction(void* context, unsigned char const* target, unsigned char const* data);
    static void onError(void* context, _xmlError* error);
    static void onPlainError(void* context, char const* format, ...);
    static void onDoctype(void* context, unsigned char const* name, unsigned char const* externalId,
                          unsigned char const* systemId);

    XmlReadLimits m_limits;
    _xmlParserCtxt* m_context = nullptr;
    TextInput* m_input = nullptr;
    XmlEventHandler* m_handler = nullptr;
    std::exception_ptr m_failure;
    NameTable m_names;
    std::vector<XmlName> m_open;  // names of the open elements, outermost first
    std::vector<XmlEventAttribute> m_attributes;
    bool m_rootSeen = false;
    std::size_t m_longestPrefix = 0;  // of the prefixes declared in the document so far, "xml" included
    bool m_reading = false;  // a read is in progress
    bool m_libxml2Erred = false;  // libxml2 reported an error (and keeps its copy) during this read
    std::size_t m_maxKeptBytes;
    std::size_t m_treeBytes = 0;  // what the elements need so far, as XmlReadLimits::maxTreeBytesPerByte counts
    std::size_t m_treeBytesAllowed = kFreeTreeBytes;  // by the text read when last looked at
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
