#include "host/XmlDocument.h"

#include "host/DomException.h"

#include <libxml/SAX2.h>
#include <libxml/dict.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <istream>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
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

// How the code units of the raw text are laid out, as libxml2 tells from the
// first four bytes: one byte (UTF-8 and the encodings that extend ASCII),
// two (UTF-16) or four (UCS-4), in either byte order.
struct TextLayout {
    unsigned width = 1;
    bool bigEndian = false;
    bool supported = true;
};

TextLayout detectLayout(unsigned char const* p, std::size_t size) {
    auto starts = [&](std::initializer_list<unsigned char> bytes) {
        return size >= bytes.size() && std::equal(bytes.begin(), bytes.end(), p);
    };
    if (starts({0x00, 0x00, 0x00, 0x3C})) return {4, true, true};
    if (starts({0x3C, 0x00, 0x00, 0x00})) return {4, false, true};
    if (starts({0x00, 0x00, 0x3C, 0x00}) || starts({0x00, 0x3C, 0x00, 0x00}) || starts({0x4C, 0x6F, 0xA7, 0x94})) {
        return {1, false, false};  // UCS-4 in a mixed byte order, or EBCDIC
    }
    if (starts({0x3C, 0x00, 0x3F, 0x00}) || starts({0xFF, 0xFE})) return {2, false, true};
    if (starts({0x00, 0x3C, 0x00, 0x3F}) || starts({0xFE, 0xFF})) return {2, true, true};
    return {};
}

// What the raw text passes through on its way to libxml2: the limits that
// libxml2 would reach only after spending more than linear time, checked on
// the bytes before it parses them. It recognises just enough of XML for that
// (tags, quoted values, comments, CDATA sections, processing instructions)
// and counts attributes per start tag and the length of every token. It
// does not judge well-formedness: libxml2 does, on the same bytes.
class TextScanner {
public:
    enum class Excess { None, Attributes, Token };

    TextScanner(std::size_t maxAttributes, std::size_t maxTokenBytes)
        : m_maxAttributes(maxAttributes), m_maxTokenBytes(maxTokenBytes) {}

    // Scans the next `size` bytes; when a limit is passed, says which and
    // the offset in `data` of the unit that passed it, and scans no more.
    Excess scan(unsigned char const* data, std::size_t size, std::size_t& where) {
        if (m_excess != Excess::None) {
            where = 0;
            return m_excess;
        }
        if (!m_layoutKnown) {
            m_layout = detectLayout(data, size);
            m_layoutKnown = true;
        }
        std::size_t offset = 0;
        // A unit split by the end of the last piece is completed first.
        while (m_pendingSize > 0 && offset < size) {
            m_pending[m_pendingSize++] = data[offset++];
            if (m_pendingSize == m_layout.width) {
                m_pendingSize = 0;
                if (step(unitAt(m_pending))) {
                    where = offset - 1;
                    return m_excess;
                }
            }
        }
        std::size_t const width = m_layout.width;
        std::size_t const whole = offset + (size - offset) / width * width;
        if (width == 1) {
            if (scanBytes(data, offset, whole, where)) return m_excess;
        } else {
            for (; offset < whole; offset += width) {
                if (step(unitAt(data + offset))) {
                    where = offset + width - 1;
                    return m_excess;
                }
            }
        }
        for (std::size_t i = whole; i < size; ++i) m_pending[m_pendingSize++] = data[i];
        return Excess::None;
    }

    TextLayout layout() const { return m_layout; }

private:
    enum class State : unsigned char {
        Content,
        Open,
        Bang,
        BangDash,
        CdataHeader,
        Declaration,
        Comment,
        Cdata,
        Pi,
        Tag,
        Value,
        EndTag
    };

    std::uint32_t unitAt(unsigned char const* p) const {
        std::uint32_t unit = 0;
        for (unsigned i = 0; i < m_layout.width; ++i) {
            unsigned const at = m_layout.bigEndian ? i : m_layout.width - 1 - i;
            unit = unit << 8 | p[at];
        }
        return unit;
    }

