#include "host/reader/TextScanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

bool isTagMark(unsigned char c) {
    static constexpr auto marks = [] {
        std::array<bool, 256> table{};
        for (unsigned char m : {'"', '\'', '=', '>'}) table[m] = true;
        return table;
    }();
    return marks[c];
}

// The first byte from `offset` on that matters inside a start tag (a quote,
// "=" or ">"), or `end`; sixteen bytes at a time where SSE2 is.
std::size_t nextTagMark(unsigned char const* data, std::size_t offset, std::size_t end) {
#if defined(__SSE2__)
    __m128i const quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\''), equals = _mm_set1_epi8('='),
                  close = _mm_set1_epi8('>');
    for (; offset + 16 <= end; offset += 16) {
        __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(data + offset));
        __m128i const hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, apostrophe)),
                                          _mm_or_si128(_mm_cmpeq_epi8(bytes, equals), _mm_cmpeq_epi8(bytes, close)));
        if (int const mask = _mm_movemask_epi8(hits)) return offset + static_cast<unsigned>(__builtin_ctz(mask));
    }
#endif
    while (offset < end && !isTagMark(data[offset])) ++offset;
    return offset;
}

// The first `wanted` byte from `offset` on, or `end`.
std::size_t nextByte(unsigned char const* data, std::size_t offset, std::size_t end, unsigned char wanted) {
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

}  // namespace

// Where the "<" and the "=" of the text are, 64 bytes at a time, as bit
// masks: what the quick way through plain tags needs (see scanQuick).
class TextScanner::Marks {
public:
    Marks(unsigned char const* data, std::size_t end) noexcept : m_data(data), m_end(end) {}

    // The first "<" at or after `offset`, or the end.
    std::size_t nextOpen(std::size_t offset) noexcept {
        while (offset < m_end) {
            load(offset / 64);
            std::uint64_t const after = m_open & (~std::uint64_t{0} << (offset % 64));
            if (after != 0) return m_block * 64 + static_cast<std::size_t>(__builtin_ctzll(after));
            offset = (m_block + 1) * 64;
        }
        return m_end;
    }

    // How many "=" there are from `from` up to `to` (which is after it).
    std::size_t equalsBetween(std::size_t from, std::size_t to) noexcept {
        std::size_t count = 0;
        while (from < to) {
            load(from / 64);
            std::size_t const blockEnd = (m_block + 1) * 64;
            std::uint64_t bits = m_equals & (~std::uint64_t{0} << (from % 64));
            if (to < blockEnd) bits &= (std::uint64_t{1} << (to % 64)) - 1;
            count += ones(bits);
            from = blockEnd;
        }
        return count;
    }

private:
    static std::size_t ones(std::uint64_t bits) noexcept {
        bits -= (bits >> 1) & 0x5555555555555555ULL;
        bits = (bits & 0x3333333333333333ULL) + ((bits >> 2) & 0x3333333333333333ULL);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
        return static_cast<std::size_t>((bits * 0x0101010101010101ULL) >> 56);
    }

    void load(std::size_t block) noexcept {
        if (block == m_block) return;
        m_block = block;
        std::size_t const start = block * 64;
        unsigned char const* bytes = m_data + start;
        unsigned char padded[64];
        if (m_end - start < 64) {  // the last bytes, padded with zeros
            std::memset(padded, 0, sizeof padded);
            std::memcpy(padded, bytes, m_end - start);
            bytes = padded;
        }
        m_open = m_equals = 0;
#if defined(__SSE2__)
        __m128i const open = _mm_set1_epi8('<'), equals = _mm_set1_epi8('=');
        for (unsigned i = 0; i < 64; i += 16) {
            __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(bytes + i));
            m_open |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, open))))
                      << i;
            m_equals |=
                static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, equals))))
                << i;
        }
#else
        for (unsigned i = 0; i < 64; ++i) {
            m_open |= std::uint64_t{bytes[i] == '<'} << i;
            m_equals |= std::uint64_t{bytes[i] == '='} << i;
        }
#endif
    }

    unsigned char const* m_data;
    std::size_t m_end;
    std::size_t m_block = ~std::size_t{0};
    std::uint64_t m_open = 0;
    std::uint64_t m_equals = 0;
};

// Takes one byte that ends a run in the states scanExact leaves to it;
// true when a limit was passed by it.
bool TextScanner::step(unsigned char c) {
    switch (m_state) {
        case State::Content:  // text, tags and values are stepped by scanExact itself
        case State::Tag:
        case State::Value:
            return false;
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
            m_state = c == '-' ? State::BangDash : c == '[' ? State::CdataHeader : State::Declaration;
            return false;  // a declaration is a DOCTYPE, which the parser refuses
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
            unsigned char const mark = m_state == State::Comment ? '-' : m_state == State::Cdata ? ']' : '?';
            unsigned const needed = m_state == State::Pi ? 1 : 2;
            if (c == '>' && m_marks >= needed) {
                enter(State::Content);
                return false;
            }
            m_marks = c == mark ? m_marks + 1 : 0;
            // The marks that may turn out to be the end are not counted yet.
            ++m_length;
            if (m_length - std::min(m_marks, needed) <= m_maxTokenBytes) return false;
            m_excess = Excess::Token;
            return true;
        }
        case State::EndTag:
            if (c == '>') enter(State::Content);
            return false;
    }
    return false;
}

