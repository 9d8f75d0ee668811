// Allocation failure at every point of writing, reading and unsharing a
// message: first the memory manager refuses, then global operator new
// fails. Each run ends in a clean exception or in the right result, and
// gives back all it took. This program replaces the global allocation
// functions with ones that can be told to fail.

#include "support/CountingMemoryManager.h"
#include "support/RoundTrip.h"

#include "host/DomException.h"
#include "host/Monitor.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "xml/Sample.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

namespace {

// The switch of the replaced global operator new: the call numbered
// `failingCall` fails (0: none does). `liveBlocks` counts what is held.
long newCalls = 0;
long failingCall = 0;
long liveBlocks = 0;

void* allocateUnlessFailing(std::size_t size) noexcept {
    if (++newCalls == failingCall) return nullptr;
    void* const memory = std::malloc(size == 0 ? 1 : size);
    if (memory) ++liveBlocks;
    return memory;
}

// g++ takes the release of what the replaced operator new returned for a
// mismatch; here malloc and free do pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void release(void* memory) noexcept {
    if (!memory) return;
    --liveBlocks;
    std::free(memory);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* const memory = allocateUnlessFailing(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, std::nothrow_t const&) noexcept { return allocateUnlessFailing(size); }
void* operator new[](std::size_t size, std::nothrow_t const&) noexcept { return allocateUnlessFailing(size); }
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, std::nothrow_t const&) noexcept { release(memory); }
void operator delete[](void* memory, std::nothrow_t const&) noexcept { release(memory); }

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::TryingToCreateNullHandle;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Internal::Common::Monitor;

namespace {

// The two faults. The manager refuses its k-th allocation from now and all
// after it; global operator new fails its k-th call from now only. `disarm`
// tells whether an allocation failed.
struct ManagerRefuses {
    CountingMemoryManager manager;
    void arm(long k) {
        manager.refusals = 0;
        manager.refuseFrom = manager.allocations + static_cast<int>(k) - 1;
    }
    bool disarm() {
        manager.refuseFrom = -1;
        return manager.refusals > 0;
    }
};

struct GlobalNewFails {
    void arm(long k) { failingCall = newCalls + k; }
    bool disarm() {
        bool const failed = newCalls >= failingCall;
        failingCall = 0;
        return failed;
    }
};

// Runs `make` once with each of its allocations failing in turn, until a run
// makes no more allocations than the failing one's number. A run ends in
// TryingToCreateNullHandle, std::bad_alloc or DomException, or with
// `expected`; in either case every block it took is given back (the
// manager's and the global allocator's). Returns the number of runs.
template <class Fault, class Make>
long expectCleanAtEveryFailure(Fault& fault, Make const& make, std::string const& expected,
                               CountingMemoryManager const* manager = nullptr) {
    for (long k = 1;; ++k) {
        Monitor::reset();  // the probes of a call left by an exception stay open until then
        long const blocksBefore = liveBlocks;
        int const managedBefore = manager ? manager->live() : 0;
        bool failed = false;
        {
            std::optional<std::string> result;
            fault.arm(k);
            try {
                result.emplace(make());
            } catch (TryingToCreateNullHandle const&) {
            } catch (std::bad_alloc const&) {
            } catch (DomException const&) {
            }
            failed = fault.disarm();
            if (result) {
                EXPECT_EQ(*result, expected) << "with allocation " << k << " failing";
            } else {
                EXPECT_TRUE(failed) << "no allocation failed, yet run " << k << " ended in an exception";
            }
        }
        Monitor::reset();
        EXPECT_EQ(liveBlocks, blocksBefore) << "with allocation " << k << " failing";
        if (manager) {
            EXPECT_EQ(manager->live(), managedBefore) << "with allocation " << k << " failing";
        }
        if (!failed || ::testing::Test::HasFailure()) return k;
    }
}

// The library's full samples of a 2008-06 export request (two records, each
// with business objects, attribute names and template overrides) and of a
// template response, with text that needs escaping added to their lists.
ExportToApplicationInput exportRequest() {
    ExportToApplicationInput request = Kestrune::Soa::Common::Xml::makeSample<ExportToApplicationInput>(2);
    // Each copy of a record's handle shares the record the request holds.
    for (ExportToApplicationInputData1 record : request.getInputArray()) record.addAttributesToExport(troublesome);
    return request;
}

GetExportTemplateResponse templateResponse() {
    GetExportTemplateResponse response = Kestrune::Soa::Common::Xml::makeSample<GetExportTemplateResponse>(2);
    response.addObjectTemplat(troublesome);
    response.getServiceData().addPartialError(troublesome);
    return response;
}

template <class T>
std::string text(T const& message) {
    return Kestrune::Soa::Common::Xml::writeMessage(message, "message");
}

// Writing (the message built, then written), reading (parsed, bound and
// written) and unsharing a copy (then written) of each sample, under every
// failure that `Fault` can inject, each step with at least the number of
// runs beside it. Each step runs once first without failures: the first use
// of a type sets up what lasts (probe names, the probe table, the manager's
// count per type name).
template <class Fault>
void writeReadAndUnshare(Fault& fault, CountingMemoryManager const* manager = nullptr) {
    auto const each = [&](auto build) {
        using T = decltype(build());
        std::string const expected = text(build());
        T const original = build();
        std::pair<long, std::function<std::string()>> const steps[] = {
            {6, [&] { return text(build()); }},
            {6,
             [&] {
                 T message;
                 message.parse(XmlDocument::parse(expected).root());
                 return text(message);
             }},
            {2, [&] {
                 T copy(original);
                 copy.ensureUnShared();
                 return text(copy);
             }}};
        for (auto const& [runs, step] : steps) EXPECT_EQ(step(), expected);
        for (auto const& [runs, step] : steps)
            EXPECT_GE(expectCleanAtEveryFailure(fault, step, expected, manager), runs);
    };
    each(&exportRequest);
    each(&templateResponse);
}

}  // namespace