    // One more unit of a token; true when the token is now too long.
    bool grow() {
        m_length += m_layout.width;
        if (m_length <= m_maxTokenBytes) return false;
        m_excess = Excess::Token;
        return true;
    }

    void enter(State state) {
        m_state = state;
        m_length = 0;
        m_marks = 0;
    }

    // Takes one unit; true when a limit was passed by it.
    bool step(std::uint32_t c) {
        switch (m_state) {
            case State::Content:
                if (c == '<') {
                    m_state = State::Open;
                    return false;
                }
                return grow();
            case State::Open:
                if (c == '!') {
                    m_state = State::Bang;
                } else if (c == '?') {
                    enter(State::Pi);
                } else if (c == '/') {
                    m_state = State::EndTag;
                } else {
                    m_state = State::Tag;
                    m_attributes = 0;
                }
                return false;
            case State::Bang:
                if (c == '-') {
                    m_state = State::BangDash;
                } else if (c == '[') {
                    m_state = State::CdataHeader;
                } else {
                    m_state = State::Declaration;  // a DOCTYPE, which the parser refuses
                }
                return false;
            case State::BangDash:
                if (c == '-') {
                    enter(State::Comment);
                } else {
                    m_state = State::Declaration;
                }
                return false;
            case State::CdataHeader:  // "CDATA[", which the parser checks
                if (c == '[') enter(State::Cdata);
                return false;
            case State::Declaration:
                return false;
            case State::Comment:
            case State::Cdata:
            case State::Pi: {
                // The end marks: "--" then ">", "]]" then ">", "?" then ">".
                std::uint32_t const mark = m_state == State::Comment ? '-' : m_state == State::Cdata ? ']' : '?';
                unsigned const needed = m_state == State::Pi ? 1 : 2;
                if (c == '>' && m_marks >= needed) {
                    enter(State::Content);
                    return false;
                }
                m_marks = c == mark ? m_marks + 1 : 0;
                // The marks that may turn out to be the end are not counted yet.
                m_length += m_layout.width;
                if (m_length - std::min(m_marks, needed) * m_layout.width <= m_maxTokenBytes) return false;
                m_excess = Excess::Token;
                return true;
            }
            case State::Tag:
                if (c == '"' || c == '\'') {
                    m_quote = c;
                    m_state = State::Value;
                    m_length = 0;
                } else if (c == '=') {
                    if (++m_attributes > m_maxAttributes) {
                        m_excess = Excess::Attributes;
                        return true;
                    }
                } else if (c == '>') {
                    enter(State::Content);
                }
                return false;
            case State::Value:
                if (c == m_quote) {
                    m_state = State::Tag;
                    return false;
                }
                return grow();
            case State::EndTag:
                if (c == '>') enter(State::Content);
                return false;
        }
        return false;
    }

    // The first byte from `offset` on that matters inside a start tag (a
    // quote, "=" or ">"), or `end`; sixteen bytes at a time where SSE2 is.
    static std::size_t nextTagMark(unsigned char const* data, std::size_t offset, std::size_t end) {
#if defined(__SSE2__)
        __m128i const quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\''), equals = _mm_set1_epi8('='),
                      close = _mm_set1_epi8('>');
        for (; offset + 16 <= end; offset += 16) {
            __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(data + offset));
            __m128i const hits =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, apostrophe)),
                             _mm_or_si128(_mm_cmpeq_epi8(bytes, equals), _mm_cmpeq_epi8(bytes, close)));
            if (int const mask = _mm_movemask_epi8(hits)) return offset + static_cast<unsigned>(__builtin_ctz(mask));
        }
#endif
        while (offset < end && !isTagMark(data[offset])) ++offset;
        return offset;
    }

    // The first `wanted` byte from `offset` on, or `end`.
    static std::size_t nextByte(unsigned char const* data, std::size_t offset, std::size_t end, unsigned char wanted) {
        if (offset < end && data[offset] == wanted) return offset;  // often so: a run is mostly short
#if defined(__SSE2__)
        __m128i const pattern = _mm_set1_epi8(static_cast<char>(wanted));
        for (; offset + 16 <= end; offset += 16) {
            __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(data + offset));
            if (int const mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, pattern))) {
                return offset + static_cast<unsigned>(__builtin_ctz(mask));
            }
        }
