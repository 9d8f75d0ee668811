// What a read costs in memory, measured by the test program's own
// allocation functions (below): the peak while a token far past
// maxTokenBytes is refused, the blocks a read allocates, what a reader
// holds after it gives its memory back.

#include "host/DomException.h"
#include "host/XmlReader.h"
#include "support/Refusal.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> blocks{0};  // allocated

void* counted(std::size_t size) noexcept {
    void* const block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        ++blocks;
        std::size_t const now = live += malloc_usable_size(block);
        for (std::size_t before = peak; now > before && !peak.compare_exchange_weak(before, now);) {
        }
    }
    return block;
}

void* countedOrThrow(std::size_t size) {
    void* const block = counted(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void uncounted(void* block) noexcept {
    if (block == nullptr) return;
    live -= malloc_usable_size(block);
    std::free(block);
}

}  // namespace

// Every replaceable form but the over-aligned ones, which nothing here uses:
// a sanitizer's own forms must not free what these allocate.
void* operator new(std::size_t size) { return countedOrThrow(size); }
void* operator new[](std::size_t size) { return countedOrThrow(size); }
void* operator new(std::size_t size, std::nothrow_t const&) noexcept { return counted(size); }
void* operator new[](std::size_t size, std::nothrow_t const&) noexcept { return counted(size); }
void operator delete(void* block) noexcept { uncounted(block); }
void operator delete[](void* block) noexcept { uncounted(block); }
void operator delete(void* block, std::size_t) noexcept { uncounted(block); }
void operator delete[](void* block, std::size_t) noexcept { uncounted(block); }
void operator delete(void* block, std::nothrow_t const&) noexcept { uncounted(block); }
void operator delete[](void* block, std::nothrow_t const&) noexcept { uncounted(block); }

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using namespace Kestrune::Soa::Common::Xml;

struct Ignore : XmlEventHandler {
    void startElement(XmlElementStart const&) override {}
    void characters(std::string_view) override {}
    void endElement() override {}
};

// Each token, its start and what it goes on with for 4 MiB: refused at its
// first byte past maxTokenBytes (64 KiB), `column` bytes past the limit, as
// it is read, with a peak of heap a few times the limit at most, from a
// stream and from memory alike. The peak of each is recorded as a property
// ("peak_memory_<what>", "peak_stream_<what>"), in bytes.
TEST(ReadMemory, EveryTokenIsRefusedWhereItPassesTheLimitWithinAFewTimesIt) {
    std::size_t const limit = std::size_t{64} * 1024;
    std::string const token = "a token (text, attribute value, comment, CDATA section or processing instruction)";
    struct Case {
        char const* what;
        std::string start;
        char filler;
        std::size_t column;   // of the refusal, past the limit
        std::string subject;  // of the reason
    };
    Case const cases[] = {
        {"comment", "<r><!--", 'c', 8, token},
        {"XML declaration's white space", "<?xml", ' ', 3, token},
        {"XML declaration's version", "<?xml version='1.", '0', 3, token},
        {"XML declaration without its end", "<?xml version='1.0' ", ' ', 3, token},
        {"character reference in text", "<r>&#", '0', 4, token},
        {"character reference in an attribute value", "<r a='x&#x", '0', 7, token},
        {"entity reference in text", "<r>&", 'a', 4, token},
        {"white space in a start tag", "<r", ' ', 3, "white space in a tag"},
        {"white space before '='", "<r a", '\n', 1, "white space in a tag"},
        {"white space after '='", "<r a=", '\t', 6, "white space in a tag"},
        {"white space in an end tag", "<r></r", ' ', 7, "white space in a tag"},
        {"document type declaration", "<!DOCTYPE r", ' ', 10, "a document type declaration"},
    };
    XmlReadLimits limits;
    limits.maxTokenBytes = limit;
    for (Case const& c : cases) {
        std::string const xml = c.start + std::string(std::size_t{4} << 20, c.filler);
        bool const lines = c.filler == '\n';  // the refusal is on the last line, at its column
        std::string const place = lines ? "line " + std::to_string(limit + 1) + ", column 1"
                                        : "line 1, column " + std::to_string(limit + c.column);
        std::string const expected =
            "limit at " + place + ": " + c.subject + " is longer than XmlReadLimits::maxTokenBytes (65536 bytes)";
        for (bool const fromStream : {false, true}) {
            std::istringstream stream(xml);
            XmlReader reader(limits);
            Ignore ignore;
            peak = live.load();
            std::size_t const before = live;
            std::string refusal;
            try {
                fromStream ? reader.read(stream, ignore) : reader.read(xml, ignore);
            } catch (DomException const& e) {
                refusal = kxsoa_test::refusalText(e);
            }
            std::size_t const measured = peak - before;
            EXPECT_EQ(refusal, expected) << c.what << (fromStream ? " from a stream" : " from memory");
            EXPECT_LE(measured, 4 * limit) << c.what << (fromStream ? " from a stream" : " from memory");
            std::string key = std::string("peak_") + (fromStream ? "stream_" : "memory_") + c.what;
            for (char& k : key) k = std::isalnum(static_cast<unsigned char>(k)) ? k : '_';
            testing::Test::RecordProperty(key, std::to_string(measured));
        }
    }
}

// A document of a shape read before allocates nothing, whatever came
// between (a document refused with namespaces in force, a long token
// read through the window from a stream, which grows at least twice over
// each time); and a reader whose kept memory is given back after each
// document holds what a new one holds.
TEST(ReadMemory, AShapeReadBeforeAllocatesNothingAndWhatIsGivenBackIsAll) {
    std::string body =
        "<?xml version='1.0'?><!-- c --><r xmlns='urn:r' xmlns:p='urn:p' xmlns:q='urn:q' p:a='1' q:a='2' b='&lt;'>";
    for (int i = 0; i < 200; ++i) {
        std::string const name = "element-with-a-rather-long-name-" + std::to_string(i);
        body +=
            "<p:" + name + " q:" + name + "='x' " + name + "='y&amp;'>t&#233;xt<![CDATA[c]]><?pi d?></p:" + name + ">";
    }
    std::string const shape = body + "</r>";
    std::string const refused = body.substr(0, body.size() / 2);  // ends inside the bindings of r and more
    Ignore ignore;
    XmlReader reader;
    auto const read = [&](std::string const& xml) {
        try {
            reader.read(xml, ignore);
        } catch (DomException const&) {
        }
    };
    read(shape);
    read(refused);
    read(shape);
    for (int round = 0; round < 8; ++round) {
        read(refused);
        std::size_t const before = blocks;
        reader.read(shape, ignore);
        EXPECT_EQ(blocks - before, 0u) << round;
    }
    // A 4 MiB comment from a stream, within the limits: the window grows a
    // handful of times, not once per few kilobytes.
    std::istringstream longComment("<!--" + std::string(std::size_t{4} << 20, 'c') + "--><r/>");
    std::size_t const before = blocks;
    reader.read(longComment, ignore);
    EXPECT_LE(blocks - before, 12u);
    // Given back after each document: as much as a new reader holds.
    std::size_t const start = live;
    XmlReader released;
    std::size_t const fresh = live - start;
    released.setMaxKeptBytes(0);
    for (std::string const* xml : {&shape, &refused}) {
        try {
            released.read(*xml, ignore);
        } catch (DomException const&) {
        }
        EXPECT_EQ(live - start, fresh);
        EXPECT_EQ(released.keptBytes(), 0u);
    }
}

}  // namespace
