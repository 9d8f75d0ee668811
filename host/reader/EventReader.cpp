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
constexpr std::size_t kLongestReason = 200;
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

XmlEventReader::XmlEventReader(XmlReadLimits const& limits, std::size_t maxKeptBytes)
    : m_limits(limits), m_maxKeptBytes(maxKeptBytes) {
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

// After a document: libxml2's context reset, which releases the input, its
// dictionary of names kept for the names the next document shares with this
// one; unless what is kept has passed the bound, and goes.
void XmlEventReader::finishDocument() noexcept {
    {
        ErrorHandlers const quiet(this);
        xmlCtxtReset(m_context);
    }
    // libxml2 keeps a copy of the last error, names included, in the context
    // and in the thread's own; those of this document's errors go with it.
    xmlCtxtResetLastError(m_context);
    if (std::exchange(m_libxml2Erred, false)) xmlResetLastError();
    m_failure = nullptr;  // thrown by now, or never to be
    if (keptBytes() <= m_maxKeptBytes) return;
    xmlFreeParserCtxt(m_context);
    m_context = nullptr;  // the next read starts a new one
    m_names.release();
    std::vector<XmlName>().swap(m_open);
    std::vector<XmlEventAttribute>().swap(m_attributes);
}

std::size_t XmlEventReader::keptBytes() const noexcept {
    std::size_t const own =
        m_names.bytes() + m_open.capacity() * sizeof(XmlName) + m_attributes.capacity() * sizeof(XmlEventAttribute);
    if (m_context == nullptr) return own;
    auto count = [](int value) { return static_cast<std::size_t>(std::max(0, value)); };
    // libxml2's dictionary: its strings, and its table taken at two slots of
    // four words per name (the table itself is not exposed).
    std::size_t const dictionary =
        xmlDictGetUsage(m_context->dict) + 8 * sizeof(void*) * count(xmlDictSize(m_context->dict));
    // The context's stacks, as grown by the deepest nesting, the most
    // attributes and the most namespaces in scope met so far.
    std::size_t const stacks = sizeof(void*) * (count(m_context->nodeMax) + count(m_context->inputMax) +
                                                count(m_context->maxatts) + 2 * count(m_context->nsMax)) +
                               (3 * sizeof(void*) + sizeof(int)) * count(m_context->nameMax) +
                               sizeof(int) * (count(m_context->spaceMax) + count(m_context->maxatts));
    return own + dictionary + stacks;
}

XmlEventReader::~XmlEventReader() { xmlFreeParserCtxt(m_context); }

void XmlEventReader::read(TextInput& input, XmlEventHandler& handler) {
    if (m_reading) {
        throw DomException(
            "XmlReader: a read was started while this reader is reading (from one of its own handlers); a reader "
            "reads one document at a time: read the inner document with a reader of its own");
    }
    if (m_context == nullptr) startContext();
    m_failure = nullptr;
    m_names.clear();
    m_open.clear();
    m_rootSeen = false;
    m_longestPrefix = std::strlen("xml");
    m_treeBytes = 0;
    m_treeBytesAllowed = kFreeTreeBytes;
    struct Reading {
        XmlEventReader& reader;
        explicit Reading(XmlEventReader& r) : reader(r) { reader.m_reading = true; }
        ~Reading() {
            reader.finishDocument();
            reader.m_reading = false;
        }
    } const reading(*this);
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
    if (!m_context->wellFormed || !m_open.empty()) throw errorAt(kParseError, here(), "the document is not well-formed");
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
void XmlEventReader::fail(std::exception_ptr failure, Halt halt) noexcept {
    if (!m_failure) m_failure = std::move(failure);
    if (halt == Halt::Stop) {
        xmlStopParser(m_context);
    } else if (halt == Halt::Silence) {
        m_context->disableSAX = 1;
    }
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

// Names and namespace URIs are held by libxml2's dictionary for the whole
// read (and longer, when the reader is kept): their length has a limit of
// its own.
std::size_t XmlEventReader::lengthOf(xmlChar const* text) const {
    if (text == nullptr) return 0;
    if (NameTable::Name const* const known = m_names.find(text)) return known->length;
    return std::strlen(chars(text));
}

void XmlEventReader::refuseName() const {
    throw errorAt(kRefused, here(),
                  "a name is longer than XmlReadLimits::maxNameBytes (" + std::to_string(m_limits.maxNameBytes) +
                      " bytes)");
}

void XmlEventReader::checkURI(std::size_t length) const {
    if (length <= m_limits.maxNameBytes) return;
    throw errorAt(kRefused, here(),
                  "a namespace URI is longer than XmlReadLimits::maxNameBytes (" +
                      std::to_string(m_limits.maxNameBytes) + " bytes)");
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

void XmlEventReader::startElement(xmlChar const* localName, xmlChar const* prefix, xmlChar const* uri,
                                  int namespaceCount, xmlChar const** namespaces, int attributeCount,
                                  xmlChar const** attributes) {
    if (m_open.size() >= m_limits.maxDepth) {
        throw errorAt(kRefused, here(),
                      "elements are nested deeper than XmlReadLimits::maxDepth (" + std::to_string(m_limits.maxDepth) +
                          " levels)");
    }
    XmlName const elementName = name(localName);
    // No prefix is longer than the longest declared (or "xml"): most names
    // are known to be short enough without looking their prefix up.
    if (prefix != nullptr && elementName.text.size() + 1 + m_longestPrefix > m_limits.maxNameBytes)
        checkName(lengthOf(prefix), elementName.text.size());
    checkName(0, elementName.text.size());
    // Declared prefixes and namespace names are names of the document too,
    // whether any element uses them or not.
    for (int i = 0; i < namespaceCount; ++i) {
        XmlName const declared = name(namespaces[2 * i]);
        if (namespaces[2 * i] != nullptr) checkName(std::strlen("xmlns"), declared.text.size());  // as written
        m_longestPrefix = std::max(m_longestPrefix, declared.text.size());
        checkURI(name(namespaces[2 * i + 1]).text.size());
    }
    std::size_t const count = static_cast<std::size_t>(attributeCount);
    std::size_t bytes = sizeof(XMLNode) + count * sizeof(XMLAttribute);
    m_attributes.resize(count);
    // Five pointers per attribute: local name, prefix, URI, value, end of value.
    for (std::size_t i = 0; i < count; ++i, attributes += 5) {
        XmlName const attributePrefix = name(attributes[1]);
        XmlName const attributeName = name(attributes[0]);
        checkName(attributePrefix.text.size(), attributeName.text.size());
        std::string_view const value(chars(attributes[3]), static_cast<std::size_t>(attributes[4] - attributes[3]));
        m_attributes[i] = XmlEventAttribute{attributeName, name(attributes[2]), value};
        bytes += value.size();
    }
    charge(bytes);
    XmlElementStart const element{elementName,
                                  name(uri),
                                  m_attributes.data(),
                                  count,
                                  static_cast<std::uint32_t>(xmlSAX2GetLineNumber(m_context)),
                                  m_open.empty()};
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
        reader.fail(std::current_exception(), Halt::Nothing);
        return -1;
    }
}

void XmlEventReader::onStartElement(void* context, xmlChar const* localName, xmlChar const* prefix,
                                    xmlChar const* uri, int namespaceCount, xmlChar const** namespaces,
                                    int attributeCount, int /*defaultedCount*/, xmlChar const** attributes) {
    XmlEventReader& reader = self(context);
    if (reader.m_failure) return;
    try {
        reader.startElement(localName, prefix, uri, namespaceCount, namespaces, attributeCount, attributes);
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
        reader.checkName(0, reader.name(target).text.size());
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
    // A tag that does not match its element is that, wherever it is.
    if (error.code == XML_ERR_TAG_NAME_MISMATCH) return {};
    if (error.code == XML_ERR_GT_REQUIRED) {
        // The tag that the text ends in is the last one begun.
        std::string_view const window(chars(input->base), static_cast<std::size_t>(input->end - input->base));
        std::size_t const open = window.rfind('<');
        bool const endTag = open != std::string_view::npos && open + 1 < window.size() && window[open + 1] == '/';
        return endTag ? "the document ends inside an end tag" : "the document ends inside a start tag";
    }
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
        // libxml2 quotes names whole; a message stays one that a person reads.
        if (reason.size() > kLongestReason) {
            std::size_t cut = kLongestReason;
            while (cut > 0 && (static_cast<unsigned char>(reason[cut]) & 0xC0) == 0x80) --cut;  // a character whole
            reason.replace(cut, std::string::npos, "...");
        }
    }
    // An error reported without the parser's place is placed where the parser is.
    TextPlace const place = error.line <= 0 ? here()
                                            : TextPlace{static_cast<std::size_t>(error.line),
                                                        static_cast<std::size_t>(std::max(1, error.int2))};
    fail(std::make_exception_ptr(errorAt(kParseError, place, reason)), halt);
}

void XmlEventReader::onError(void* context, xmlError* error) {
    XmlEventReader& reader = self(context);
    reader.m_libxml2Erred = true;
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
    reader.m_libxml2Erred = true;
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