#endif
        while (offset < end && data[offset] != wanted) ++offset;
        return offset;
    }

    static bool isTagMark(unsigned char c) {
        static constexpr auto marks = [] {
            std::array<bool, 256> table{};
            for (unsigned char m : {'"', '\'', '=', '>'}) table[m] = true;
            return table;
        }();
        return marks[c];
    }

    static bool countsLength(State state) {
        return state == State::Content || state == State::Value || state == State::Comment || state == State::Cdata ||
               state == State::Pi;
    }

    // The same steps over bytes: runs of plain bytes are skipped in one go
    // (with memchr where one byte ends them), the bytes that end them are
    // stepped one by one.
    bool scanBytes(unsigned char const* data, std::size_t offset, std::size_t end, std::size_t& where) {
        while (offset < end) {
            State const state = m_state;
            std::size_t stop = offset;
            if (state == State::Content || state == State::Value || state == State::EndTag) {
                unsigned char const wanted = state == State::Content ? '<'
                                             : state == State::Value ? static_cast<unsigned char>(m_quote)
                                                                     : '>';
                stop = nextByte(data, offset, end, wanted);
            } else if (state == State::Tag) {
                stop = nextTagMark(data, offset, end);
            } else if (state == State::Comment || state == State::Cdata || state == State::Pi) {
                unsigned char const mark = state == State::Comment ? '-' : state == State::Cdata ? ']' : '?';
                while (stop < end && data[stop] != mark && data[stop] != '>') ++stop;
            }
            std::size_t const run = stop - offset;
            if (run > 0 && countsLength(state)) {
                m_marks = 0;
                if (run > m_maxTokenBytes - std::min(m_length, m_maxTokenBytes)) {
                    where = offset + (m_maxTokenBytes - m_length);
                    m_excess = Excess::Token;
                    return true;
                }
                m_length += run;
            }
            if (stop == end) break;
            offset = stop + 1;
            // The frequent steps, taken here; the others by step().
            unsigned char const c = data[stop];
            if (state == State::Tag && c == '=') {
                if (++m_attributes <= m_maxAttributes) continue;
                m_excess = Excess::Attributes;
                where = stop;
                return true;
            }
            if (state == State::Tag && c != '>') {
                m_quote = c;
                m_state = State::Value;
                m_length = 0;
            } else if (state == State::Value) {
                m_state = State::Tag;
            } else if (state == State::Tag) {  // its ">"
                enter(State::Content);
            } else if (state == State::Content && offset < end && data[offset] != '!' && data[offset] != '?') {
                // The start of a start tag or an end tag, told by the byte after "<".
                m_state = data[offset] == '/' ? State::EndTag : State::Tag;
                m_attributes = 0;
                ++offset;
            } else if (state == State::Content) {
                m_state = State::Open;
            } else if (step(c)) {
                where = stop;
                return true;
            }
        }
        return false;
    }

    std::size_t m_maxAttributes;
    std::size_t m_maxTokenBytes;
    TextLayout m_layout;
    bool m_layoutKnown = false;
    State m_state = State::Content;
    Excess m_excess = Excess::None;
    std::size_t m_length = 0;      // bytes of the current token so far
    std::size_t m_attributes = 0;  // attributes of the current start tag so far
    unsigned m_marks = 0;          // end marks seen in a row
    std::uint32_t m_quote = 0;
    unsigned char m_pending[4] = {};
    unsigned m_pendingSize = 0;
};

// Line and column of a place in the raw text, counted the way libxml2
// counts them: a line ends at a line feed, a column is a character.
class TextPosition {
public:
    // The position of the unit at `offset` in a piece whose start the
    // counts have reached (the piece itself not yet taken).
    std::pair<std::size_t, std::size_t> at(TextLayout const& layout, unsigned char const* piece,
                                           std::size_t offset) const {
        TextPosition ahead = *this;
        ahead.take(layout, piece, offset);
        return {ahead.m_line, ahead.m_column + 1};
    }

