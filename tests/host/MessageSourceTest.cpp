// Messages one after another on one input: each read returns at its root's
// end tag, reads nothing past what is there to be read, and gives what the
// message read alone from memory gives; the limits and places count from
// each message's first byte; what a refusal leaves to read.

#include "support/Judge.h"

#include "host/DomException.h"
#include "host/XmlMessageSource.h"
#include "host/XmlReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::ErrorKind;
using Kestrune::Soa::Common::Xml::XmlMessageSource;
using Kestrune::Soa::Common::Xml::XmlReader;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

// Message `i` of a sequence: each shape in turn (an empty root, a
// declaration, references and CDATA, prefixes with a comment and a PI before
// the root, lines and characters past ASCII).
std::string message(std::size_t i) {
    std::string const n = std::to_string(i);
    switch (i % 5) {
        case 0:
            return "<a n='" + n + "'/>";
        case 1:
            return "<?xml version='1.0' encoding='UTF-8'?><r xmlns='urn:x' a=\"" + n + "\"><c>t &amp; " + n +
                   "</c><![CDATA[<x>]]></r>";
        case 2:
            return "<!-- " + n + " --><?pi x?><p:r xmlns:p='urn:p'><p:e p:a='" + n + "'/></p:r>";
        case 3:
            return "<?xml version=\"1.0\"?>\n<r>\n  <e>\xC3\xA9\xE2\x82\xAC\xF0\x90\x80\x80 " + n + "</e>\r\n</r>";
        default:
            return "<d" + n + ">" + std::string(i % 7 * 10, 'x') + "</d" + n + ">";
    }
}

// What may come between two messages.
std::string between(std::size_t i) { return i % 3 == 0 ? "" : i % 3 == 1 ? "\n" : " \r\n\t "; }

// The reading of the next message of `source`: its events or its refusal.
std::string next(XmlReader& reader, XmlMessageSource& source) {
    kxsoa_test::EventLines events;
    try {
        reader.read(source, events);
        return events.lines();
    } catch (DomException const& e) {
        return kxsoa_test::refusalText(e);
    }
}

// Every message of `source` to the input's end.
std::vector<std::string> everyMessage(XmlReader& reader, XmlMessageSource& source) {
    std::vector<std::string> read;
    while (!source.atEnd()) read.push_back(next(reader, source));
    return read;
}

// Two, ten and a thousand messages back to back on one stream, given in
// pieces of every size (up to the longest message, then larger), are read
// as each message alone from memory, by one reader.
TEST(MessageSource, MessagesBackToBackAreReadAsEachAloneInPiecesOfEverySize) {
    XmlReader reader(kxsoa_test::judgedLimits());
    for (std::size_t const count : {2u, 10u, 1000u}) {
        std::string text;
        std::vector<std::string> alone;
        std::size_t longest = 0;
        for (std::size_t i = 0; i < count; ++i) {
            text += message(i) + between(i);
            alone.push_back(kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, message(i))));
            longest = std::max(longest, message(i).size());
        }
        std::vector<std::size_t> pieces;
        for (std::size_t piece = 1; piece <= longest + 1; ++piece) pieces.push_back(piece);
        pieces.insert(pieces.end(), {1000, 65536, text.size()});
        for (std::size_t const piece : pieces) {
            kxsoa_test::InPieces stream(text, piece);
            std::istream in(&stream);
            XmlMessageSource source(in);
            ASSERT_EQ(everyMessage(reader, source), alone) << count << " messages in pieces of " << piece;
            EXPECT_EQ(source.messagesRead(), count);
        }
    }
    // What was read past a long message is more than a new window takes at
    // once: a reader that keeps nothing between messages reads the rest in
    // turn.
    reader.setMaxKeptBytes(0);
    std::string text = "<long a='" + std::string(150000, 'x') + "'/>";  // one token: the window grows past it
    std::vector<std::string> alone{kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, text))};
    for (std::size_t i = 0; i < 2000; ++i) {
        text += message(i);
        alone.push_back(kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, message(i))));
    }
    kxsoa_test::InPieces whole(text, text.size());
    std::istream in(&whole);
    XmlMessageSource source(in);
    EXPECT_EQ(everyMessage(reader, source), alone);
}

// A connection whose peer sends what the test tells it to, one piece at a
// time; asked for more than was sent, it notes that the reader would have
// waited (and says the input ended).
class Connection : public std::streambuf {
public:
    void send(std::string const& text) { m_sent += text; }
    bool waited() const { return m_waited; }

private:
    int_type underflow() override {
        if (m_given == m_sent.size()) {
            m_waited = true;
            return traits_type::eof();
        }
        m_piece = m_sent.substr(m_given);
        m_given = m_sent.size();
        setg(&m_piece[0], &m_piece[0], &m_piece[0] + m_piece.size());
        return traits_type::to_int_type(m_piece[0]);
    }
    std::string m_sent, m_piece;
    std::size_t m_given = 0;
    bool m_waited = false;
};

