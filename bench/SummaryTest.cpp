// The benchmark's summary, from made-up figures handed to its reporter as a
// run would hand them: every target judged against its figure (limits met
// exactly, passed, missed, and not measured), a median preferred over the
// runs it sums up, a case that did not run kept as a note; then the summary
// of a run that measured only parts, each figure lacking one of the cases or
// counters it takes. Both are compared whole with SummaryTest.expected.

#include "Summary.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using BenchmarkRun = benchmark::BenchmarkReporter::Run;

struct Case {
    char const* name;
    double cpuSeconds;
    std::map<std::string, double> counters;
};

// Per case, its CPU time per iteration (the memory cases have none) and counters.
Case const cases[] = {
    {"W1/1k/memory",
     0,
     {{"doc_bytes", 2e6},
      {"records", 1000},
      {"direct_peak_x_doc", 2.5},
      {"objects_x_doc", 1.5},
      {"write_allocs_per_record", 10},
      {"write_steady_allocs_per_record", 0},
      {"steady_direct_allocs_per_record", 36},
      {"bind_bound_per_record", 36}}},
    {"W1/1k/write", 2.0, {}},
    {"W1/1k/write_hand", 1.0, {{"same_bytes", 0}}},
    {"W1/1k/sax2", 2.5, {}},
    {"W1/1k/direct", 2.5, {}},
    {"W1/1k/direct_validate", 2.75, {}},
    {"W1/1k/pugixml_bind", 2.0, {}},
    {"W1/1k/write_reused", 1.0, {}},
    {"W1/1k/write_hand_reused", 0.8, {}},
    {"W1/1k/parse", 5.0, {}},
    {"W1/1k/parse_bind", 2.0, {}},
    {"W1/1k/threads/threads:1", 1, {{"items_per_second", 100}}},
    {"W1/1k/threads/threads:2", 1, {{"items_per_second", 150}}},
    {"W1-small/memory",
     0,
     {{"doc_bytes", 800},
      {"records", 1},
      {"write_steady_allocs_per_record", 0},
      {"steady_direct_allocs_per_record", 9},
      {"bind_bound_per_record", 8}}},
    {"W1-small/direct", 1.0, {}},
    {"W1-small/direct_any", 1.25, {}},
    {"W1-small/direct_refused", 4.0, {}},
    {"W1-small/sax2_reused", 1.0, {}},
    {"W1-small/direct_next_stream", 1250.0, {{"messages_per_op", 1000}}},
    {"W1-small/write_stream_reused", 1.0, {{"allocs_per_message", 0}}},
    {"W1-small/write_hand_reused", 0.5, {}},
    {"W1-small/pugixml_write", 0.5, {}},
    {"W1-small/pugixml_bind", 1.5, {}},
    {"W1-small/threads/threads:1", 1, {{"items_per_second", 100}}},
    {"W1-small/threads/threads:2", 1, {{"items_per_second", 180}}},
    // Fewer records than the workload's name says: the summary counts them.
    {"W1/100k/memory", 0, {{"doc_bytes", 1e8}, {"records", 50000}}},
    {"W1/100k/write", 200, {}},
    {"W1/100k/direct", 100, {}},
    {"W1/100k/parse_bind", 300, {}},
    {"W1/100k/direct_each_stream", 110, {{"peak_MB", 16}}},
    {"W1/100k/write_each", 1.2, {{"peak_MB", 20}}},
    {"W1/100k/write_onto_buffer", 1.0, {{"peak_MB", 50}}},
    // The plain document takes 2.5 s per MB: W1/1k/parse over its 2 MB.
    {"hostile/attributes_1e5", 7.5, {{"doc_MB", 1}, {"heap_per_byte", 2}}},
    {"hostile/names_1e6", 0.01, {{"doc_MB", 10}, {"refused", 1}}},
    {"hostile/comment_100MB_stream", 0.5, {{"doc_MB", 100}, {"refused", 1}}},
    {"hostile/empty_elements_1e7", 1, {{"doc_MB", 0.1}, {"refused", 1}}},
    {"hostile/raised/attributes_1e5", 5, {{"doc_MB", 1}}},
    {"hostile/raised/attributes_2e5", 10, {{"doc_MB", 2}}},
    {"hostile/raised/names_1e6", 5.5, {{"doc_MB", 1}}},
};

