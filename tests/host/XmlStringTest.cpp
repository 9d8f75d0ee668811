// What the escaping refuses, where the writer and the reader end a name or
// a reference, and which characters make the names of the schema types.

#include "host/XmlString.h"

#include "host/DomException.h"
#include "host/SchemaNames.h"
#include "host/XmlCharacters.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "support/RoundTrip.h"

#include <gtest/gtest.h>
#include <libxml/chvalid.h>

#include <cstdio>
#include <map>

using namespace Kestrune::Soa::Common::Xml;
using kxsoa_test::domExceptionMessage;

TEST(ToXmlString, RefusesWhatXmlCannotCarrySayingWhatAndWhere) {
    EXPECT_EQ(
        domExceptionMessage([] { toXmlString(std::string("ab\0c", 4)); }),
        "toXmlString: the control character U+0000 at byte offset 2 of a 4-byte text cannot be carried by XML 1.0");
    // Invalid UTF-8: a stray continuation byte, the longest overlong form of each length, the first and last
    // surrogates, a cut sequence, beyond U+10FFFF; then a character XML excludes. Each named by its lead byte.
    struct Case {
        std::string text, what;
    };
    for (Case const& c :
         {Case{"x\x80", "invalid UTF-8 byte 0x80"}, Case{"x\xFF", "invalid UTF-8 byte 0xFF"},
          Case{"x\xC3+", "invalid UTF-8 byte 0xC3"}, Case{"x\xC1\xBF", "invalid UTF-8 byte 0xC1"},
          Case{"x\xE0\x9F\xBF", "invalid UTF-8 byte 0xE0"}, Case{"x\xF0\x8F\xBF\xBF", "invalid UTF-8 byte 0xF0"},
          Case{"x\xED\xA0\x80", "invalid UTF-8 byte 0xED"}, Case{"x\xED\xBF\xBF", "invalid UTF-8 byte 0xED"},
          Case{"x\xE2\x82", "invalid UTF-8 byte 0xE2"}, Case{"x\xF4\x90\x80\x80", "invalid UTF-8 byte 0xF4"},
          Case{"x\xEF\xBF\xBF", "character U+FFFF"}})
        EXPECT_EQ(domExceptionMessage([&] { toXmlString(c.text); }),
                  "toXmlString: the " + c.what + " at byte offset 1 of a " + std::to_string(c.text.size()) +
                      "-byte text cannot be carried by XML 1.0");
    // Appending, a refused text leaves the output as it was: nothing of it is kept.
    std::string out = "kept:";
    EXPECT_EQ(
        domExceptionMessage([&] { appendXmlString(out, "a&b\x01"); }),
        "toXmlString: the control character U+0001 at byte offset 3 of a 4-byte text cannot be carried by XML 1.0");
    EXPECT_EQ(out, "kept:");
    // A view ends where it ends, whatever bytes follow it in memory: a sequence cut short there is refused.
    XmlStream stream;
    EXPECT_EQ(stream.escape(std::string_view("abcd", 3)), "abc");
    EXPECT_EQ(stream.escape(std::string_view("abcdefghijklmnopqrstuvwxyz", 9)), "abcdefghi");
    EXPECT_EQ(
        domExceptionMessage([&] { stream.escape(std::string_view("x\xE2\x82\xAC", 3)); }),
        "toXmlString: the invalid UTF-8 byte 0xE2 at byte offset 1 of a 3-byte text cannot be carried by XML 1.0");
}

// Every byte is escaped, kept or refused the same wherever it lies in a run
// of plain text, whatever plain bytes surround it: the escaping takes plain
// text several bytes at a time, with arithmetic that spans the bytes.
TEST(ToXmlString, EachByteIsTakenTheSameAtEveryOffsetOfARunAmongAnyPlainBytes) {
    std::map<char, std::string> const references{{'&', "&amp;"},   {'<', "&lt;"},  {'>', "&gt;"},   {'"', "&quot;"},
                                                 {'\'', "&apos;"}, {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"}};
    std::string plain;
    for (char c = ' '; c < 0x7F; ++c)
        if (references.count(c) == 0) plain += c;
    std::size_t cases = 0;
    for (std::size_t shift = 0; shift < plain.size(); ++shift) {
        std::string neighbours;  // 16 plain bytes, from the shift'th on
        for (std::size_t i = 0; i < 16; ++i) neighbours += plain[(shift + i) % plain.size()];
        for (std::size_t offset = 0; offset < 17; ++offset) {
            std::string const before = neighbours.substr(0, offset), after = neighbours.substr(offset);
            for (int b = 0; b < 0x80; ++b, ++cases) {
                std::string const text = before + static_cast<char>(b) + after;
                if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') {
                    char code[8];
                    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(b));
                    ASSERT_EQ(domExceptionMessage([&] { toXmlString(text); }),
                              "toXmlString: the control character " + std::string(code) + " at byte offset " +
                                  std::to_string(offset) + " of a 17-byte text cannot be carried by XML 1.0")
                        << text;
                } else {
                    auto const reference = references.find(static_cast<char>(b));
                    std::string const expected =
                        reference == references.end() ? std::string(1, static_cast<char>(b)) : reference->second;
                    ASSERT_EQ(toXmlString(text), before + expected + after) << b;
                }
            }
            ASSERT_EQ(toXmlString(before + "\xC3\xA9" + after), before + "\xC3\xA9" + after);
            ASSERT_EQ(domExceptionMessage([&] { toXmlString(before + "\xA9" + after); }),
                      "toXmlString: the invalid UTF-8 byte 0xA9 at byte offset " + std::to_string(offset) +
                          " of a 17-byte text cannot be carried by XML 1.0");
        }
    }
    EXPECT_EQ(cases, 90u * 17 * 128);
}

