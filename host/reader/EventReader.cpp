#include "host/reader/EventReader.h"

#include "host/DomException.h"
#include "host/XMLNode.h"

#include <libxml/SAX2.h>
#include <libxml/dict.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace Kestrune::Soa::Common::Xml::Reader {

using Exceptions::DomException;

namespace {

char const* chars(xmlChar const* text) { return reinterpret_cast<char const*>(text); }

XmlEventReader& self(void* context) { return *static_cast<XmlEventReader*>(context); }

DomException cannotStart() {
    return DomException("XML reader could not start: libxml2 could not allocate its parser");
}

char const* const kRefused = "XML document refused";
char const* const kParseError = "XML parse error";

}  // namespace

// libxml2 reports a few errors (about its input) through its per-thread
// handlers, not the parser's, and would print them on stderr. While a
// document is read they are ours; the handlers in place before are put back
// after.
class XmlEventReader::ErrorHandlers {
public:
    explicit ErrorHandlers(XmlEventReader* reader) {
        m_structured = xmlStructuredError;
        m_structuredContext = xmlStructuredErrorContext;
        m_plain = xmlGenericError;
        m_plainContext = xmlGenericErrorContext;
        xmlStructuredError = &XmlEventReader::onError;
        xmlStructuredErrorContext = reader;
        xmlGenericError = &XmlEventReader::onPlainError;
        xmlGenericErrorContext = reader;
    }
    ErrorHandlers(ErrorHandlers const&) = delete;
    ErrorHandlers& operator=(ErrorHandlers const&) = delete;
    ~ErrorHandlers() {
        xmlStructuredError = m_structured;
        xmlStructuredErrorContext = m_structuredContext;
        xmlGenericError = m_plain;
        xmlGenericErrorContext = m_plainContext;
    }

private:
    xmlStructuredErrorFunc m_structured = nullptr;
    void* m_structuredContext = nullptr;
    xmlGenericErrorFunc m_plain = nullptr;
    void* m_plainContext = nullptr;
};

XmlEventReader::XmlEventReader(XmlReadLimits const& limits) : m_limits(limits) {
    // libxml2 is initialised once per process, before any thread parses.
    static bool const initialised = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialised;
    startContext();
}

void XmlEventReader::startContext() {
    {
        ErrorHandlers const quiet(this);
        m_context = xmlNewParserCtxt();
    }
    if (m_context == nullptr) throw cannotStart();
    xmlSAXHandler& handler = *m_context->sax;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = &XmlEventReader::onStartElement;
    handler.endElementNs = &XmlEventReader::onEndElement;
    handler.characters = &XmlEventReader::onCharacters;
    // The same handler for "ignorable" white space: without a DTD all white
    // space is character data, and libxml2 then skips its guess.
    handler.ignorableWhitespace = &XmlEventReader::onCharacters;
    handler.cdataBlock = &XmlEventReader::onCharacters;
    handler.processingInstruction = &XmlEventReader::onProcessingInstruction;
    handler.serror = &XmlEventReader::onError;
    handler.internalSubset = &XmlEventReader::onDoctype;
    // Nothing is ever loaded or looked up: no DTD, no entity but the five
    // predefined ones (which libxml2 resolves itself).
    handler.externalSubset = [](void*, xmlChar const*, xmlChar const*, xmlChar const*) {};
    handler.resolveEntity = [](void*, xmlChar const*, xmlChar const*) -> xmlParserInputPtr { return nullptr; };
    handler.getEntity = [](void*, xmlChar const*) -> xmlEntityPtr { return nullptr; };
    handler.getParameterEntity = handler.getEntity;
}

// Ready for another document: libxml2's context reset, its dictionary of
// names kept (unless it has grown large: then a context of its own).
void XmlEventReader::restart() {
    constexpr int kNamesKept = 16384;
    if (xmlDictSize(m_context->dict) > kNamesKept) {
        xmlFreeParserCtxt(m_context);
        m_context = nullptr;
        startContext();
    } else {
        ErrorHandlers const quiet(this);
        xmlCtxtReset(m_context);
    }
    m_failure = nullptr;
    m_names.clear();
    m_open.clear();
    m_rootSeen = false;
    m_treeBytes = 0;
    m_treeBytesAllowed = kFreeTreeBytes;
}