    void take(TextLayout const& layout, unsigned char const* piece, std::size_t size) {
        // A byte order mark at the start is no character of the document.
        bool const markFirst = m_atStart && size > 0;
        m_atStart = m_atStart && size == 0;
        if (layout.width == 1) {
            bool const mark = markFirst && size >= 3 && piece[0] == 0xEF && piece[1] == 0xBB && piece[2] == 0xBF;
            std::size_t start = mark ? 3 : 0;
            for (void const* found; (found = std::memchr(piece + start, '\n', size - start)) != nullptr;) {
                ++m_line;
                m_column = 0;
                start = static_cast<std::size_t>(static_cast<unsigned char const*>(found) - piece) + 1;
            }
            m_column += characters(piece + start, size - start);
            return;
        }
        for (std::size_t i = 0; i + layout.width <= size; i += layout.width) {
            std::uint32_t const unit = layout.bigEndian ? piece[i + layout.width - 1] | piece[i + layout.width - 2] << 8
                                                        : piece[i] | piece[i + 1] << 8;
            bool const onlyLowBytes = layout.width == 2 || (layout.bigEndian ? (piece[i] | piece[i + 1]) == 0
                                                                             : (piece[i + 2] | piece[i + 3]) == 0);
            if (unit == '\n' && onlyLowBytes) {
                ++m_line;
                m_column = 0;
            } else if (i == 0 && markFirst && unit == 0xFEFF && onlyLowBytes) {
                continue;
            } else if (layout.width == 4 || (unit & 0xFC00) != 0xDC00) {
                ++m_column;  // the second half of a surrogate pair is the same character
            }
        }
    }

private:
    // UTF-8 characters in `size` bytes: the bytes that are not continuation
    // bytes (10xxxxxx), counted eight at a time.
    static std::size_t characters(unsigned char const* bytes, std::size_t size) {
        std::size_t continuation = 0;
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, 8);
            std::uint64_t const marks = (word & ~(word << 1) & 0x8080808080808080ULL) >> 7;  // 0 or 1 per byte
            continuation += static_cast<std::size_t>(marks * 0x0101010101010101ULL >> 56);
        }
        for (; i < size; ++i) continuation += (bytes[i] & 0xC0) == 0x80;
        return size - continuation;
    }

    std::size_t m_line = 1;
    std::size_t m_column = 0;
    bool m_atStart = true;
};

// Names already copied into the arena, by the address of libxml2's own copy
// in its dictionary, which stays put for the whole parse. Its size is the
// number of distinct names the document used so far.
class NameTable {
public:
    // The arena's copy of `name`, or null when the name is new.
    std::string_view* find(xmlChar const* name) {
        if (m_slots.empty()) return nullptr;
        for (std::size_t i = slotOf(name);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& slot = m_slots[i];
            if (slot.key == name) return &slot.copy;
            if (slot.key == nullptr) return nullptr;
        }
    }

    void add(xmlChar const* name, std::string_view copy) {
        if ((m_size + 1) * 2 > m_slots.size()) grow();
        std::size_t i = slotOf(name);
        while (m_slots[i].key != nullptr) i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = Slot{name, copy};
        ++m_size;
    }

    std::size_t size() const { return m_size; }

private:
    struct Slot {
        xmlChar const* key = nullptr;
        std::string_view copy;
    };

    std::size_t slotOf(xmlChar const* name) const {
        std::uint64_t const key = reinterpret_cast<std::uintptr_t>(name);
        return static_cast<std::size_t>((key >> 3) * 0x9E3779B97F4A7C15ULL >> 20) & (m_slots.size() - 1);
    }