// Every token and start tag, exactly: runs of plain bytes are skipped in one
// go, the bytes that end them are stepped one by one. Returns at the first
// "<" met in text after `offset` (where the quick way may take over), or at
// the end; a limit passed sets m_excess.
std::size_t TextScanner::scanExact(unsigned char const* data, std::size_t offset, std::size_t end,
                                   std::size_t& where) {
    std::size_t const from = offset;
    while (offset < end) {
        State const state = m_state;
        std::size_t stop = offset;
        bool const token = state == State::Content || state == State::Value || state == State::Comment ||
                           state == State::Cdata || state == State::Pi;
        if (state == State::Content || state == State::Value || state == State::EndTag) {
            unsigned char const wanted = state == State::Content ? '<' : state == State::Value ? m_quote : '>';
            stop = nextByte(data, offset, end, wanted);
        } else if (state == State::Tag) {
            stop = nextTagMark(data, offset, end);
        } else if (state == State::Comment || state == State::Cdata || state == State::Pi) {
            unsigned char const mark = state == State::Comment ? '-' : state == State::Cdata ? ']' : '?';
            while (stop < end && data[stop] != mark && data[stop] != '>') ++stop;
        }
        std::size_t const run = stop - offset;
        if (run > 0 && token) {
            m_marks = 0;
            if (!lengthen(run, offset, where)) return stop;
        }
        if (stop == end) break;
        if (state == State::Content && stop > from) return stop;  // the quick way may go on from this "<"
        offset = stop + 1;
        // The frequent steps, taken here; the others by step().
        unsigned char const c = data[stop];
        if (state == State::Tag && c == '=') {
            if (++m_attributes <= m_maxAttributes) continue;
            m_excess = Excess::Attributes;
            where = stop;
            return stop;
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
            return stop;
        }
    }
    return end;
}

// A run of `run` more bytes of the current token, starting at `offset`;
// false (with `where` at the byte that passed the limit) when it is now too long.
bool TextScanner::lengthen(std::size_t run, std::size_t offset, std::size_t& where) {
    if (run <= m_maxTokenBytes - std::min(m_length, m_maxTokenBytes)) {
        m_length += run;
        return true;
    }
    where = offset + (m_maxTokenBytes - m_length);
    m_excess = Excess::Token;
    return false;
}

// The quick way through text and plain tags. A "<" never stands inside an
// attribute value nor in text, so a start or end tag and the text after it
// lie between one "<" and the next: when that stretch is no longer than a
// token may be and holds no more "=" than a tag may have attributes, none of
// its tokens and no tag in it passes a limit, and it is passed over whole.
// Comments, CDATA sections, processing instructions (which may hold "<"),
// a stretch that may pass a limit and one cut by the end of the piece are
// left to the exact scan, from their "<". (In text that is not well-formed a
// "<" may stand where it must not; libxml2 refuses it there, before reading
// further.) Returns where the exact scan takes over.
std::size_t TextScanner::scanQuick(Marks& marks, unsigned char const* data, std::size_t offset, std::size_t end,
                                   std::size_t& where) {
    std::size_t open = marks.nextOpen(offset);
    if (!lengthen(open - offset, offset, where) || open == end) return open;  // the text may go on in the next piece
    for (;;) {
        std::size_t const next = marks.nextOpen(open + 1);
        // A stretch no longer than the attributes allowed cannot hold more "=".
        std::size_t const length = next - open;
        if (next == end || data[open + 1] == '!' || data[open + 1] == '?' || length > m_maxTokenBytes ||
            (length > m_maxAttributes && marks.equalsBetween(open, next) > m_maxAttributes)) {
            break;
        }
        open = next;
    }
    m_length = 0;  // the text before that "<" ended there
    return open;
}

TextScanner::Excess TextScanner::scan(char const* text, std::size_t end, std::size_t& where) {
    if (m_excess != Excess::None) {
        where = 0;
        return m_excess;
    }
    unsigned char const* const data = reinterpret_cast<unsigned char const*>(text);
    Marks marks(data, end);
    std::size_t offset = 0;
    while (offset < end && m_excess == Excess::None) {
        if (m_state == State::Content) {
            offset = scanQuick(marks, data, offset, end, where);
            if (offset == end || m_excess != Excess::None) break;
        }
        offset = scanExact(data, offset, end, where);
    }
    return m_excess;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
