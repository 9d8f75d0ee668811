#pragma once

// What each byte of the UTF-8 text is to the tokenizer: a 256-entry table
// with a bit per class, and the runs of bytes that need no attention (most
// of any document) skipped sixteen at a time where SSE2 is. A byte of 0x80
// or more always ends a run: it begins a character that must be decoded
// and checked.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestrune::Soa::Common::Xml::Reader {

enum ByteClass : unsigned char {
    kStartsName = 1,     // an ASCII byte that may start a qualified name: letters, '_'
    kContinuesName = 2,  // an ASCII byte that may continue a name: those, '-', '.', digits, ':'
    kSpace = 4,          // white space: space, tab, line feed, carriage return
    kEndsText = 8,       // ends a run of character data: '<', '&', ']', CR
    kEndsValue = 16,     // ends a run of an attribute value: '<', '&', either quote, tab, LF, CR
    kEndsComment = 32,   // '-'
    kEndsPi = 64,        // '?'
    kEndsCdata = 128,    // ']', CR
};

// A control character XML does not allow, or a byte of 0x80 or more: both
// end every run (every class above but the names').
constexpr bool isSpecialByte(unsigned c) noexcept {
    return c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r');
}

// The bytes other than the special ones that end a run of each class: the
// table below and the sixteen-byte scan (skipRun) are both made from these.
constexpr std::string_view stopsOf(ByteClass ends) noexcept {
    switch (ends) {
        case kEndsText:
            return "<&]\r";
        case kEndsValue:
            return "<&\"'\t\n\r";
        case kEndsComment:
            return "-";
        case kEndsPi:
            return "?";
        case kEndsCdata:
            return "]\r";
        default:
            return {};
    }
}

inline constexpr std::array<unsigned char, 256> kByteClasses = [] {
    std::array<unsigned char, 256> table{};
    for (unsigned c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') bits |= kStartsName | kContinuesName;
        if (c == '-' || c == '.' || c == ':' || (c >= '0' && c <= '9')) bits |= kContinuesName;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') bits |= kSpace;
        for (ByteClass const ends : {kEndsText, kEndsValue, kEndsComment, kEndsPi, kEndsCdata}) {
            if (isSpecialByte(c) || stopsOf(ends).find(static_cast<char>(c)) != std::string_view::npos) bits |= ends;
        }
        table[c] = bits;
    }
    return table;
}();

inline unsigned char classOf(char c) noexcept { return kByteClasses[static_cast<unsigned char>(c)]; }

// Whether the bytes from `p` (before `end`) begin with `text`.
inline bool startsWith(char const* p, char const* end, std::string_view text) noexcept {
    return static_cast<std::size_t>(end - p) >= text.size() && std::memcmp(p, text.data(), text.size()) == 0;
}

// Whether the `size` bytes at `a` and at `b` are the same: names, mostly
// short, compared a word at a time without reading past either.
inline bool sameBytes(char const* a, char const* b, std::size_t size) noexcept {
    auto const word = [](char const* p) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    };
    auto const half = [](char const* p) {
        std::uint32_t w;
        std::memcpy(&w, p, 4);
        return w;
    };
    if (size > 64) return std::memcmp(a, b, size) == 0;
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 < size; i += 8)
            if (word(a + i) != word(b + i)) return false;
        return word(a + size - 8) == word(b + size - 8);
    }
    if (size >= 4) return half(a) == half(b) && half(a + size - 4) == half(b + size - 4);
    return size == 0 || (a[0] == b[0] && a[size / 2] == b[size / 2] && a[size - 1] == b[size - 1]);
}

// The `i`th printable stop of a class (see stopsOf), or its last when it
// has fewer; and how many it has.
constexpr char printableStop(std::string_view stops, std::size_t i) noexcept {
    char found = 0;
    for (char const c : stops) {
        if (static_cast<unsigned char>(c) < 0x20) continue;
        found = c;
        if (i-- == 0) break;
    }
    return found;
}
constexpr std::size_t printableStops(std::string_view stops) noexcept {
    std::size_t count = 0;
    for (char const c : stops) count += static_cast<unsigned char>(c) >= 0x20;
    return count;
}

