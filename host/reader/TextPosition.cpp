#include "host/reader/TextPosition.h"

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

unsigned ones(unsigned bits) noexcept {
    bits -= (bits >> 1) & 0x55555555U;
    bits = (bits & 0x33333333U) + ((bits >> 2) & 0x33333333U);
    return (((bits + (bits >> 4)) & 0x0F0F0F0FU) * 0x01010101U) >> 24;
}

bool continues(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

TextPlace TextPosition::count(char const* p, char const* readable) noexcept {
    char const* q = m_at;
    std::size_t line = m_line, column = m_column;
    bool afterReturn = m_afterReturn;
#if defined(__SSE2__)
    // Line ends (a line feed, a carriage return, or the two together) and
    // the bytes that begin a character (all but 10xxxxxx, which are below
    // -64 as signed bytes), sixteen at a time; the last sixteen, when they
    // may be read past `p`, with the bytes after it masked.
    auto const count = [&](char const* block, unsigned mask, unsigned size) {
        __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(block));
        __m128i const returns = _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'));
        __m128i const feeds = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
        unsigned const breaks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(feeds, returns))) & mask;
        unsigned const continuing =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(-64)))) & mask;
        if (breaks == 0) {
            column += size - (continuing == 0 ? 0 : ones(continuing));  // ASCII, mostly
            afterReturn = false;
            return;
        }
        unsigned const cr = static_cast<unsigned>(_mm_movemask_epi8(returns)) & mask;
        unsigned ends = breaks;
        if (cr != 0 || afterReturn) ends &= ~(breaks & ~cr & (cr << 1 | (afterReturn ? 1U : 0U)));  // but a CR's LF
        line += ones(ends);
        unsigned const last = 31 - static_cast<unsigned>(__builtin_clz(breaks));
        column = ones((~continuing & mask) >> last >> 1);
        afterReturn = (cr >> (size - 1) & 1) != 0;
    };
    // Most blocks are ASCII without a line end. A byte below 0x0E (line
    // ends among them) or above 0x7F (negative as a signed byte) is all
    // that may need a closer count, so one signed comparison per sixteen
    // bytes tests a block, and four blocks are tested together.
    __m128i const closer = _mm_set1_epi8(0x0E);
    auto const marked = [&](char const* block) {
        return _mm_cmplt_epi8(_mm_loadu_si128(reinterpret_cast<__m128i const*>(block)), closer);
    };
    auto const step = [&](char const* block, unsigned mask, unsigned size) {
        if ((static_cast<unsigned>(_mm_movemask_epi8(marked(block))) & mask) != 0) return count(block, mask, size);
        column += size;
        afterReturn = false;
    };
    for (; p - q >= 64; q += 64) {
        __m128i const any =
            _mm_or_si128(_mm_or_si128(marked(q), marked(q + 16)), _mm_or_si128(marked(q + 32), marked(q + 48)));
        if (_mm_movemask_epi8(any) == 0) {
            column += 64;
            afterReturn = false;
            continue;
        }
        for (char const* block = q; block < q + 64; block += 16) count(block, 0xFFFF, 16);
    }
    for (; p - q >= 16; q += 16) step(q, 0xFFFF, 16);
    if (q < p && readable - q >= 16) {
        unsigned const size = static_cast<unsigned>(p - q);
        step(q, (1U << size) - 1, size);
        q = p;
    }
#else
    (void)readable;
#endif
    for (; q < p; ++q) {
        if (*q == '\n' || *q == '\r') {
            if (*q == '\r' || !afterReturn) ++line;
            column = 0;
        } else if (!continues(*q)) {
            ++column;
        }
        afterReturn = *q == '\r';
    }
    m_at = p;
    m_line = line;
    m_column = column;
    m_afterReturn = afterReturn;
    return {line, column + 1};
}

Exceptions::DomException errorAt(Refusal kind, TextPlace place, std::string const& reason) {
    // A reason quotes names and values whole; a message stays one that a
    // person reads: past 200 bytes it is cut, at a character.
    constexpr std::size_t kLongest = 200;
    std::string_view shown = reason;
    if (shown.size() > kLongest) {
        std::size_t cut = kLongest;
        while (cut > kLongest - 3 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
        shown = shown.substr(0, cut);
    }
    return Exceptions::DomException(std::string(shown) + (shown.size() < reason.size() ? "..." : ""), place.line,
                                    place.column, kindOf(kind));
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
