#include "host/XmlDocument.h"

#include "host/DomException.h"

#include <libxml/SAX2.h>
#include <libxml/dict.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <istream>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

using Exceptions::DomException;

static_assert(std::is_trivially_destructible_v<XMLNode>, "the arena never runs destructors");
static_assert(std::is_trivially_destructible_v<XMLAttribute>, "the arena never runs destructors");

namespace {

// Where arena blocks of the standard sizes go when a document is released,
// for the next documents to take. Memory fresh from the system costs a page
// fault per page on first touch, which for a big message costs more than
// parsing it; blocks kept here are already mapped. What is kept is bounded.
class ArenaBlockPool {
public:
    static constexpr std::size_t kSmallestBlock = std::size_t{4} * 1024;
    static constexpr unsigned kSizeClasses = 9;  // 4 KiB, 8 KiB, ... 1 MiB
    static constexpr std::size_t kLargestBlock = kSmallestBlock << (kSizeClasses - 1);
    static constexpr std::size_t kRetainedAtMost = std::size_t{16} * 1024 * 1024;

    static constexpr std::size_t blockSize(unsigned sizeClass) { return kSmallestBlock << sizeClass; }

    // Never destroyed, so that a document released during static
    // destruction still has a pool to return its blocks to.
    static ArenaBlockPool& instance() {
        static ArenaBlockPool* const pool = new ArenaBlockPool;
        return *pool;
    }

    // A block of blockSize(sizeClass) bytes: a kept one when there is one.
    void* take(unsigned sizeClass) {
        {
            std::lock_guard<std::mutex> const lock(m_mutex);
            if (FreeBlock* block = m_free[sizeClass]) {
                m_free[sizeClass] = block->next;
                m_retained -= blockSize(sizeClass);
                return block;
            }
        }
        return ::operator new(blockSize(sizeClass));
    }

    void give(void* memory, unsigned sizeClass) noexcept {
        {
            std::lock_guard<std::mutex> const lock(m_mutex);
            if (m_retained + blockSize(sizeClass) <= kRetainedAtMost) {
                m_free[sizeClass] = new (memory) FreeBlock{m_free[sizeClass]};
                m_retained += blockSize(sizeClass);
                return;
            }
        }
        ::operator delete(memory);
    }

private:
    struct FreeBlock {
        FreeBlock* next;
    };

    ArenaBlockPool() = default;

    std::mutex m_mutex;
    FreeBlock* m_free[kSizeClasses] = {};
    std::size_t m_retained = 0;
};

// A list of blocks handed out by bumping a pointer. Blocks grow
// geometrically, so a small message costs one block and a big one wastes
// little; a request too large for the usual block size gets a block of its
// own. Nothing placed here has a destructor: releasing it is releasing the
// blocks, in a loop, whatever the shape of the tree they hold.
class Arena {
public:
    Arena() = default;
    Arena(Arena const&) = delete;
    Arena& operator=(Arena const&) = delete;

    ~Arena() {
        while (m_blocks != nullptr) {
            Block* const block = m_blocks;
            m_blocks = block->next;
            unsigned const sizeClass = block->sizeClass;
            block->~Block();
            if (sizeClass == kOwnSize) {
                ::operator delete(block);
            } else {
                ArenaBlockPool::instance().give(block, sizeClass);
            }
        }
    }

    void* allocate(std::size_t size, std::size_t alignment) {
        std::uintptr_t const aligned = alignUp(reinterpret_cast<std::uintptr_t>(m_cursor), alignment);
        std::uintptr_t const end = reinterpret_cast<std::uintptr_t>(m_end);
        if (m_cursor != nullptr && aligned <= end && size <= end - aligned) {
            m_cursor = reinterpret_cast<char*>(aligned + size);
            return reinterpret_cast<void*>(aligned);
        }
        return allocateFromNewBlock(size, alignment);
    }

