#pragma once

// What each byte of the UTF-8 text is to the tokenizer: a 256-entry table
// with a bit per class, and the runs of bytes that need no attention (most
// of any document) skipped sixteen at a time where SSE2 is. A byte of 0x80
// or more always ends a run: it begins a character that must be decoded
// and checked.

#include <array>
#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrune::Soa::Common::Xml::Reader {

enum ByteClass : unsigned char {
    kStartsName = 1,     // an ASCII byte that may start a name: letters, '_' (':' is told apart)
    kContinuesName = 2,  // an ASCII byte that may continue one: those, '-', '.', digits
    kSpace = 4,          // white space: space, tab, line feed, carriage return
    kEndsText = 8,       // ends a run of character data: '<', '&', ']', CR
    kEndsValue = 16,     // ends a run of an attribute value: '<', '&', either quote, tab, LF, CR
    kEndsComment = 32,   // '-'
    kEndsPi = 64,        // '?'
    kEndsCdata = 128,    // ']', CR
};

// A control character XML does not allow, or a byte of 0x80 or more: both
// end every run (every class above but the names').
constexpr bool isSpecialByte(unsigned c) noexcept { return c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r'); }

inline constexpr std::array<unsigned char, 256> kByteClasses = [] {
    std::array<unsigned char, 256> table{};
    for (unsigned c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') bits |= kStartsName | kContinuesName;
        if (c == '-' || c == '.' || (c >= '0' && c <= '9')) bits |= kContinuesName;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') bits |= kSpace;
        if (isSpecialByte(c)) bits |= kEndsText | kEndsValue | kEndsComment | kEndsPi | kEndsCdata;
        if (c == '<' || c == '&' || c == ']' || c == '\r') bits |= kEndsText;
        if (c == '<' || c == '&' || c == '"' || c == '\'' || c == '\t' || c == '\n' || c == '\r') bits |= kEndsValue;
        if (c == '-') bits |= kEndsComment;
        if (c == '?') bits |= kEndsPi;
        if (c == ']' || c == '\r') bits |= kEndsCdata;
        table[c] = bits;
    }
    return table;
}();

inline unsigned char classOf(char c) noexcept { return kByteClasses[static_cast<unsigned char>(c)]; }

// The first byte from `p` on (before `end`) that is of class `Ends`, or
// `end`. `A` to `D` are the printable ASCII bytes of that class (repeated
// when it has fewer); `Spaces` the white space among them (a mask: 1 tab, 2 LF,
// 4 CR). Sixteen bytes at a time where SSE2 is, as long as sixteen remain.
template <unsigned char Ends, char A, char B, char C, char D, unsigned Spaces>
char const* skipRun(char const* p, char const* end) noexcept {
#if defined(__SSE2__)
    __m128i const a = _mm_set1_epi8(A), b = _mm_set1_epi8(B), c = _mm_set1_epi8(C), d = _mm_set1_epi8(D);
    __m128i const below = _mm_set1_epi8(0x20);
    __m128i const tab = _mm_set1_epi8('\t'), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    while (end - p >= 16) {
        __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
        // Signed: bytes of 0x80 or more are negative, so below 0x20 as well.
        __m128i controls = _mm_cmplt_epi8(v, below);
        if constexpr ((Spaces & 1) == 0) controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, tab), controls);
        if constexpr ((Spaces & 2) == 0) controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, lf), controls);
        if constexpr ((Spaces & 4) == 0) controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, cr), controls);
        __m128i const hits =
            _mm_or_si128(_mm_or_si128(controls, _mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b))),
                         _mm_or_si128(_mm_cmpeq_epi8(v, c), _mm_cmpeq_epi8(v, d)));
        if (int const mask = _mm_movemask_epi8(hits)) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && !(classOf(*p) & Ends)) ++p;
    return p;
}

inline char const* skipText(char const* p, char const* end) noexcept {
    return skipRun<kEndsText, '<', '&', ']', ']', 4>(p, end);
}
// Stops at either quote; the caller tells its own from the other.
inline char const* skipValue(char const* p, char const* end) noexcept {
    return skipRun<kEndsValue, '<', '&', '\'', '"', 7>(p, end);
}
inline char const* skipComment(char const* p, char const* end) noexcept {
    return skipRun<kEndsComment, '-', '-', '-', '-', 0>(p, end);
}
inline char const* skipPi(char const* p, char const* end) noexcept { return skipRun<kEndsPi, '?', '?', '?', '?', 0>(p, end); }
inline char const* skipCdata(char const* p, char const* end) noexcept {
    return skipRun<kEndsCdata, ']', ']', ']', ']', 4>(p, end);
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