// The writer and the reader take a name exactly where XML 1.0 does: for the
// first and last character of each range of NameStartChar and NameChar and
// the neighbours outside it, a name starting or going on with it, as an
// element's and as an attribute's; for those of Char, a character reference
// in a caller's escaped value.
TEST(XmlCharacters, TheWriterAndTheReaderTakeANameOrAReferenceExactlyWhereXmlDoes) {
    // Whether the writer takes the name for an element and the attribute, and whether the reader takes the attribute.
    auto taken = [](std::string const& name, std::string const& escaped) {
        auto const ok = [](auto const& write) {
            return domExceptionMessage([&] { write(); }) == "(no DomException)" ? '1' : '0';
        };
        XmlStream element, attribute;
        attribute.writeOpenElement("urn:a", "r");
        return std::string{ok([&] { element.writeOpenElement("urn:a", name); }),
                           ok([&] { attribute.writeAttribute(name, escaped); }),
                           ok([&] { XmlDocument::parse("<r " + name + "=\"" + escaped + "\"/>"); })};
    };
    // Characters that may start a name, those that may only continue one, and those that may do neither.
    for (char const* c :
         {"A",      "Z",      "a",      "z",      "_",      "\u00C0", "\u00D6", "\u00D8",     "\u00F6",    "\u00F8",
          "\u02FF", "\u0370", "\u037D", "\u037F", "\u1FFF", "\u200C", "\u200D", "\u2070",     "\u218F",    "\u2C00",
          "\u2FEF", "\u3001", "\uD7FF", "\uF900", "\uFDCF", "\uFDF0", "\uFFFD", "\U00010000", "\U000EFFFF"})
        EXPECT_EQ(taken(c + std::string("x"), "v") + taken("x" + std::string(c), "v"), "111111") << c;
    for (char const* c : {"-", ".", "0", "9", "\u00B7", "\u0300", "\u036F", "\u203F", "\u2040"})
        EXPECT_EQ(taken(c + std::string("x"), "v") + taken("x" + std::string(c), "v"), "000111") << c;
    for (char const* c : {"@",      "[",      "`",      "{",      "/",          ":",      ";",      "\x7F",
                          "\u00B6", "\u00B8", "\u00BF", "\u00D7", "\u00F7",     "\u037E", "\u2000", "\u200B",
                          "\u200E", "\u203E", "\u2041", "\u206F", "\u2190",     "\u2BFF", "\u2FF0", "\u3000",
                          "\uE000", "\uF8FF", "\uFDD0", "\uFDEF", "\U000F0000", "\xC3",   "\x80"})
        EXPECT_EQ(taken(c + std::string("x"), "v") + taken("x" + std::string(c), "v"), "000000") << c;
    // Tab, LF, CR, and the edges of U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF, and their neighbours.
    for (unsigned const c : {0x9u, 0xAu, 0xDu, 0x20u, 0xD7FFu, 0xE000u, 0xFFFDu, 0x10000u, 0x10FFFFu})
        EXPECT_EQ(taken("a", "&#" + std::to_string(c) + ";"), "111") << c;
    for (unsigned const c : {0x8u, 0xBu, 0xCu, 0xEu, 0x1Fu, 0xD800u, 0xDFFFu, 0xFFFEu, 0xFFFFu, 0x110000u})
        EXPECT_EQ(taken("a", "&#" + std::to_string(c) + ";"), "100") << c;
}

// The name characters of the schema types (SchemaNames.h) are XML 1.0's
// classes before its fifth edition, which libxml2 keeps and judges them by:
// on every code point, each of the five classes holds it exactly when
// libxml2's does. And each character that starts or continues such a name
// starts or continues a name of the reader's too, the schema types being
// the narrower.
TEST(XmlCharacters, TheSchemaTypesTakeTheNameCharactersOfLibxml2OnEveryCodePoint) {
    using namespace Kestrune::Soa::Common::Xml::detail;
    struct Class {
        char const* name;
        bool (*ours)(char32_t);
        int (*libxml2)(unsigned int);
    };
    Class const classes[] = {{"BaseChar", isSchemaBaseChar, xmlIsBaseChar},
                             {"Ideographic", isSchemaIdeographic, xmlIsIdeographic},
                             {"CombiningChar", isSchemaCombiningChar, xmlIsCombining},
                             {"Digit", isSchemaDigit, xmlIsDigit},
                             {"Extender", isSchemaExtender, xmlIsExtender}};
    auto notation = [](char32_t c) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
        return std::string(buffer);
    };
    std::size_t parted = 0, wider = 0;
    std::string shown, shownWider;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        for (Class const& each : classes) {
            bool const ours = each.ours(c), judged = each.libxml2(c) != 0;
            if (ours != judged && ++parted <= 8)
                shown += notation(c) + ' ' + each.name + ": ours " + (ours ? "yes" : "no") + ", libxml2 " +
                         (judged ? "yes" : "no") + '\n';
        }
        bool const startsOnlyHere = isSchemaNameStartChar(c) && !isNameStartChar(c);
        bool const continuesOnlyHere = isSchemaNameChar(c) && !isNameChar(c);
        if ((startsOnlyHere || continuesOnlyHere) && ++wider <= 8)
            shownWider += notation(c) + (startsOnlyHere ? " starts" : " continues") + " only a schema name\n";
    }
    EXPECT_EQ(shown, "") << parted << " disagreements";
    EXPECT_EQ(shownWider, "") << wider << " characters";
}