    template <class T>
    T* allocateArray(std::size_t count) {
        return static_cast<T*>(allocate(sizeof(T) * count, alignof(T)));
    }

    std::string_view copy(char const* data, std::size_t size) {
        if (size == 0) return {};
        char* const place = static_cast<char*>(allocate(size, 1));
        std::memcpy(place, data, size);
        return {place, size};
    }

private:
    struct Block {
        Block* next;
        unsigned sizeClass;
    };
    static constexpr unsigned kOwnSize = ~0U;
    static constexpr std::size_t kHeader =
        (sizeof(Block) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

    static std::uintptr_t alignUp(std::uintptr_t value, std::size_t alignment) {
        return (value + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    }

    void* allocateFromNewBlock(std::size_t size, std::size_t alignment) {
        std::size_t const needed = kHeader + size + alignment;
        if (needed > ArenaBlockPool::kLargestBlock / 4) {
            // A block of its own, linked behind the current one so that the
            // room left in the current block still serves the next requests.
            Block* const block = new (::operator new(needed)) Block{nullptr, kOwnSize};
            if (m_blocks != nullptr) {
                block->next = m_blocks->next;
                m_blocks->next = block;
            } else {
                m_blocks = block;
            }
            return reinterpret_cast<void*>(alignUp(reinterpret_cast<std::uintptr_t>(block) + kHeader, alignment));
        }
        unsigned sizeClass = m_nextSizeClass;
        while (ArenaBlockPool::blockSize(sizeClass) < needed) ++sizeClass;
        m_nextSizeClass = sizeClass + 1 < ArenaBlockPool::kSizeClasses ? sizeClass + 1 : sizeClass;
        Block* const block = new (ArenaBlockPool::instance().take(sizeClass)) Block{m_blocks, sizeClass};
        m_blocks = block;
        char* const start = reinterpret_cast<char*>(block);
        m_end = start + ArenaBlockPool::blockSize(sizeClass);
        char* const place =
            reinterpret_cast<char*>(alignUp(reinterpret_cast<std::uintptr_t>(start) + kHeader, alignment));
        m_cursor = place + size;
        return place;
    }

    Block* m_blocks = nullptr;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    unsigned m_nextSizeClass = 0;
};

char const* chars(xmlChar const* text) { return reinterpret_cast<char const*>(text); }

// libxml2 is initialised once per process, before any thread parses.
void initialiseLibxml() {
    static bool const initialised = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialised;
}

// libxml2 reports a failed decoding of the input (a byte sequence that is
// not valid in the declared encoding) through its per-thread handlers, not
// the parser's, and would print it on stderr. While a document is read they
// are ours; the handlers in place before are put back after.
class ErrorHandlersOfThisThread {
public:
    ErrorHandlersOfThisThread(void* context, xmlStructuredErrorFunc structured, xmlGenericErrorFunc plain) {
        initialiseLibxml();
        m_structured = xmlStructuredError;
        m_structuredContext = xmlStructuredErrorContext;
        m_plain = xmlGenericError;
        m_plainContext = xmlGenericErrorContext;
        xmlStructuredError = structured;
        xmlStructuredErrorContext = context;
        xmlGenericError = plain;
        xmlGenericErrorContext = context;
    }
    ErrorHandlersOfThisThread(ErrorHandlersOfThisThread const&) = delete;
    ErrorHandlersOfThisThread& operator=(ErrorHandlersOfThisThread const&) = delete;
    ~ErrorHandlersOfThisThread() {
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

// The input chunk handed to the parser at a time.
constexpr std::size_t kStreamChunk = std::size_t{256} * 1024;
constexpr std::size_t kMemoryChunk = std::size_t{4} * 1024 * 1024;

}  // namespace

struct XmlDocument::Storage {
    Arena arena;
};

XmlDocument::XmlDocument(std::unique_ptr<Storage> storage, XMLNode const* root) noexcept
    : m_storage(std::move(storage)), m_root(root) {}

XmlDocument::XmlDocument(XmlDocument&& other) noexcept : m_storage(std::move(other.m_storage)), m_root(other.m_root) {
    other.m_root = nullptr;
}

XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept {
    if (this != &other) {
        m_storage = std::move(other.m_storage);
        m_root = other.m_root;
        other.m_root = nullptr;
    }
    return *this;
}

XmlDocument::~XmlDocument() = default;

std::string_view XMLNode::getAttr(std::string_view localName) const noexcept {
    XMLAttribute const* attribute = findAttr(localName);
    return attribute != nullptr ? attribute->value : std::string_view();
}

XMLAttribute const* XMLNode::findAttr(std::string_view localName) const noexcept {
    for (XMLAttribute const* attribute = m_attributes; attribute != m_attributes + m_attributeCount; ++attribute) {
        if (attribute->name == localName) return attribute;
    }
    return nullptr;
}

// Builds a document's tree from libxml2's SAX2 events. libxml2 only reports;
// the tree, its names and its text are ours, in the document's arena. The
// callbacks run inside libxml2's C frames, so none of them lets an exception
// out: the first failure (a refusal, a syntax error or an exception of our
// own) is kept, the parser is stopped or at least silenced, and the failure
// is thrown once control is back here.
class XmlTreeBuilder {
public:
    explicit XmlTreeBuilder(XmlReadLimits const& limits)
        : m_limits(limits), m_storage(new XmlDocument::Storage), m_text(16) {
        xmlSAXHandler handler;
        std::memset(&handler, 0, sizeof handler);
        handler.initialized = XML_SAX2_MAGIC;
        handler.startElementNs = &XmlTreeBuilder::onStartElement;
        handler.endElementNs = &XmlTreeBuilder::onEndElement;
        handler.characters = &XmlTreeBuilder::onCharacters;
        // The same handler for "ignorable" white space: without a DTD all
        // white space is character data, and libxml2 then skips its guess.
        handler.ignorableWhitespace = &XmlTreeBuilder::onCharacters;
        handler.cdataBlock = &XmlTreeBuilder::onCharacters;
        handler.serror = &XmlTreeBuilder::onError;
        handler.internalSubset = &XmlTreeBuilder::onDoctype;
        // Nothing is ever loaded or looked up: no DTD, no entity but the
        // five predefined ones (which libxml2 resolves itself).
        handler.externalSubset = &XmlTreeBuilder::onExternalSubset;
        handler.resolveEntity = &XmlTreeBuilder::onResolveEntity;
        handler.getEntity = &XmlTreeBuilder::onGetEntity;
        handler.getParameterEntity = &XmlTreeBuilder::onGetEntity;

        m_context = xmlCreatePushParserCtxt(&handler, this, nullptr, 0, nullptr);
        if (m_context == nullptr) throw std::bad_alloc();
        xmlCtxtUseOptions(m_context, XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_HUGE);
    }

    XmlTreeBuilder(XmlTreeBuilder const&) = delete;
    XmlTreeBuilder& operator=(XmlTreeBuilder const&) = delete;
    ~XmlTreeBuilder() { xmlFreeParserCtxt(m_context); }

    // Hands `size` bytes to the parser, refusing what goes over the size limit.
    void feed(char const* data, std::size_t size) {
        std::size_t const room = m_limits.maxBytes - m_fed;
        bool const over = size > room;
        if (over) size = room;
        while (size > 0) {
            std::size_t const piece = std::min(size, kMemoryChunk);
            xmlParseChunk(m_context, data, static_cast<int>(piece), 0);
            if (!m_failure && m_context->instate == XML_PARSER_EOF) {
                // The parser gave up without a word: libxml2 does so when a
                // chunk cannot be converted from the document's encoding.
                m_failure = std::make_exception_ptr(DomException(
                    position("XML parse error", xmlSAX2GetLineNumber(m_context), xmlSAX2GetColumnNumber(m_context)) +
                    "the text cannot be decoded in its declared encoding"));
            }
            throwIfFailed();
            data += piece;
            size -= piece;
            m_fed += piece;
        }
        if (over) {
            refuse("the XML text is larger than the limit of " + std::to_string(m_limits.maxBytes) + " bytes");
            throwIfFailed();
        }
    }

    XmlDocument finish() {
        m_finishing = true;
        xmlParseChunk(m_context, nullptr, 0, 1);
        throwIfFailed();
        if (m_root == nullptr) {
            throw DomException(
                position("XML parse error", xmlSAX2GetLineNumber(m_context), xmlSAX2GetColumnNumber(m_context)) +
                "the document has no root element");
        }
        if (!m_context->wellFormed || !m_open.empty()) {
            throw DomException(
                position("XML parse error", xmlSAX2GetLineNumber(m_context), xmlSAX2GetColumnNumber(m_context)) +
                "the document is not well-formed");
        }
        return XmlDocument(std::move(m_storage), m_root);
    }

private:
    struct OpenElement {
        XMLNode* node;
        XMLNode* lastChild;
    };

    // One entry of the cache of names already copied into the arena, keyed
    // by the address of libxml2's own copy in its dictionary.
    struct InternedName {
        xmlChar const* key = nullptr;
        std::string_view copy;
    };
    static constexpr std::size_t kInternSlots = 256;

    static XmlTreeBuilder& self(void* context) { return *static_cast<XmlTreeBuilder*>(context); }

    static std::string position(char const* what, long line, long column) {
        return std::string(what) + " at line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
    }

    void throwIfFailed() {
        if (m_failure) std::rethrow_exception(m_failure);
    }

    // How a failure stops the parser. Only an event handler may halt it:
    // halting releases the input, which an error may be reported from the
    // middle of. An error reported by the parser only turns its events off
    // (as a fatal error does anyway); one reported while the input is being
    // decoded leaves the parser alone, which gives up by itself.
    enum class Halt { Stop, Silence, Nothing };

    void fail(std::exception_ptr failure, Halt halt) noexcept {
        if (!m_failure) m_failure = std::move(failure);
        if (halt == Halt::Stop) {
            xmlStopParser(m_context);
        } else if (halt == Halt::Silence) {
            m_context->disableSAX = 1;
        }
    }

    // Records a refusal of our own, placed where the parser is now.
    void refuse(std::string const& reason) noexcept {
        try {
            fail(std::make_exception_ptr(DomException(position("XML document refused", xmlSAX2GetLineNumber(m_context),
                                                               xmlSAX2GetColumnNumber(m_context)) +
                                                      reason)),
                 Halt::Stop);
        } catch (...) {
            fail(std::current_exception(), Halt::Stop);
        }
    }

    std::string_view name(xmlChar const* text) {
        if (text == nullptr) return {};
        std::uintptr_t const key = reinterpret_cast<std::uintptr_t>(text);
        InternedName& slot = m_interned[((key >> 3) * 0x9E3779B97F4A7C15ULL) >> (64 - 8)];
        if (slot.key == text) return slot.copy;
        std::string_view const copy = m_storage->arena.copy(chars(text), std::strlen(chars(text)));
        // Only libxml2's dictionary entries keep their address (and content)
        // for the whole parse; anything else is copied every time.
        if (xmlDictOwns(m_context->dict, text) == 1) {
            slot.key = text;
            slot.copy = copy;
        }
        return copy;
    }

    void startElement(xmlChar const* localName, xmlChar const* uri, int attributeCount, xmlChar const** attributes) {
        std::size_t const depth = m_open.size() + 1;
        if (depth > m_limits.maxDepth) {
            refuse("elements are nested deeper than the limit of " + std::to_string(m_limits.maxDepth) + " levels");
            return;
        }
        Arena& arena = m_storage->arena;
        XMLNode* node = new (arena.allocateArray<XMLNode>(1)) XMLNode();
        node->name = name(localName);
        node->namespaceURI = name(uri);
        node->line = static_cast<std::size_t>(xmlSAX2GetLineNumber(m_context));
        if (attributeCount > 0) {
            XMLAttribute* out = arena.allocateArray<XMLAttribute>(static_cast<std::size_t>(attributeCount));
            // Five pointers per attribute: local name, prefix, URI, value, end of value.
            for (int i = 0; i < attributeCount; ++i, attributes += 5) {
                std::size_t const length = static_cast<std::size_t>(attributes[4] - attributes[3]);
                new (out + i)
                    XMLAttribute{name(attributes[0]), name(attributes[2]), arena.copy(chars(attributes[3]), length)};
            }
            node->m_attributes = out;
            node->m_attributeCount = static_cast<std::size_t>(attributeCount);
        }
        if (m_open.empty()) {
            m_root = node;
        } else {
            OpenElement& parent = m_open.back();
            node->parent = parent.node;
            if (parent.lastChild == nullptr) {
                parent.node->children.m_first = node;
            } else {
                parent.lastChild->m_nextSibling = node;
            }
            parent.lastChild = node;
            ++parent.node->children.m_size;
        }
        m_open.push_back(OpenElement{node, nullptr});
        if (m_text.size() <= depth) m_text.resize(std::max(depth + 1, m_text.size() * 2));
    }

    void endElement() {
        std::string& text = m_text[m_open.size()];
        m_open.back().node->text = m_storage->arena.copy(text.data(), text.size());
        text.clear();
        m_open.pop_back();
    }

    // libxml2 callbacks. Each one is a C entry point: nothing escapes it.

    static void onStartElement(void* context, xmlChar const* localName, xmlChar const* /*prefix*/, xmlChar const* uri,
                               int /*namespaceCount*/, xmlChar const** /*namespaces*/, int attributeCount,
                               int /*defaultedCount*/, xmlChar const** attributes) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure) return;
        try {
            builder.startElement(localName, uri, attributeCount, attributes);
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Stop);
        }
    }

