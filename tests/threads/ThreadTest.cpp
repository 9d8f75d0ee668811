// Messages written and read on several threads at once, with a memory
// manager and a probe observer installed: each thread has objects of its
// own, and all threads bind from one parsed document. Built with
// ThreadSanitizer by the tsan preset, which reports any data race.

#include "support/RoundTrip.h"

#include "host/MemoryManager.h"
#include "host/Monitor.h"
#include "host/XmlDocument.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace kxsoa_test;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Soa::Common::MemoryManager;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Internal::Common::Monitor;

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

// Plain counters: the monitor calls its observer under its own lock, so
// they see no race unless that lock is missing.
class CountingObserver : public Monitor::Observer {
public:
    long starts = 0;
    long ends = 0;
    void onStart(std::string const&) override { ++starts; }
    void onEnd(std::string const&) override { ++ends; }
};

v8::ExportToApplicationInput exportRequest(int thread) {
    v8::ExportToApplicationInput request;
    v8::ExportToApplicationInputData1 record("csv", "objectTemplate", "template-" + std::to_string(thread));
    record.addObjectsToExport(ModelObject("uid-" + std::to_string(thread), "Item"));
    record.addAttributesToExport(troublesome);
    record.addObjectTemplateOverride(v8::TemplateOverride("Item", "excel", "override"));
    request.addInput(record);
    return request;
}

std::string text(v8::ExportToApplicationInput const& request) {
    Kestrune::Soa::Common::Xml::XmlStream stream;
    request.outputXML(stream, "exportToApplication");
    return stream.str();
}

}  // namespace

TEST(Threads, WriteAndReadOnSeveralThreadsWithAManagerAndAnObserver) {
    constexpr int threadCount = 4;
    constexpr int rounds = 50;
    SharedCountingManager manager;
    MemoryManager::setMemoryManager(&manager);
    CountingObserver observer;
    Monitor::setObserver(&observer);
    std::atomic<int> mismatches{0};
    {
        v8::GetExportTemplateResponse sharedResponse;
        sharedResponse.addSpecTemplate(troublesome);
        sharedResponse.getServiceData().addPartialError("partial");
        sharedResponse.getServiceData().addUpdatedObject(ModelObject("uid", "Item"));
        std::string const responseText = written(sharedResponse, "response");
        XmlDocument const sharedDocument = XmlDocument::parse(responseText);

        std::vector<std::thread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < rounds; ++round) {
                    v8::ExportToApplicationInput const request = exportRequest(t);
                    std::string const requestText = text(request);
                    v8::ExportToApplicationInput read;
                    read.parse(XmlDocument::parse(requestText).root());
                    v8::ExportToApplicationInput copy(read);
                    copy.ensureUnShared();
                    if (text(copy) != requestText) ++mismatches;

                    v8::GetExportTemplateResponse response;  // bound from the document all threads share
                    response.parse(sharedDocument.root());
                    Kestrune::Soa::Common::Xml::XmlStream stream;
                    response.outputXML(stream, "response");
                    if (stream.str() != responseText) ++mismatches;
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
    }
    Monitor::setObserver(nullptr);
    MemoryManager::setMemoryManager(nullptr);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(observer.ends, observer.starts);
    EXPECT_EQ(observer.starts, 1 + threadCount * rounds * 5L);  // the shared response written; five per round
    EXPECT_GT(manager.allocations, threadCount * rounds * 10L);
    EXPECT_EQ(manager.deallocations, manager.allocations.load());
}