    void grow() {
        std::vector<Slot> old(m_slots.empty() ? 64 : m_slots.size() * 2);
        old.swap(m_slots);
        m_size = 0;
        for (Slot const& slot : old) {
            if (slot.key != nullptr) add(slot.key, slot.copy);
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_size = 0;
};

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

// Builds a document's tree from libxml2's SAX2 events. libxml2 pulls the
// text through read(), in pieces of a few kilobytes, and only reports; the
// tree, its names and its text are ours, in the document's arena. The
// callbacks run inside libxml2's C frames, so none of them lets an exception
// out: the first failure (a refusal, a syntax error or an exception of our
// own) is kept, the parser is stopped or at least silenced, and the failure
// is thrown once control is back here.
class XmlTreeBuilder {
public:
    // Where the text comes from: fills `buffer` with up to `size` bytes and
    // returns how many; 0 at the end of the text.
    class Source {
    public:
        virtual std::size_t read(char* buffer, std::size_t size) = 0;
        // All the text read so far, when the source keeps it; then places
        // in it are counted only when one is reported.
        virtual std::string_view kept() const { return {}; }

    protected:
        ~Source() = default;
    };

    XmlTreeBuilder(XmlReadLimits const& limits, Source& source)
        : m_limits(limits),
          m_source(source),
          m_scanner(limits.maxAttributes, limits.maxTokenBytes),
          m_storage(new XmlDocument::Storage),
          m_text(16) {
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
        handler.processingInstruction = &XmlTreeBuilder::onProcessingInstruction;
        handler.serror = &XmlTreeBuilder::onError;
        handler.internalSubset = &XmlTreeBuilder::onDoctype;
        // Nothing is ever loaded or looked up: no DTD, no entity but the
        // five predefined ones (which libxml2 resolves itself).
        handler.externalSubset = &XmlTreeBuilder::onExternalSubset;
        handler.resolveEntity = &XmlTreeBuilder::onResolveEntity;
        handler.getEntity = &XmlTreeBuilder::onGetEntity;
        handler.getParameterEntity = &XmlTreeBuilder::onGetEntity;

        // The context, its input and the events are put together here
        // rather than by xmlCreateIOParserCtxt, which loses the input
        // buffer when it runs out of memory in between.
        m_context = xmlNewParserCtxt();
        if (m_context == nullptr) throw cannotStart();
        try {
            std::memcpy(m_context->sax, &handler, sizeof handler);
            m_context->userData = this;
            xmlParserInputBufferPtr const buffer =
                xmlParserInputBufferCreateIO(&XmlTreeBuilder::onRead, nullptr, this, XML_CHAR_ENCODING_NONE);
            if (buffer == nullptr) throw cannotStart();
            xmlParserInputPtr const input = xmlNewIOInputStream(m_context, buffer, XML_CHAR_ENCODING_NONE);
            if (input == nullptr) {
                xmlFreeParserInputBuffer(buffer);
                throw cannotStart();
            }
            if (inputPush(m_context, input) < 0) throw cannotStart();  // the input is released
        } catch (...) {
            xmlFreeParserCtxt(m_context);
            throw;
        }
        xmlCtxtUseOptions(m_context, XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_HUGE);
    }

    XmlTreeBuilder(XmlTreeBuilder const&) = delete;
    XmlTreeBuilder& operator=(XmlTreeBuilder const&) = delete;
    ~XmlTreeBuilder() { xmlFreeParserCtxt(m_context); }

    XmlDocument build() {
        xmlParseDocument(m_context);
        throwIfFailed();
        if (m_root == nullptr) throw here("XML parse error").error("the document has no root element");
        xmlParserInputPtr const input = m_context->input;
        if (input != nullptr && input->buf != nullptr && input->buf->raw != nullptr && xmlBufUse(input->buf->raw) > 0) {
            // Bytes at the end that the decoder could not make a character
            // of: an odd byte in UTF-16, half of a surrogate pair.
            throw here("XML parse error").error("the text cannot be decoded in its declared encoding");
        }
        if ((input != nullptr && input->cur != nullptr && input->cur < input->end) || !m_ended) {
            // libxml2 stops at a NUL character as if the text ended there.
            throw here("XML parse error").error("Extra content at the end of the document");
        }
        if (!m_context->wellFormed || !m_open.empty()) {
            throw here("XML parse error").error("the document is not well-formed");
        }
        return XmlDocument(std::move(m_storage), m_root);
    }

private:
    struct OpenElement {
        XMLNode* node;
        XMLNode* lastChild;
    };

    static XmlTreeBuilder& self(void* context) { return *static_cast<XmlTreeBuilder*>(context); }

    static DomException cannotStart() {
        return DomException("XML reader could not start: libxml2 could not allocate its parser");
    }

    // Where an error was found in the text: its message names the place,
    // and the exception carries the line for callers that point at it.
    struct Place {
        char const* what;
        std::size_t line;
        std::size_t column;

        DomException error(std::string const& reason) const {
            return DomException(std::string(what) + " at line " + std::to_string(line) + ", column " +
                                    std::to_string(column) + ": " + reason,
                                line);
        }
    };

    static Place position(char const* what, std::size_t line, std::size_t column) { return {what, line, column}; }

    // `what`, placed where the parser is now.
    Place here(char const* what) const {
        return position(what, static_cast<std::size_t>(std::max(1, xmlSAX2GetLineNumber(m_context))),
                        static_cast<std::size_t>(std::max(1, xmlSAX2GetColumnNumber(m_context))));
    }

    void throwIfFailed() {
        if (m_failure) std::rethrow_exception(m_failure);
    }

    // How a failure stops the parser. Only an event handler may halt it:
    // halting releases the input, which an error may be reported from the
    // middle of. An error reported by the parser only turns its events off
    // (as a fatal error does anyway); one reported while the input is being
    // read or decoded leaves the parser alone, which gives up by itself.
    enum class Halt { Stop, Silence, Nothing };

    void fail(std::exception_ptr failure, Halt halt) noexcept {
        if (!m_failure) m_failure = std::move(failure);
        // Before the parser's context exists (it could not be allocated)
        // there is nothing to halt.
        if (m_context == nullptr) return;
        if (halt == Halt::Stop) {
            xmlStopParser(m_context);
        } else if (halt == Halt::Silence) {
            m_context->disableSAX = 1;
        }
    }

    void refuseAt(Place const& where, std::string const& reason, Halt halt) noexcept {
        try {
            fail(std::make_exception_ptr(where.error(reason)), halt);
        } catch (...) {
            fail(std::current_exception(), halt);
        }
    }

    // Records a refusal of our own, placed where the parser is now.
    void refuse(std::string const& reason) noexcept {
        try {
            refuseAt(here("XML document refused"), reason, Halt::Stop);
        } catch (...) {
            fail(std::current_exception(), Halt::Stop);
        }
    }

    // The next piece of text for libxml2, checked against the size limit and
    // passed through the scanner first. -1 stops the parser.
    int read(char* buffer, std::size_t size) {
        if (m_failure) return -1;
        std::size_t got = m_source.read(buffer, size);
        if (got == 0) {
            m_ended = true;
            return 0;
        }
        unsigned char const* const piece = reinterpret_cast<unsigned char const*>(buffer);
        bool const over = got > m_limits.maxBytes - m_read;
        if (over) got = m_limits.maxBytes - m_read;
        std::size_t where = 0;
        TextScanner::Excess const excess = m_scanner.scan(piece, got, where);
        if (m_read == 0 && !m_scanner.layout().supported) {
            refuseAt(position("XML document refused", 1, 1),
                     "the text is in an encoding that is not read (only UTF-8, UTF-16, UCS-4 and encodings that "
                     "extend ASCII are)",
                     Halt::Nothing);
            return -1;
        }
        if (excess != TextScanner::Excess::None || over) {
            std::size_t const at = excess != TextScanner::Excess::None ? where : got;
            std::string_view const kept = m_source.kept();
            auto const [line, column] =
                kept.empty() ? m_position.at(m_scanner.layout(), piece, at)
                             : TextPosition().at(m_scanner.layout(),
                                                 reinterpret_cast<unsigned char const*>(kept.data()), m_read + at);
            std::string reason;
            if (excess == TextScanner::Excess::Attributes) {
                reason = "an element has more attributes than the limit of " + std::to_string(m_limits.maxAttributes);
            } else if (excess == TextScanner::Excess::Token) {
                reason =
                    "a token (text, attribute value, comment, CDATA section or processing instruction) is "
                    "longer than the limit of " +
                    std::to_string(m_limits.maxTokenBytes) + " bytes";
            } else {
                reason = "the XML text is larger than the limit of " + std::to_string(m_limits.maxBytes) + " bytes";
            }
            refuseAt(position("XML document refused", line, column), reason, Halt::Nothing);
            return -1;
        }
        if (m_source.kept().empty()) m_position.take(m_scanner.layout(), piece, got);
        m_read += got;
        return static_cast<int>(got);
    }

    static int onRead(void* context, char* buffer, int size) {
        XmlTreeBuilder& builder = self(context);
        try {
            return size > 0 ? builder.read(buffer, static_cast<std::size_t>(size)) : 0;
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Nothing);
            return -1;
        }
    }

    // The arena's one copy of a name; every name counts against the limit
    // of distinct names, checked before the parser meets many more of them.
    std::string_view name(xmlChar const* text) {
        if (text == nullptr) return {};
        if (std::string_view* const known = m_names.find(text)) return *known;
        std::string_view const copy = m_storage->arena.copy(chars(text), std::strlen(chars(text)));
        // Only libxml2's dictionary entries keep their address (and content)
        // for the whole parse; anything else is copied every time.
        if (xmlDictOwns(m_context->dict, text) == 1) {
            m_names.add(text, copy);
            if (m_names.size() > m_limits.maxNames) {
                throw here("XML document refused")
                    .error("the document uses more distinct names than the limit of " +
                           std::to_string(m_limits.maxNames));
            }
        }
        return copy;
    }

    void startElement(xmlChar const* localName, xmlChar const* uri, int namespaceCount, xmlChar const** namespaces,
                      int attributeCount, xmlChar const** attributes) {
        std::size_t const depth = m_open.size() + 1;
        if (depth > m_limits.maxDepth) {
            refuse("elements are nested deeper than the limit of " + std::to_string(m_limits.maxDepth) + " levels");
            return;
        }
        // Declared prefixes and namespace names are names of the document
        // too, whether any element uses them or not.
        for (int i = 0; i < 2 * namespaceCount; ++i) name(namespaces[i]);
        Arena& arena = m_storage->arena;
        XMLNode* node = new (arena.allocateArray<XMLNode>(1)) XMLNode();
        node->name = name(localName);
        node->namespaceURI = name(uri);
        node->line = static_cast<std::uint32_t>(xmlSAX2GetLineNumber(m_context));
        if (attributeCount > 0) {
            XMLAttribute* out = arena.allocateArray<XMLAttribute>(static_cast<std::size_t>(attributeCount));
            // Five pointers per attribute: local name, prefix, URI, value, end of value.
            for (int i = 0; i < attributeCount; ++i, attributes += 5) {
                std::size_t const length = static_cast<std::size_t>(attributes[4] - attributes[3]);
                name(attributes[1]);
                new (out + i)
                    XMLAttribute{name(attributes[0]), name(attributes[2]), arena.copy(chars(attributes[3]), length)};
            }
            node->m_attributes = out;
            node->m_attributeCount = static_cast<std::uint32_t>(attributeCount);
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
                               int namespaceCount, xmlChar const** namespaces, int attributeCount,
                               int /*defaultedCount*/, xmlChar const** attributes) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure) return;
        try {
            builder.startElement(localName, uri, namespaceCount, namespaces, attributeCount, attributes);
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

    // A processing instruction is not kept, but its target is a name.
    static void onProcessingInstruction(void* context, xmlChar const* target, xmlChar const* /*data*/) {
        XmlTreeBuilder& builder = self(context);
        if (builder.m_failure) return;
        try {
            builder.name(target);
        } catch (...) {
            builder.fail(std::current_exception(), Halt::Stop);
        }
    }

    // Why the text ended too soon, when libxml2's own words are less clear.
    std::string prematureEnd(xmlError const& error) const {
        if (error.code == XML_ERR_DOCUMENT_EMPTY) return "the document has no root element";
        xmlParserInputPtr const input = m_context->input;
        bool const allParsed = m_ended && input != nullptr && input->cur != nullptr && input->cur >= input->end;
        if (!allParsed) return {};
        if (m_root == nullptr) return "the document ends before its root element is complete";
        if (error.code == XML_ERR_GT_REQUIRED) return "the document ends inside a start tag";
        if (!m_open.empty()) {
            return "the document ends before element '" + std::string(m_open.back().node->name) + "' is closed";
        }
        return {};
    }

    void parseError(xmlError const& error, Halt halt) {
        std::string reason = prematureEnd(error);
        if (reason.empty()) {
            reason = error.message != nullptr ? error.message : "unknown error";
            std::replace(reason.begin(), reason.end(), '\n', ' ');
            while (!reason.empty() && reason.back() == ' ') reason.pop_back();
        }
        if (error.line <= 0) {
            // Reported without the parser (a failed decoding): place it where the parser is.
            fail(std::make_exception_ptr(here("XML parse error").error(reason)), halt);
            return;
        }
        fail(std::make_exception_ptr(position("XML parse error", static_cast<std::size_t>(error.line),
                                              static_cast<std::size_t>(std::max(1, error.int2)))
                                         .error(reason)),
             halt);
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
        // Before the parser's context exists, it is its creation that failed.
        if (builder.m_context == nullptr) return;
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
        // Before the parser's context exists, it is its creation that failed.
        if (builder.m_context == nullptr) return;
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
    Source& m_source;
    TextScanner m_scanner;
    TextPosition m_position;  // where the text read so far ends, unless the source keeps it
    std::size_t m_read = 0;   // bytes handed to libxml2 so far
    bool m_ended = false;     // the source has no more text
    ErrorHandlersOfThisThread m_errorHandlers{this, &XmlTreeBuilder::onError, &XmlTreeBuilder::onPlainError};
    std::unique_ptr<XmlDocument::Storage> m_storage;
    xmlParserCtxtPtr m_context = nullptr;
    std::exception_ptr m_failure;
    XMLNode* m_root = nullptr;
    std::vector<OpenElement> m_open;
    // The character data of each open element so far, indexed by depth; the
    // strings are reused from element to element, so their memory is too.
    std::vector<std::string> m_text;
    NameTable m_names;
};

namespace {

class MemorySource final : public XmlTreeBuilder::Source {
public:
    explicit MemorySource(std::string_view text) : m_text(text) {}
    std::size_t read(char* buffer, std::size_t size) override {
        std::size_t const got = std::min(size, m_text.size() - m_at);
        std::memcpy(buffer, m_text.data() + m_at, got);
        m_at += got;
        return got;
    }
    std::string_view kept() const override { return m_text.substr(0, m_at); }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// Reads the stream straight into libxml2's buffer. A stream that fails is
// reported as such, with the number of bytes read before.
class StreamSource final : public XmlTreeBuilder::Source {
public:
    explicit StreamSource(std::istream& in) : m_in(in) {}
    std::size_t read(char* buffer, std::size_t size) override {
        if (!m_in) return fail(nullptr);
        try {
            m_in.read(buffer, static_cast<std::streamsize>(size));
        } catch (std::exception const& e) {
            m_total += static_cast<std::size_t>(m_in.gcount());
            return fail(e.what());
        }
        std::size_t const got = static_cast<std::size_t>(m_in.gcount());
        m_total += got;
        if (m_in.bad()) return fail(nullptr);
        return got;
    }

private:
    std::size_t fail(char const* why) {
        if (!m_in.bad()) return 0;  // at its end
        throw DomException("XML input could not be read: the stream failed after " + std::to_string(m_total) +
                           " bytes" + (why != nullptr ? std::string(" (") + why + ")" : std::string()));
    }

    std::istream& m_in;
    std::size_t m_total = 0;
};

}  // namespace

XmlDocument XmlDocument::parse(std::string_view xml, XmlReadLimits const& limits) {
    MemorySource source(xml);
    return XmlTreeBuilder(limits, source).build();
}

XmlDocument XmlDocument::parse(std::istream& in, XmlReadLimits const& limits) {
    StreamSource source(in);
    return XmlTreeBuilder(limits, source).build();
}

}  // namespace Kestrune::Soa::Common::Xml