// The first byte from `p` on (before `end`) that is of class `Ends`, or
// `end`. Sixteen bytes at a time where SSE2 is, as long as sixteen remain.
template <ByteClass Ends>
char const* skipRun(char const* p, char const* end) noexcept {
#if defined(__SSE2__)
    constexpr std::string_view stops = stopsOf(Ends);
    static_assert(printableStops(stops) >= 1 && printableStops(stops) <= 4, "one to four printable stops");
    __m128i const a = _mm_set1_epi8(printableStop(stops, 0)), b = _mm_set1_epi8(printableStop(stops, 1)),
                  c = _mm_set1_epi8(printableStop(stops, 2)), d = _mm_set1_epi8(printableStop(stops, 3));
    __m128i const below = _mm_set1_epi8(0x20);
    __m128i const tab = _mm_set1_epi8('\t'), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    while (end - p >= 16) {
        __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
        // Signed: bytes of 0x80 or more are negative, so below 0x20 as well.
        __m128i controls = _mm_cmplt_epi8(v, below);
        if constexpr (stops.find('\t') == std::string_view::npos)
            controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, tab), controls);
        if constexpr (stops.find('\n') == std::string_view::npos)
            controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, lf), controls);
        if constexpr (stops.find('\r') == std::string_view::npos)
            controls = _mm_andnot_si128(_mm_cmpeq_epi8(v, cr), controls);
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

// The first byte from `p` on that is not an ASCII byte of a name (letters,
// digits, '_', '-', '.', ':'), or `end`: a byte of 0x80 or more stops it, to
// be decoded. `colons` gains the offsets from `from` of the first two colons
// met (in its two halves, each 0 while none is met), for the qualified name's
// check.
inline char const* skipAsciiName(char const* p, char const* end, char const* from, std::uint64_t& colons) noexcept {
    auto const colonAt = [&](char const* at) {
        std::uint64_t const offset = static_cast<std::uint64_t>(at - from);
        colons = (colons & 0xFFFFFFFF) == 0 ? offset : colons >> 32 == 0 ? colons | offset << 32 : colons;
    };
#if defined(__SSE2__)
    // x in [low, low + n) as unsigned bytes, with signed comparisons.
    auto const within = [](__m128i x, char low, char n) {
        return _mm_cmplt_epi8(_mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(low ^ 0x80))),
                              _mm_set1_epi8(static_cast<char>(-128 + n)));
    };
    while (end - p >= 16) {
        __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
        __m128i const letters = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
        // '-', '.', '/', the digits and ':' are 0x2D to 0x3A: all but '/'.
        __m128i const marks = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('/')), within(v, '-', 14));
        __m128i const name = _mm_or_si128(_mm_or_si128(letters, marks), _mm_cmpeq_epi8(v, _mm_set1_epi8('_')));
        unsigned const stops = ~static_cast<unsigned>(_mm_movemask_epi8(name)) & 0xFFFF;
        unsigned const length = stops == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(stops));
        unsigned found =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(':')))) & ((1U << length) - 1);
        for (; found != 0; found &= found - 1) colonAt(p + __builtin_ctz(found));
        p += length;
        if (length < 16) return p;
    }
#endif
    for (; p < end && (classOf(*p) & kContinuesName); ++p)
        if (*p == ':') colonAt(p);
    return p;
}

inline char const* skipText(char const* p, char const* end) noexcept { return skipRun<kEndsText>(p, end); }
// Stops at either quote; the caller tells its own from the other.
inline char const* skipValue(char const* p, char const* end) noexcept { return skipRun<kEndsValue>(p, end); }

}  // namespace Kestrune::Soa::Common::Xml::Reader