XmlEventReader::~XmlEventReader() { xmlFreeParserCtxt(m_context); }

void XmlEventReader::read(TextInput& input, XmlEventHandler& handler) {
    if (m_used) restart();
    m_used = true;
    ErrorHandlers const errorHandlers(this);
    m_context->userData = this;
    m_input = &input;
    m_handler = &handler;
    // The input is put together here rather than by xmlCreateIOParserCtxt,
    // which loses the input buffer when it runs out of memory in between.
    // The text is UTF-8 whatever its declaration says: the decoder made it so.
    xmlParserInputBufferPtr const buffer =
        xmlParserInputBufferCreateIO(&XmlEventReader::onRead, nullptr, this, XML_CHAR_ENCODING_NONE);
    if (buffer == nullptr) throw cannotStart();
    xmlParserInputPtr const stream = xmlNewIOInputStream(m_context, buffer, XML_CHAR_ENCODING_NONE);
    if (stream == nullptr) {
        xmlFreeParserInputBuffer(buffer);
        throw cannotStart();
    }
    if (inputPush(m_context, stream) < 0) throw cannotStart();  // the input is released
    xmlCtxtUseOptions(m_context, XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC);
    xmlParseDocument(m_context);
    finish();
}

// After the parser is done: what it left unsaid.
void XmlEventReader::finish() {
    if (m_failure) std::rethrow_exception(m_failure);
    if (!m_rootSeen) throw errorAt(kParseError, here(), "the document has no root element");
    xmlParserInputPtr const input = m_context->input;
    if ((input != nullptr && input->cur != nullptr && input->cur < input->end) || !m_input->ended()) {
        // libxml2 stops at a NUL character as if the text ended there.
        throw errorAt(kParseError, here(), "Extra content at the end of the document");
    }
    if (!m_context->wellFormed || !m_open.empty()) {
        DomException refusal = errorAt(kParseError, here(), "the document is not well-formed");
        throw placed(refusal);
    }
}

TextPlace XmlEventReader::here() const {
    return {static_cast<std::size_t>(std::max(1, xmlSAX2GetLineNumber(m_context))),
            static_cast<std::size_t>(std::max(1, xmlSAX2GetColumnNumber(m_context)))};
}

// How a failure stops the parser. Only an event handler may halt it: halting
// releases the input, which an error may be reported from the middle of. An
// error reported by the parser only turns its events off (as a fatal error
// does anyway); one reported while the input is read leaves the parser
// alone, which gives up by itself.
void XmlEventReader::fail(std::exception_ptr failure, Halt halt, Found found) noexcept {
    if (!m_failure) {
        m_failure = std::move(failure);
        if (found == Found::AtTheParser) {
            try {
                std::rethrow_exception(m_failure);
            } catch (DomException& e) {
                placed(e);
            } catch (...) {
            }
        }
    }
    if (halt == Halt::Stop) {
        xmlStopParser(m_context);
    } else if (halt == Halt::Silence) {
        m_context->disableSAX = 1;
    }
}

// A refusal found where the parser is gets the path of the element the
// handler is in (unless it has one): what the text ahead of the parser is
// refused for has none, the parser not being there yet. Without the memory
// to say it, the refusal goes without.
DomException& XmlEventReader::placed(DomException& refusal) const noexcept {
    try {
        if (refusal.path().empty() && m_handler != nullptr) refusal.setPath(m_handler->path());
    } catch (...) {
    }
    return refusal;
}

// A refusal of our own, placed where the parser is now.
void XmlEventReader::refuse(char const* reason) noexcept {
    try {
        fail(std::make_exception_ptr(errorAt(kRefused, here(), reason)), Halt::Stop);
    } catch (...) {
        fail(std::current_exception(), Halt::Stop);
    }
}

