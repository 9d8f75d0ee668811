// Messages written and read on several threads at once, with a memory
// manager and a probe observer installed: each thread has objects of its
// own, and all threads bind from one parsed document. Built with
// ThreadSanitizer by the tsan preset, which reports any data race.

#include "support/RoundTrip.h"

#include "host/MemoryManager.h"
#include "host/XmlDocument.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "xml/Sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace kxsoa_test;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::MemoryManager;
using Kestrune::Soa::Common::Xml::XmlDocument;

namespace {

// Counts with atomics: it is called from every thread.
class SharedCountingManager : public MemoryManager {
public:
    std::atomic<long> allocations{0};
    std::atomic<long> deallocations{0};

    void* allocate(std::size_t size, char const*) override {
        ++allocations;
        return std::malloc(size);
    }
    void deallocate(void* memory) override {
        ++deallocations;
        std::free(memory);
    }
    void* placementallocate(std::size_t, void* place) override { return place; }
    void placementdeallocate(void*, void*) override {}
};

// The library's full sample, with the thread's number and text that needs escaping.
v8::ExportToApplicationInput exportRequest(int thread) {
    v8::ExportToApplicationInput request = Kestrune::Soa::Common::Xml::makeSample<v8::ExportToApplicationInput>(1);
    v8::ExportToApplicationInputData1 record = request.getInputArray()[0];  // shares the request's record
    record.setTemplateId("template-" + std::to_string(thread));
    record.addAttributesToExport(troublesome);
    return request;
}

}  // namespace

TEST(Threads, WriteAndReadOnSeveralThreadsWithAManagerAndAnObserver) {
    constexpr int threadCount = 4;
    constexpr int rounds = 50;
    SharedCountingManager manager;
    MemoryManager::setMemoryManager(&manager);
    ProbeRecorder probes;  // the monitor calls it under its own lock: no race unless that lock is missing
    std::atomic<int> mismatches{0};
    {
        v8::GetExportTemplateResponse sharedResponse =
            Kestrune::Soa::Common::Xml::makeSample<v8::GetExportTemplateResponse>(1);
        sharedResponse.addSpecTemplate(troublesome);
        std::string const responseText = written(sharedResponse, "response");
        XmlDocument const sharedDocument = XmlDocument::parse(responseText);

        std::vector<std::thread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < rounds; ++round) {
                    v8::ExportToApplicationInput const request = exportRequest(t);
                    std::string const requestText = written(request, "request");
                    v8::ExportToApplicationInput read;
                    read.parse(XmlDocument::parse(requestText).root());
                    v8::ExportToApplicationInput copy(read);
                    copy.ensureUnShared();
                    if (written(copy, "request") != requestText) ++mismatches;

                    v8::GetExportTemplateResponse response;  // bound from the document all threads share
                    response.parse(sharedDocument.root());
                    if (written(response, "response") != responseText) ++mismatches;
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
    }
    MemoryManager::setMemoryManager(nullptr);
    EXPECT_EQ(mismatches, 0);
    // The shared response written, then five per round, each started and ended.
    long const starts = std::count_if(probes.events.begin(), probes.events.end(),
                                      [](std::string const& event) { return event.rfind("start ", 0) == 0; });
    EXPECT_EQ(starts, 1 + threadCount * rounds * 5L);
    EXPECT_EQ(probes.events.size(), 2 * static_cast<std::size_t>(starts));
    EXPECT_GT(manager.allocations, threadCount * rounds * 10L);
    EXPECT_EQ(manager.deallocations, manager.allocations.load());
}
