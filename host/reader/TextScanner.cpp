#include "host/reader/TextScanner.h"

#include <algorithm>
#include <array>
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

// Takes one byte; true when a limit was passed by it.
bool TextScanner::step(unsigned char c) {
    switch (m_state) {
        case State::Content:
            if (c == '<') {
                m_state = State::Open;
                return false;
            }
            if (++m_length <= m_maxTokenBytes) return false;
            m_excess = Excess::Token;
            return true;
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
            if (++m_length <= m_maxTokenBytes) return false;
            m_excess = Excess::Token;
            return true;
        case State::EndTag:
            if (c == '>') enter(State::Content);
            return false;
    }
    return false;
}

// Runs of plain bytes are skipped in one go, the bytes that end them are
// stepped one by one.
TextScanner::Excess TextScanner::scan(char const* text, std::size_t end, std::size_t& where) {
    if (m_excess != Excess::None) {
        where = 0;
        return m_excess;
    }
    unsigned char const* const data = reinterpret_cast<unsigned char const*>(text);
    std::size_t offset = 0;
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
            if (run > m_maxTokenBytes - std::min(m_length, m_maxTokenBytes)) {
                where = offset + (m_maxTokenBytes - m_length);
                m_excess = Excess::Token;
                return m_excess;
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
            return m_excess;
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
            return m_excess;
        }
    }
    return Excess::None;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
