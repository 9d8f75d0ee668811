// The reader where random bytes rarely go, each corner a table generated
// in loops and held against libxml2 (support/Judge.h) from memory and from
// streams in pieces of every size: character references, names that differ
// from the one the reader guesses, every ASCII byte within a name, the
// XML declaration's grammar, prefixes declared again and restored, and
// UTF-16 against the same text in UTF-8.

#include "support/Judge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using kxsoa_test::Reading;
using kxsoa_test::readWithLibrary;

// The first size of pieces in which the library reads `text` from a stream
// otherwise than `expected` (its events or its refusal, message and place),
// with what it read; empty when there is none.
std::string differentInPieces(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string const& text,
                              std::string const& expected) {
    for (std::size_t piece = 1; piece <= text.size(); ++piece) {
        std::string const streamed = kxsoa_test::shown(readWithLibrary(reader, text, piece));
        if (streamed != expected) return "in pieces of " + std::to_string(piece) + ": " + streamed;
    }
    return {};
}

// The library agrees with libxml2 on `text`, and reads it in pieces of
// every size as from memory; returns the reading from memory.
Reading judged(std::string const& text) {
    static Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    EXPECT_EQ(kxsoa_test::disagreement(reader, text, std::vector<std::size_t>{}), "") << text;
    Reading const library = readWithLibrary(reader, text);
    EXPECT_EQ(differentInPieces(reader, text, kxsoa_test::shown(library)), "") << text;
    return library;
}

std::string utf8(std::u32string const& text) {
    std::string out;
    for (char32_t c : text) {
        int const tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        out += static_cast<char>(static_cast<unsigned char>("\0\xC0\xE0\xF0"[tail]) | c >> 6 * tail);
        for (int i = tail - 1; i >= 0; --i) out += static_cast<char>(0x80 | (c >> 6 * i & 0x3F));
    }
    return out;
}

// A character past U+FFFF as a surrogate pair; any other as one unit, a
// lone surrogate included.
std::string utf16(std::u32string const& text, bool little) {
    std::string out;
    for (char32_t c : text) {
        for (char32_t unit : c < 0x10000 ? std::u32string(1, c)
                                         : std::u32string{0xD800 + ((c - 0x10000) >> 10), 0xDC00 + (c & 0x3FF)}) {
            char const bytes[] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
            out += std::string{bytes[!little], bytes[little]};
        }
    }
    return out;
}

// &#0; to past the last code point and past 64 bits, every length of
// decimal and hexadecimal digits, with leading zeros, in text and in an
// attribute value; and the malformed ones. A character XML allows is read.
TEST(ReaderCorners, CharacterReferencesFromTheFirstToPastTheLastCodePointOfEveryLength) {
    std::vector<std::uint64_t> values{0,      8,      9,       0xA,      0xD,      0x1F,       0x20,       0x7F,
                                      0x80,   0x7FF,  0x800,   0xD7FF,   0xD800,   0xDFFF,     0xE000,     0xFFFD,
                                      0xFFFE, 0xFFFF, 0x10000, 0x10FFFF, 0x110000, 0xFFFFFFFF, 0x100000000};
    for (std::uint64_t power = 1; power <= 10'000'000'000'000'000'000u / 10; power *= 10) values.push_back(power);
    for (int shift = 4; shift < 64; shift += 4)
        values.insert(values.end(), {(std::uint64_t{1} << shift) - 1, std::uint64_t{1} << shift});
    std::vector<std::pair<std::string, bool>> references;  // with whether XML allows the character
    for (std::uint64_t value : values) {
        bool const allowed = value == 9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
                             (value >= 0xE000 && value <= 0xFFFD) || (value >= 0x10000 && value <= 0x10FFFF);
        for (std::size_t const count : {0, 1, 7, 40}) {
            std::string const zeros(count, '0');
            char hex[20];
            std::snprintf(hex, sizeof hex, count % 2 == 0 ? "%llx" : "%llX", static_cast<unsigned long long>(value));
            references.emplace_back("&#" + zeros + std::to_string(value) + ";", allowed);
            references.emplace_back("&#x" + zeros + hex + ";", allowed);
        }
    }
    references.emplace_back("&#" + std::string(30, '9') + ";", false);
    references.emplace_back("&#x1" + std::string(30, '0') + "41;", false);
    for (char const* malformed : {"&#;", "&#x;", "&#X41;", "&#-65;", "&# 65;", "&#65", "&#6 5;", "&#x41g;", "&#65a;"})
        references.emplace_back(malformed, false);
    for (auto const& [reference, allowed] : references) {
        for (std::string const& text : {"<r>a" + reference + "b</r>", "<r a='" + reference + "'/>"}) {
            EXPECT_EQ(judged(text).refused, !allowed) << text;
        }
        // Ending just after a reference, the text ends in the start tag.
        std::string const cut = "<r a='" + reference, same = "<r a='" + std::string(reference.size(), 'x');
        if (allowed) {
            EXPECT_EQ(judged(cut).refusal, judged(same).refusal) << cut;
        }
    }
    EXPECT_EQ(references.size(), 587u);
}