// Each message is read from what was sent of it alone, whatever its end
// (an end tag, an empty root, a root whose end the last piece holds): the
// read never asks for the bytes after it. The same over a pipe, a message
// written and its read awaited before the next is written.
TEST(MessageSource, AReadReturnsAtItsRootsEndWithoutWaitingForMore) {
    XmlReader reader(kxsoa_test::judgedLimits());
    Connection connection;
    std::istream in(&connection);
    XmlMessageSource source(in);
    for (std::size_t i = 0; i < 12; ++i) {
        connection.send(message(i));
        EXPECT_EQ(next(reader, source), kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, message(i))));
        EXPECT_FALSE(connection.waited()) << message(i);
    }
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    XmlMessageSource piped(ends[0]);
    for (std::size_t i = 0; i < 12; ++i) {
        std::string const text = message(i) + between(i);
        ASSERT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        auto read = std::async(std::launch::async, [&] { return next(reader, piped); });
        // A read that waited for more would wait for ever: the pipe stays open.
        ASSERT_EQ(read.wait_for(std::chrono::seconds(30)), std::future_status::ready) << message(i);
        EXPECT_EQ(read.get(), kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, message(i))));
    }
    close(ends[1]);
    EXPECT_TRUE(piped.atEnd());
    close(ends[0]);
}

// What a read takes from the input past its message, and the source keeps
// for the next, is at most 8 KiB or the message's size: a small message
// does not draw a window's worth of what follows, nor a large one without
// bound; the next message is read whole all the same.
TEST(MessageSource, WhatIsReadPastAMessageIsBoundedByItsSize) {
    XmlReader reader(kxsoa_test::judgedLimits());
    std::string const after = "<n>" + std::string(300000, 'x') + "</n>";
    for (std::size_t const size : {20, 4000, 5000, 9000, 100000, 1000000}) {
        std::string const first = "<m>" + std::string(size - 7, 'y') + "</m>";
        std::istringstream in(first + after);
        XmlMessageSource source(in);
        EXPECT_EQ(next(reader, source), kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, first)));
        std::size_t const taken = static_cast<std::size_t>(in.tellg());
        EXPECT_LE(taken - first.size(), std::max<std::size_t>(8192, first.size())) << size;
        EXPECT_EQ(next(reader, source), kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, after))) << size;
        EXPECT_TRUE(source.atEnd());
    }
}

// The limits and the places of a message count from its first byte: a
// sequence longer than maxBytes is read when each message is within it,
// and an error is placed within its message. What a refusal leaves: after
// one found before the message's end (not XML, a limit, the input ending
// inside it), no later read; an input that ends between messages is the
// clean end.
TEST(MessageSource, EachMessageIsHeldToTheLimitsAndPlacedAloneAndARefusalEndsTheInput) {
    std::string const first = message(1), second = message(3);
    XmlReadLimits limits;
    limits.maxBytes = std::max(first.size(), second.size());
    XmlReader reader(limits);
    std::string const misuse =
        "misuse: the message before on this input was refused before its end, and what follows cannot be told "
        "apart from it: read no more messages from this input";
    struct Case {
        std::string text;
        std::vector<std::string> read;
    };
    std::string const firstRead = kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, first));
    std::string const secondRead = kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, second));
    for (Case const& c : {
             Case{first + second + first + "\n", {firstRead, secondRead, firstRead}},
             Case{"", {}},
             Case{" \n\t", {}},
             Case{first + "<r><e></r>" + first,
                  {firstRead, kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, "<r><e></r>")), misuse}},
             Case{first + "\n<r>\n  <e a='1' a='2'/></r>" + first,
                  {firstRead, kxsoa_test::shown(kxsoa_test::readWithLibrary(reader, "<r>\n  <e a='1' a='2'/></r>")),
                   misuse}},
             Case{first + "<r>" + std::string(limits.maxBytes, ' ') + "</r>" + first,
                  {firstRead,
                   "limit at line 1, column " + std::to_string(limits.maxBytes + 1) +
                       ": the XML text is larger than XmlReadLimits::maxBytes (" + std::to_string(limits.maxBytes) +
                       " bytes)",
                   misuse}},
             Case{first + "<r><e/>",
                  {firstRead, "not well-formed at line 1, column 8: the document ends before element 'r' is closed",
                   misuse}},
             Case{first + std::string("\xFF\xFE<\0r\0/\0>\0", 10) + first,
                  {firstRead,
                   "encoding at line 1, column 1: a message read from a stream of messages is in UTF-8 (or "
                   "US-ASCII); this one is in UTF-16",
                   misuse}},
         }) {
        kxsoa_test::InPieces stream(c.text, 3);
        std::istream in(&stream);
        XmlMessageSource source(in);
        std::vector<std::string> read;
        for (std::size_t i = 0; i < c.read.size() + 1; ++i) {
            try {
                if (source.atEnd()) break;
                read.push_back(next(reader, source));
            } catch (DomException const& e) {
                read.push_back(kxsoa_test::refusalText(e));
                break;
            }
        }
        EXPECT_EQ(read, c.read) << c.text;
    }
    // A descriptor that cannot be read is refused as such, at once.
    XmlMessageSource closed(-1);
    try {
        closed.atEnd();
        ADD_FAILURE() << "a descriptor that is none was read";
    } catch (DomException const& e) {
        EXPECT_EQ(kxsoa_test::refusalText(e), "unreadable: the input could not be read: Bad file descriptor");
    }
}

}  // namespace