// Every name counts against the limit of distinct names. Only libxml2's
// dictionary entries keep their address (and content) for the whole parse;
// others are not counted and are reported without a number.
XmlName XmlEventReader::name(xmlChar const* text) {
    if (text == nullptr) return {};
    if (NameTable::Name const* const known = m_names.find(text)) {
        return {std::string_view(chars(text), known->length), known->number};
    }
    std::string_view const view(chars(text));
    if (xmlDictOwns(m_context->dict, text) != 1) return {view};
    std::uint32_t const number = m_names.add(text, view.size());
    if (m_names.size() > m_limits.maxNames) {
        throw errorAt(kRefused, here(),
                      "the document uses more distinct names than XmlReadLimits::maxNames (" +
                          std::to_string(m_limits.maxNames) + ")");
    }
    return {view, number};
}

// Counts what the elements need, refusing a document that needs more than
// its text allows.
void XmlEventReader::charge(std::size_t bytes) {
    m_treeBytes += bytes;
    if (m_treeBytes <= m_treeBytesAllowed) return;
    // What the text read so far allows; the text only grows, so this holds
    // until the elements need more again.
    std::size_t const perByte = m_limits.maxTreeBytesPerByte;
    std::size_t const text = static_cast<std::size_t>(std::max(0L, xmlByteConsumed(m_context)));
    m_treeBytesAllowed = text > (std::numeric_limits<std::size_t>::max() - kFreeTreeBytes) / std::max<std::size_t>(perByte, 1)
                      ? std::numeric_limits<std::size_t>::max()
                      : kFreeTreeBytes + text * perByte;
    if (m_treeBytes <= m_treeBytesAllowed) return;
    throw errorAt(kRefused, here(),
                  "the document's elements need more memory than XmlReadLimits::maxTreeBytesPerByte allows (" +
                      std::to_string(perByte) + " bytes per byte of text)");
}

int XmlEventReader::pull(char* buffer, int size) {
    if (m_failure) return -1;
    return static_cast<int>(m_input->read(buffer, static_cast<std::size_t>(size)));
}

void XmlEventReader::startElement(xmlChar const* localName, xmlChar const* uri, int namespaceCount,
                                  xmlChar const** namespaces, int attributeCount, xmlChar const** attributes) {
    if (m_open.size() >= m_limits.maxDepth) {
        throw errorAt(kRefused, here(),
                      "elements are nested deeper than XmlReadLimits::maxDepth (" + std::to_string(m_limits.maxDepth) +
                          " levels)");
    }
    // Declared prefixes and namespace names are names of the document too,
    // whether any element uses them or not.
    for (int i = 0; i < 2 * namespaceCount; ++i) name(namespaces[i]);
    std::size_t const count = static_cast<std::size_t>(attributeCount);
    std::size_t bytes = sizeof(XMLNode) + count * sizeof(XMLAttribute);
    m_attributes.resize(count);
    // Five pointers per attribute: local name, prefix, URI, value, end of value.
    for (std::size_t i = 0; i < count; ++i, attributes += 5) {
        name(attributes[1]);
        std::string_view const value(chars(attributes[3]), static_cast<std::size_t>(attributes[4] - attributes[3]));
        m_attributes[i] = XmlEventAttribute{name(attributes[0]), name(attributes[2]), value};
        bytes += value.size();
    }
    charge(bytes);
    XmlElementStart const element{name(localName), name(uri), m_attributes.data(), count,
                                  // What xmlSAX2GetLineNumber and xmlSAX2GetColumnNumber give, read in place.
                                  static_cast<std::uint32_t>(m_context->input->line),
                                  static_cast<std::uint32_t>(m_context->input->col), m_open.empty()};
    m_open.push_back(element.name);
    m_rootSeen = true;
    m_handler->startElement(element);
}

// libxml2's callbacks: C entry points, out of which nothing escapes.

int XmlEventReader::onRead(void* context, char* buffer, int size) {
    XmlEventReader& reader = self(context);
    try {
        return size > 0 ? reader.pull(buffer, size) : 0;
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Nothing, Found::AheadOfTheParser);
        return -1;
    }
}

void XmlEventReader::onStartElement(void* context, xmlChar const* localName, xmlChar const* /*prefix*/,
                                    xmlChar const* uri, int namespaceCount, xmlChar const** namespaces,
                                    int attributeCount, int /*defaultedCount*/, xmlChar const** attributes) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure) return;
    try {
        reader.startElement(localName, uri, namespaceCount, namespaces, attributeCount, attributes);
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Stop);
    }
}