TEST(FaultInjection, TheMemoryManagerRefusingAtEachAllocation) {
    ManagerRefuses fault;
    ScopedMemoryManager installed(fault.manager);
    writeReadAndUnshare(fault, &fault.manager);
}

TEST(FaultInjection, GlobalNewFailingAtEachAllocation) {
    ASSERT_EQ(Kestrune::Soa::Common::MemoryManager::getMemoryManager(), nullptr);
    GlobalNewFails fault;
    writeReadAndUnshare(fault);
}

namespace {

// Names, namespaces, attributes and text of a reader's events, in order.
class Events final : public Kestrune::Soa::Common::Xml::XmlEventHandler {
public:
    std::string lines;
    void startElement(Kestrune::Soa::Common::Xml::XmlElementStart const& e) override {
        lines.append("<").append(e.namespaceURI.text).append("|").append(e.name.text);
        for (std::size_t i = 0; i < e.attributeCount; ++i)
            lines.append(" ").append(e.attributes[i].name.text).append("=").append(e.attributes[i].value);
        lines.append("\n");
    }
    void characters(std::string_view text) override { lines.append(text); }
    void endElement() override { lines.append(">\n"); }
};

char const utf16[] = "\xFF\xFE<\0r\0 \0a\0=\0'\0b\0'\0>\0<\0e\0>\0t\0<\0/\0e\0>\0<\0/\0r\0>\0";
std::string const readerTexts[] = {
    "<?xml version='1.0'?>\n<!-- c --><p:r xmlns:p='urn:p' xmlns='urn:d' a='1&amp;2'>caf\xC3\xA9<e p:k='v'/>"
    "<![CDATA[<x>]]><?pi d?><e>&#x1F600;</e></p:r>",
    std::string(utf16, sizeof utf16 - 1),
};

}  // namespace

// Once it has read a document, a reader reads another of the same shape
// without allocating, from memory or from a stream.
TEST(FaultInjection, AWarmReaderAllocatesNothing) {
    std::string const message = text(exportRequest());
    for (std::string const& xml : {readerTexts[0], readerTexts[1], message}) {
        Kestrune::Soa::Common::Xml::XmlReader reader;
        Events events;
        events.lines.reserve(8 * xml.size());
        std::istringstream in(xml);
        for (int round = 0; round < 2; ++round) {
            long const before = newCalls;
            reader.read(xml, events);
            in.clear();
            in.seekg(0);
            reader.read(in, events);
            if (round == 1) {
                EXPECT_EQ(newCalls, before) << xml.substr(0, 40);
            }
        }
    }
}

// The memory of an implementation object goes back to the manager when its
// constructor throws (here: copying a text that needs memory of its own).
TEST(FaultInjection, MemoryGoesBackWhenAnImplementationConstructorThrows) {
    std::string const longText(100, 'x');
    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    TemplateOverride const original(longText, "", "");
    TemplateOverride copy(original);
    GlobalNewFails fault;
    fault.arm(1);
    EXPECT_THROW(TemplateOverride(longText, "", ""), std::bad_alloc);
    EXPECT_TRUE(fault.disarm());
    EXPECT_EQ(manager.allocations, 2);
    EXPECT_EQ(manager.live(), 1);

    fault.arm(1);
    EXPECT_THROW(copy.ensureUnShared(), std::bad_alloc);  // the clone's constructor throws
    EXPECT_TRUE(fault.disarm());
    EXPECT_EQ(manager.live(), 1);
    EXPECT_EQ(copy.getBusinessObjectType(), longText);
}

// A reader keeps the names it has met for the next document. Whichever
// allocation fails while it learns a document's new names, it keeps only
// whole ones: the documents after the failure read as a fresh reader reads
// each of them.
TEST(FaultInjection, AReaderThatRanOutOfMemoryReadsTheNextDocumentsAsAFreshOne) {
    using Kestrune::Soa::Common::Xml::XmlReader;
    // Enough new names, and long enough, that each of the reader's tables grows.
    std::string newNames = "<q:s xmlns:q='urn:q' xmlns:u='urn:u'>";
    for (int i = 0; i < 60; ++i) {
        std::string const name = std::string(40 + i, 'n') + std::to_string(i);
        newNames += "<q:" + name + " u:" + name + "='1' " + name + "='2'/><u:" + name + "/>";
    }
    newNames += "</q:s>";
    std::string const sequence[] = {newNames, readerTexts[0], newNames};
    std::string expected;
    for (std::string const& xml : sequence) {
        XmlReader fresh;
        Events events;
        fresh.read(xml, events);
        expected += events.lines;
    }
    GlobalNewFails fault;
    long k = 1;
    for (;; ++k) {
        XmlReader reader;
        Events events;
        reader.read(readerTexts[0], events);
        fault.arm(k);
        try {
            reader.read(newNames, events);
        } catch (std::bad_alloc const&) {
        }
        bool const failed = fault.disarm();
        events.lines.clear();
        for (std::string const& xml : sequence) reader.read(xml, events);
        ASSERT_EQ(events.lines, expected) << "with allocation " << k << " failing";
        if (!failed) break;
    }
    EXPECT_GT(k, 1) << "learning the new names allocates";
}