// Scaling without W1's write at 100k records and without W3's 100k memory
// case; the streaming read without the direct read it is held to; the
// reset stream beside a hand writer of exactly a millisecond; a hostile
// shape without its size, and one refused in exactly the time its target
// allows, without a plain document to hold its time per MB to.
Case const parts[] = {
    {"W1/1k/memory", 0, {{"doc_bytes", 1e6}, {"records", 1000}}},
    {"W1/100k/memory", 0, {{"doc_bytes", 1e8}, {"records", 100000}}},
    {"W1/1k/write", 1, {}},
    {"W3/1k/memory", 0, {{"doc_bytes", 1e5}, {"records", 1000}}},
    {"W3/1k/write", 1, {}},
    {"W3/100k/write", 100, {}},
    {"W1/100k/direct_each_stream", 110, {{"peak_MB", 16}}},
    {"W1-small/write_stream_reused", 1, {{"allocs_per_message", 0}}},
    {"W1-small/write_hand_reused", 0.001, {}},
    // A hostile shape timed without its size: no figure per MB.
    {"hostile/attributes_1e5", 1, {}},
    {"hostile/names_1e6", 0.01, {{"doc_MB", 10}, {"refused", 1}}},
};

BenchmarkRun run(std::string const& name, double cpuSeconds, std::map<std::string, double> const& counters) {
    BenchmarkRun r;
    std::size_t const threads = name.find("/threads:");
    r.run_name.function_name = name.substr(0, threads);
    if (threads != std::string::npos) r.run_name.threads = name.substr(threads + 1);
    r.iterations = 2;
    r.cpu_accumulated_time = 2 * cpuSeconds;
    for (auto const& [key, value] : counters) r.counters[key] = benchmark::Counter(value);
    return r;
}

TEST(Summary, JudgesEveryTargetAgainstItsFigure) {
    std::ostringstream console;
    kxsoa_bench::CollectingReporter reporter(benchmark::ConsoleReporter::OO_None);
    reporter.SetOutputStream(&console);
    reporter.SetErrorStream(&console);
    for (Case const& c : cases) reporter.ReportRuns({run(c.name, c.cpuSeconds, c.counters)});

    // Of three repetitions and their mean and median, the median counts.
    BenchmarkRun repetition = run("W1/1k/events", 9, {}), mean = run("W1/1k/events", 7, {}),
                 median = run("W1/1k/events", 1, {});
    mean.run_type = median.run_type = BenchmarkRun::RT_Aggregate;
    mean.aggregate_name = "mean";
    median.aggregate_name = "median";
    reporter.ReportRuns({repetition, repetition, repetition});
    reporter.ReportRuns({mean, median});
    reporter.ReportRuns({repetition});
    BenchmarkRun failed = run("W2/memory", 1, {});
    failed.error_occurred = true;
    failed.error_message = "out of memory";
    reporter.ReportRuns({failed});

    std::ostringstream summary;
    kxsoa_bench::printSummary(summary);
    kxsoa_bench::clearSummary();
    for (Case const& c : parts) reporter.ReportRuns({run(c.name, c.cpuSeconds, c.counters)});
    kxsoa_bench::printSummary(summary);
    std::ifstream file(KXSOA_SUMMARY_EXPECTED);
    std::stringstream expected;
    expected << file.rdbuf();
    ASSERT_TRUE(file) << KXSOA_SUMMARY_EXPECTED;
    EXPECT_EQ(expected.str(), summary.str());
}

}  // namespace
