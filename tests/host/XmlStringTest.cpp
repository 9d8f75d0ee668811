// Escaping for XML and the boolean conversions.

#include "host/LexicalCast.h"
#include "host/XmlString.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "host/XmlStream.h"
#include "support/RoundTrip.h"
#include "support/WellFormed.h"

#include <gtest/gtest.h>

using namespace Kestrune::Soa::Common::Xml;
using kxsoa_test::domExceptionMessage;

namespace {

// Every class of character that needs care, including a character outside the BMP.
std::string const troublesome =
    "amp& lt< gt> quot\" apos' tab\t LF\n CR\r CRLF\r\n end]]> 2-byte\xC3\xA9 3-byte\xE2\x82\xAC "
    "4-byte\xF0\x9F\x98\x80 nbsp\xC2\xA0 del\x7F edge\xEF\xBF\xBD"
    // the first and last characters of each UTF-8 length and each range XML allows
    " \xC2\x80 \xDF\xBF \xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF";

}  // namespace

TEST(ToXmlString, LeavesPlainTextAloneAndEscapesMarkupAndWhiteSpaceControls) {
    EXPECT_EQ(toXmlString("plain text, 123"), "plain text, 123");
    EXPECT_EQ(toXmlString(""), "");
    EXPECT_EQ(toXmlString("a&b<c>d\"e'f\tg\nh\ri"), "a&amp;b&lt;c&gt;d&quot;e&apos;f&#9;g&#10;h&#13;i");
    EXPECT_EQ(toXmlString("]]>"), "]]&gt;");
    std::string out = "kept:";
    appendXmlString(out, "x&y");
    EXPECT_EQ(out, "kept:x&amp;y");
    EXPECT_THROW(appendXmlString(out, "a&b\x01"), Kestrune::Soa::Common::Exceptions::DomException);
    EXPECT_EQ(out, "kept:x&amp;y");  // as it was: nothing of the refused text is left
}

TEST(ToXmlString, EveryCarriableStringComesBackExactlyAsAttributeAndAsText) {
    std::string const escaped = toXmlString(troublesome);
    std::string const xml = "<r a=\"" + escaped + "\" b='" + escaped + "'>" + escaped + "</r>";
    ASSERT_TRUE(kxsoa_test::wellFormed(xml));
    XmlDocument const document = XmlDocument::parse(xml);
    EXPECT_EQ(document.root().getAttr("a"), troublesome);
    EXPECT_EQ(document.root().getAttr("b"), troublesome);
    EXPECT_EQ(document.root().text, troublesome);
}

TEST(ToXmlString, RefusesWhatXmlCannotCarrySayingWhatAndWhere) {
    EXPECT_EQ(
        domExceptionMessage([] { toXmlString(std::string("ab\0c", 4)); }),
        "toXmlString: the control character U+0000 at byte offset 2 of a 4-byte text cannot be carried by XML 1.0");
    // Invalid UTF-8: a stray continuation byte, the longest overlong form of each length, the first and last
    // surrogates, a cut sequence, beyond U+10FFFF; then a character XML excludes. Each named by its lead byte.
    struct Case {
        std::string text, what;
    };
    for (Case const& c : {Case{"x\x80", "invalid UTF-8 byte 0x80"}, Case{"x\xFF", "invalid UTF-8 byte 0xFF"},
                          Case{"x\xC3+", "invalid UTF-8 byte 0xC3"}, Case{"x\xC1\xBF", "invalid UTF-8 byte 0xC1"},
                          Case{"x\xE0\x9F\xBF", "invalid UTF-8 byte 0xE0"},
                          Case{"x\xF0\x8F\xBF\xBF", "invalid UTF-8 byte 0xF0"},
                          Case{"x\xED\xA0\x80", "invalid UTF-8 byte 0xED"}, Case{"x\xED\xBF\xBF", "invalid UTF-8 byte 0xED"},
                          Case{"x\xE2\x82", "invalid UTF-8 byte 0xE2"},
                          Case{"x\xF4\x90\x80\x80", "invalid UTF-8 byte 0xF4"}, Case{"x\xEF\xBF\xBF", "character U+FFFF"}})
        EXPECT_EQ(domExceptionMessage([&] { toXmlString(c.text); }),
                  "toXmlString: the " + c.what + " at byte offset 1 of a " + std::to_string(c.text.size()) +
                      "-byte text cannot be carried by XML 1.0");
    // A view ends where it ends, whatever bytes follow it in memory: a sequence cut short there is refused.
    XmlStream stream;
    EXPECT_EQ(stream.escape(std::string_view("abcd", 3)), "abc");
    EXPECT_EQ(domExceptionMessage([&] { stream.escape(std::string_view("x\xE2\x82\xAC", 3)); }),
              "toXmlString: the invalid UTF-8 byte 0xE2 at byte offset 1 of a 3-byte text cannot be carried by XML 1.0");
}