void XmlEventReader::onEndElement(void* context, xmlChar const* /*localName*/, xmlChar const* /*prefix*/,
                                  xmlChar const* /*uri*/) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure || reader.m_open.empty()) return;
    try {
        reader.m_open.pop_back();
        reader.m_handler->endElement();
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Stop);
    }
}

void XmlEventReader::onCharacters(void* context, xmlChar const* text, int length) {
    XmlEventReader& reader = self(context);
    // Character data outside the root element is only white space, and it
    // belongs to no element.
    if (reader.m_failure || reader.m_open.empty()) return;
    try {
        reader.charge(static_cast<std::size_t>(length));
        reader.m_handler->characters(std::string_view(chars(text), static_cast<std::size_t>(length)));
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Stop);
    }
}

// A processing instruction is not reported, but its target is a name.
void XmlEventReader::onProcessingInstruction(void* context, xmlChar const* target, xmlChar const* /*data*/) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure) return;
    try {
        reader.name(target);
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Stop);
    }
}

void XmlEventReader::onDoctype(void* context, xmlChar const* /*name*/, xmlChar const* /*externalId*/,
                               xmlChar const* /*systemId*/) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure) return;
    reader.refuse("a document type declaration (DOCTYPE) is not accepted");
}

// Why the text ended too soon, when libxml2's own words are less clear.
std::string XmlEventReader::prematureEnd(xmlError const& error) const {
    if (error.code == XML_ERR_DOCUMENT_EMPTY) return "the document has no root element";
    xmlParserInputPtr const input = m_context->input;
    bool const allParsed =
        m_input->ended() && input != nullptr && input->cur != nullptr && input->cur >= input->end;
    if (!allParsed) return {};
    if (!m_rootSeen) return "the document ends before its root element is complete";
    if (error.code == XML_ERR_GT_REQUIRED) return "the document ends inside a start tag";
    if (!m_open.empty()) {
        return "the document ends before element '" + std::string(m_open.back().text) + "' is closed";
    }
    return {};
}

void XmlEventReader::parseError(xmlError const& error, Halt halt) {
    std::string reason = prematureEnd(error);
    if (reason.empty()) {
        reason = error.message != nullptr ? error.message : "unknown error";
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        while (!reason.empty() && reason.back() == ' ') reason.pop_back();
    }
    // An error reported without the parser's place is placed where the parser is.
    TextPlace const place = error.line <= 0 ? here()
                                            : TextPlace{static_cast<std::size_t>(error.line),
                                                        static_cast<std::size_t>(std::max(1, error.int2))};
    fail(std::make_exception_ptr(errorAt(kParseError, place, reason)), halt);
}

void XmlEventReader::onError(void* context, xmlError* error) {
    XmlEventReader& reader = self(context);
    // A namespace name that is not a URI is reported at error level, but
    // under a warning's code: well-formedness does not ask for one, and
    // namespace names are only ever compared as strings.
    bool const refusal = error != nullptr && error->level >= XML_ERR_ERROR && error->code != XML_WAR_NS_URI;
    // Before the parser's context exists, it is its creation that failed.
    if (!refusal || reader.m_failure || reader.m_context == nullptr) return;
    Halt const halt = error->ctxt == reader.m_context ? Halt::Silence : Halt::Nothing;
    try {
        reader.parseError(*error, halt);
    } catch (...) {
        reader.fail(std::current_exception(), halt);
    }
}

// The few messages libxml2 writes without any structure; each one is a refusal.
void XmlEventReader::onPlainError(void* context, char const* format, ...) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure || reader.m_context == nullptr) return;
    char message[256];
    std::va_list arguments;
    va_start(arguments, format);
    int const length = std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    xmlError error;
    std::memset(&error, 0, sizeof error);
    error.level = XML_ERR_FATAL;
    error.message = length > 0 ? message : nullptr;
    try {
        reader.parseError(error, Halt::Nothing);
    } catch (...) {
        reader.fail(std::current_exception(), Halt::Nothing);
    }
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