    static void onEndElement(void* context, xmlChar const* /*localName*/, xmlChar const* /*prefix*/,
                             xmlChar const* /*uri*/) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure || builder.m_open.empty()) return;
        try {
            builder.endElement();
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Stop);
        }
    }

    static void onCharacters(void* context, xmlChar const* text, int length) {
        XmlTreeBuilder& builder = self(context);
        // Character data outside the root element is only white space, and
        // it belongs to no element.
        if (builder.m_failure || builder.m_open.empty()) return;
        try {
            builder.m_text[builder.m_open.size()].append(chars(text), static_cast<std::size_t>(length));
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Stop);
        }
    }

    // Why the text ended too soon, when libxml2 only says that the parser
    // was not done with the document when its end came.
    std::string prematureEnd() const {
        xmlParserInputPtr const input = m_context->input;
        if (input != nullptr && input->buf != nullptr && input->buf->raw != nullptr && xmlBufUse(input->buf->raw) > 0) {
            // Bytes that the decoder of the declared encoding did not take.
            return "the text cannot be decoded in its declared encoding";
        }
        if (m_context->instate == XML_PARSER_START_TAG) return "the document ends inside a start tag";
        if (!m_open.empty()) {
            return "the document ends before element '" + std::string(m_open.back().node->name) + "' is closed";
        }
        if (m_root == nullptr) {
            bool markupLeft = false;
            if (input != nullptr && input->cur != nullptr && input->end != nullptr) {
                markupLeft = std::any_of(input->cur, input->end,
                                         [](xmlChar c) { return c != ' ' && c != '\t' && c != '\n' && c != '\r'; });
            }
            return markupLeft ? "the document ends before its root element is complete"
                              : "the document has no root element";
        }
        return {};
    }

    void parseError(xmlError const& error, Halt halt) {
        std::string reason;
        if (error.code == XML_ERR_DOCUMENT_END && m_finishing) reason = prematureEnd();
        if (reason.empty()) {
            reason = error.message != nullptr ? error.message : "unknown error";
            std::replace(reason.begin(), reason.end(), '\n', ' ');
            while (!reason.empty() && reason.back() == ' ') reason.pop_back();
        }
        long line = error.line;
        long column = error.int2;
        if (line <= 0) {
            // Reported without the parser (a failed decoding): place it where the parser is.
            line = xmlSAX2GetLineNumber(m_context);
            column = xmlSAX2GetColumnNumber(m_context);
        }
        fail(std::make_exception_ptr(DomException(position("XML parse error", line, column) + reason)), halt);
    }

    static bool isRefusal(xmlError const& error) {
        // A namespace name that is not a URI is reported at error level, but
        // under a warning's code: well-formedness does not ask for one, and
        // namespace names are only ever compared as strings.
        return error.level >= XML_ERR_ERROR && error.code != XML_WAR_NS_URI;
    }

    static void onError(void* context, xmlError* error) {
        XmlTreeBuilder& builder = self(context);
        if (error == nullptr || !isRefusal(*error) || builder.m_failure) return;
        Halt const halt = error->ctxt == builder.m_context ? Halt::Silence : Halt::Nothing;
        try {
            builder.parseError(*error, halt);
        } catch (...) {
            builder.fail(std::current_exception(), halt);
        }
    }

    // The few messages libxml2 writes without any structure (a broken
    // decoding of the input); each one is a refusal.
    static void onPlainError(void* context, char const* format, ...) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure) return;
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
            builder.parseError(error, Halt::Nothing);
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Nothing);
        }
    }

    static void onDoctype(void* context, xmlChar const* /*name*/, xmlChar const* /*externalId*/,
                          xmlChar const* /*systemId*/) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure) return;
        builder.refuse("a document type declaration (DOCTYPE) is not accepted");
    }

    static void onExternalSubset(void*, xmlChar const*, xmlChar const*, xmlChar const*) {}
    static xmlParserInputPtr onResolveEntity(void*, xmlChar const*, xmlChar const*) { return nullptr; }
    static xmlEntityPtr onGetEntity(void*, xmlChar const*) { return nullptr; }

    XmlReadLimits m_limits;
    ErrorHandlersOfThisThread m_errorHandlers{this, &XmlTreeBuilder::onError, &XmlTreeBuilder::onPlainError};
    std::unique_ptr<XmlDocument::Storage> m_storage;
    xmlParserCtxtPtr m_context = nullptr;
    std::exception_ptr m_failure;
    std::size_t m_fed = 0;
    bool m_finishing = false;
    XMLNode* m_root = nullptr;
    std::vector<OpenElement> m_open;
    // The character data of each open element so far, indexed by depth; the
    // strings are reused from element to element, so their memory is too.
    std::vector<std::string> m_text;
    InternedName m_interned[kInternSlots];
};

XmlDocument XmlDocument::parse(std::string_view xml, XmlReadLimits const& limits) {
    XmlTreeBuilder builder(limits);
    builder.feed(xml.data(), xml.size());
    return builder.finish();
}

XmlDocument XmlDocument::parse(std::istream& in, XmlReadLimits const& limits) {
    XmlTreeBuilder builder(limits);
    std::vector<char> buffer(kStreamChunk);
    std::size_t total = 0;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        std::size_t const got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        builder.feed(buffer.data(), got);
        total += got;
    }
    if (in.bad()) {
        throw DomException("XML input could not be read: the stream failed after " + std::to_string(total) + " bytes");
    }
    return builder.finish();
}

}  // namespace Kestrune::Soa::Common::Xml