// A name at the same depth as one met before (a start tag), in the end tag
// of one (the reader compares it with the start's), and as an attribute at
// the index of one: equal, or differing in one byte, shorter or longer, in
// ASCII and past it, prefixed or not.
TEST(ReaderCorners, NamesThatDifferFromTheGuessedOneInAnyByteInLengthAndPastAscii) {
    std::size_t cases = 0;
    for (std::string const name :
         {"a", "abc", "\u00E9", "a\u00E9", "\u00E9a", "a\u00B7", "\u4E2D\u6587", "a\U00010000", "p:a", "p:\u00E9"}) {
        std::vector<std::string> others{name};
        for (std::size_t i = 0; i < name.size(); ++i) {
            for (int flip : {0x01, 0x20})
                others.push_back(std::string(name).replace(i, 1, 1, static_cast<char>(name[i] ^ flip)));
            others.push_back(name.substr(0, i));
        }
        for (char const* more : {"a", "\u00E9", "\u00B7", "-", ".", "0", ":", "\U00010000"})
            others.push_back(name + more);
        for (std::string const& other : others) {
            std::string const root = "<r xmlns:p='urn:p' xmlns:q='urn:p'>", sibling = "<" + name + "/>";
            std::string repeated;  // where the stream's window has held the guessed name before
            for (int i = 0; i < 4; ++i) repeated += sibling;
            for (std::string const& text :
                 {root + sibling + "<" + other + "/></r>", root + "<" + name + "></" + other + "></r>",
                  root + "<e " + name + "='1'/><e " + other + "='2'/></r>",
                  root + "<e " + name + "='1' " + other + "='2'/></r>", root + repeated + "<" + other}) {
                judged(text);
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, 945u);
}

// Every ASCII byte within an element's and an attribute's name, at each
// place of the first and second sixteen bytes the reader tests at once, and
// a name of every ASCII name character: read as libxml2 reads them (a name
// character continues the name; any other byte ends it or is refused).
TEST(ReaderCorners, EveryAsciiByteAtEveryPlaceOfANameIsReadAsLibxml2ReadsIt) {
    std::string const padding(20, ' ');  // so that sixteen bytes follow every place
    std::string const every = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._";
    std::size_t cases = 0, read = 0;
    auto judge = [&](std::string const& name) {
        for (std::string const& text :
             {"<r><" + name + "/>" + padding + "</r>", "<r " + name + "='1'>" + padding + "</r>"}) {
            read += judged(text).refused ? 0 : 1;
            ++cases;
        }
    };
    judge(every);
    judge(every.substr(26) + every.substr(0, 26));
    for (int byte = 0x09; byte < 0x7F; ++byte) {
        if (byte > 0x0A && byte < 0x20) continue;
        for (std::size_t place : {1, 7, 8, 15, 16, 17, 31})
            judge(every.substr(0, place) + static_cast<char>(byte) + "z");
    }
    EXPECT_EQ(cases, 4u + 97 * 7 * 2);
    // Only the 65 ASCII name bytes other than ':' continue a name that is
    // read (':' makes a prefix, which is not declared).
    EXPECT_EQ(read, 4u + 65 * 7 * 2);
}

// The XML declaration: every form of each pseudo-attribute that it accepts
// and refuses, in both quotes and with white space around "=" or without,
// and its order and spacing. Outside its grammar, a form is not
// well-formed; an encoding other than UTF-8 that the grammar allows is
// refused by design (the text is in UTF-8).
TEST(ReaderCorners, TheXmlDeclarationsGrammarEveryFormAcceptedAndRefused) {
    // A refusal's kind: not well-formed, or an encoding (refused by design, or contradicting the text's).
    std::string const read = "(read)", malformed = "not well-formed at", byDesign = "encoding at";
    struct Form {
        std::string name, value, verdict;
    };
    std::vector<Form> forms;
    for (char const* v : {"1.0", "1.1", "1.9", "1.10", "1.0123456789"}) forms.push_back({"version", v, read});
    for (char const* v :
         {"1.", "1", "", "2.0", "0.9", "1.0a", "1.a", " 1.0", "1.0 ", "01.0", "1..0", "1,0", "1.0.0", "1.-1"})
        forms.push_back({"version", v, malformed});
    // US-ASCII by each of its registered names.
    for (char const* v : {"UTF-8", "utf-8", "uTf-8", "US-ASCII", "ascii", "ANSI_X3.4-1968", "ANSI_X3.4-1986",
                          "ISO646-US", "us", "IBM367", "cp367", "csASCII"})
        forms.push_back({"encoding", v, read});
    for (char const* v : {"", "8", "-U", "UTF 8", "UTF-8 ", " UTF-8", "U$", "\u00E9"})
        forms.push_back({"encoding", v, malformed});
    for (char const* v : {"ISO-8859-1", "a._-9", "UTF8", "UTF-16", "US-ASCII-1", "ISO646"})
        forms.push_back({"encoding", v, byDesign});
    for (char const* v : {"yes", "no"}) forms.push_back({"standalone", v, read});
    for (char const* v : {"YES", "No", "", "maybe", "yes ", " no", "y"}) forms.push_back({"standalone", v, malformed});
    std::vector<std::pair<std::string, std::string>> declarations;
    for (Form const& form : forms) {
        for (std::string const eq : {"=", " =\t", "\r\n=\n"}) {
            for (char const quote : {'"', '\''}) {
                std::string const pair = form.name + eq + quote + form.value + quote;
                std::string const before = form.name == "version" ? "" : " version='1.0'";
                declarations.emplace_back(
                    "<?xml" + before + " " + pair + (form.name == "encoding" ? " standalone='no'" : "") + "?>",
                    form.verdict);
            }
        }
    }
    for (char const* accepted : {"<?xml version='1.0'?>", "<?xml version='1.0' ?>", "<?xml\tversion='1.0'\r\n?>",
                                 "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>"})
        declarations.emplace_back(accepted, read);
    for (char const* refused :
         {"<?xml?>", "<?xml ?>", "<?XML version='1.0'?>", "<?xml version='1.0'encoding='UTF-8'?>",
          "<?xml version='1.0' standalone='yes' encoding='UTF-8'?>", "<?xml encoding='UTF-8' version='1.0'?>",
          "<?xml version='1.0' version='1.0'?>", "<?xml version='1.0' other='1'?>", "<?xml version=\"1.0'?>",
          "<?xml version='1.0' ? >", "<?xml version='1.0' encoding='UTF-8' encoding='UTF-8'?>", "<?xml Version='1.0'?>",
          " <?xml version='1.0'?>", "<!----><?xml version='1.0'?>", "<?xml version='1.0'>", "<?xml version='1.0'",
          "<?xml version='1.0' a|b='c' encoding='ISO-8859-1'?>"})
        declarations.emplace_back(refused, malformed);
    for (auto const& [declaration, verdict] : declarations) {
        std::string const text = declaration + "<r/>";
        Reading const library = judged(text);
        EXPECT_EQ(library.refused ? library.refusal.substr(0, verdict.size()) : read, verdict) << text;
    }
    EXPECT_EQ(declarations.size(), 345u);
}

// A prefix and the default namespace declared again on elements at any set
// of depths: after each one ends, names at its depth (elements and
// attributes) are in the namespace from before.
TEST(ReaderCorners, PrefixesDeclaredAgainAreRestoredAtEveryDepthAfterTheirElementEnds) {
    std::size_t cases = 0;
    for (int depth = 1; depth <= 5; ++depth) {
        for (unsigned declaredAt = 0; declaredAt < 1u << depth; ++declaredAt) {
            std::string open, close;
            for (int d = 1; d <= depth; ++d) {
                std::string const again = declaredAt >> (d - 1) & 1 ? " xmlns:p='urn:" + std::to_string(d) +
                                                                          "' xmlns='urn:d" + std::to_string(d) + "'"
                                                                    : "";
                open += "<p:e" + again + " p:a='" + std::to_string(d) + "'>";
                close = "<p:s p:a='" + std::to_string(d) + "' a=''/><s/></p:e>" + close;
            }
            judged("<r xmlns:p='urn:0'>" + open + close + "<p:s p:a='0'/><s/></r>");
            ++cases;
        }
    }
    EXPECT_EQ(cases, 62u);
}

// A character of two to four bytes, or a broken one, where markup expects
// an ASCII character: refused as libxml2 refuses it, and with the same
// message and place from memory and in pieces of every size (a window that
// cuts the character must not change how it is quoted).
TEST(ReaderCorners, ACharacterPastAsciiWhereMarkupExpectsAsciiIsRefusedAlikeInPiecesOfEverySize) {
    std::size_t cases = 0;
    for (std::string const c : {"\xC9\xBA", "\xE2\x82\xAC", "\xF0\x90\x80\x80", "\xC9", "\xC9w", "\xF0\x90w"}) {
        for (char const* const place :
             {"<a></a @>", "<a></a@>", "<a @/>", "<a x @='1'/>", "<a x=@'1'/>", "<a x='1'@/>", "<a/ @>", "<a/>@",
              "@<a/>", "<a><@/></a>", "<?xml version='1.0' @?><a/>", "<!DOCTYPE a @><a/>"}) {
            std::string text = place;
            text.replace(text.find('@'), 1, c);
            EXPECT_TRUE(judged(text + "ww").refused) << text;
            ++cases;
        }
    }
    EXPECT_EQ(cases, 72u);
}

// Characters of one to four bytes in UTF-8 (a surrogate pair in UTF-16) in
// every place of a document, in both byte orders, with and without a byte
// order mark: read from memory and in pieces of every size as the same text
// in UTF-8. And unpaired surrogates and a cut unit, refused alike every way.
TEST(ReaderCorners, Utf16OfEveryCharacterLengthInBothByteOrdersReadsAsUtf8SplitAtEveryOffset) {
    Kestrune::Soa::Common::Xml::XmlReader reader(kxsoa_test::judgedLimits());
    std::size_t cases = 0;
    for (char32_t const c :
         {U'a', U'\xE9', U'\x7FF', U'\x800', U'\x20AC', U'\xFFFD', U'\x10000', U'\x1D11E', U'\x10FFFF'}) {
        std::u32string const x(1, c), name = c == U'\x10FFFF' ? U"n" : U"n" + x;
        std::u32string const body = U"<" + name + U" " + name + U"='" + x + x + U"'>" + x + U"<!--" + x + U"--><?p " +
                                    x + U"?><![CDATA[" + x + U"]]>" + x + x + x + U"</" + name + U">";
        Reading const expected = judged(utf8(U"<?xml version='1.0' encoding='UTF-8'?>" + body));
        ASSERT_FALSE(expected.refused) << expected.refusal;
        for (bool const little : {true, false}) {
            for (std::u32string const mark : {U"\xFEFF", U""}) {
                std::string const text = utf16(mark + U"<?xml version='1.0' encoding='UTF-16'?>" + body, little);
                EXPECT_EQ(kxsoa_test::shown(readWithLibrary(reader, text)), expected.events);
                EXPECT_EQ(differentInPieces(reader, text, expected.events), "");
                ++cases;
            }
        }
    }
    std::vector<std::string> faults;
    for (std::u32string const fault : {U"\xD800", U"\xDC00", U"\xD800\xD800", U"\xDBFF\x61", U"\xDFFF\xD800"}) {
        for (bool const little : {true, false}) {
            faults.push_back(utf16(U"\xFEFF<r>a" + fault + U"b</r>", little));
            faults.push_back(utf16(U"\xFEFF<r>ab</r>" + fault, little));
        }
    }
    faults.push_back(utf16(U"\xFEFF<r>ab</r>", true) + "<");
    for (std::string const& text : faults) {
        Reading const library = readWithLibrary(reader, text);
        EXPECT_TRUE(library.refused);
        EXPECT_EQ(differentInPieces(reader, text, library.refusal), "");
    }
    EXPECT_EQ(cases + faults.size(), 36u + 21u);
}

}  // namespace