// The writer and the reader agree on the edges of XML's character classes:
// for the first and last character of each range of NameStartChar and
// NameChar and the neighbour outside it, a name starting or going on with
// it; for those of Char, a character reference in a caller's escaped value.
TEST(XmlCharacters, TheWriterTakesANameOrAReferenceExactlyWhenTheReaderDoes) {
    // Whether the writer takes the attribute, and whether the reader takes it.
    auto taken = [](std::string const& name, std::string const& escaped) {
        XmlStream stream;
        stream.writeOpenElement("urn:a", "r");
        std::pair<bool, bool> both{true, true};
        try {
            stream.writeAttribute(name, escaped);
        } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
            both.first = false;
        }
        try {
            XmlDocument::parse("<r " + name + "=\"" + escaped + "\"/>");
        } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
            both.second = false;
        }
        return both;
    };
    auto utf8 = [](char32_t c) {
        std::string out;
        if (c < 0x80) return out += static_cast<char>(c), out;
        int const extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        out += static_cast<char>(((0xFF00 >> (extra + 1)) & 0xFF) | (c >> (6 * extra)));
        for (int i = extra - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
        return out;
    };
    int names = 0;
    for (char32_t const c :
         {U'-', U'.', U'/', U'0', U'9', U':', U'@', U'A', U'Z', U'[', U'_', U'`', U'a', U'z', U'{', U'\x7F',
          U'\xB6', U'\xB7', U'\xB8', U'\xBF', U'\xC0', U'\xD6', U'\xD7', U'\xD8', U'\xF6', U'\xF7', U'\xF8',
          U'\u02FF', U'\u0300', U'\u036F', U'\u0370', U'\u037D', U'\u037E', U'\u037F', U'\u1FFF', U'\u2000',
          U'\u200B', U'\u200C', U'\u200D', U'\u200E', U'\u203E', U'\u203F', U'\u2040', U'\u2041', U'\u206F',
          U'\u2070', U'\u218F', U'\u2190', U'\u2BFF', U'\u2C00', U'\u2FEF', U'\u2FF0', U'\u3000', U'\u3001',
          U'\uD7FF', U'\uF8FF', U'\uF900', U'\uFDCF', U'\uFDD0', U'\uFDEF', U'\uFDF0', U'\uFFFD', U'\U00010000',
          U'\U000EFFFF', U'\U000F0000'}) {
        for (std::string const& name : {utf8(c) + "a", "a" + utf8(c)}) {
            auto const [writes, reads] = taken(name, "v");
            EXPECT_EQ(writes, reads) << "U+" << std::hex << static_cast<unsigned>(c) << " in " << name;
            names += writes;
        }
    }
    EXPECT_EQ(names, 67);  // of the 130 names, as XML 1.0 counts them
    int references = 0;
    for (unsigned const c : {0x8u, 0x9u, 0xAu, 0xBu, 0xCu, 0xDu, 0xEu, 0x1Fu, 0x20u, 0xD7FFu, 0xD800u, 0xDFFFu, 0xE000u,
                             0xFFFDu, 0xFFFEu, 0xFFFFu, 0x10000u, 0x10FFFFu, 0x110000u}) {
        auto const [writes, reads] = taken("a", "&#" + std::to_string(c) + ";");
        EXPECT_EQ(writes, reads) << "&#" << c << ";";
        references += writes;
    }
    EXPECT_EQ(references, 9);  // tab, LF, CR, and the edges of U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF
}

// Written as "true" and "false", as every message's literal text shows.
TEST(LexicalCast, BooleansReadInEverySchemaForm) {
    for (std::string const text : {"true", "1", " true", "\t1\n"}) EXPECT_TRUE(lexical_cast<bool>(text)) << text;
    for (std::string const text : {"false", "0", "false  ", ""}) EXPECT_FALSE(lexical_cast<bool>(text)) << text;
    for (std::string const text : {"TRUE", "yes", "2", " ", "tru e"})
        EXPECT_EQ(domExceptionMessage([&] { lexical_cast<bool>(text); }),
                  "lexical_cast: \"" + text + "\" is not a boolean (expected true, false, 1 or 0)");
}
