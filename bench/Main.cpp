// The benchmark suite: every workload beside its baselines, the heap
// figures, the hostile shapes, and a summary of every figure with its ratio.
//
//   scripts/bench                     builds and runs it all
//   bench_readwrite --benchmark_filter=W1/1k   one workload (the summary shows what ran)
//   bench_readwrite --kxsoa_write=W1/1k        that workload's text on standard output

#include "CountingAllocator.h"
#include "Summary.h"
#include "WorkloadCases.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    kxsoa_bench::installCountingXmlMemory();  // before libxml2 allocates anything
    xmlInitParser();
    char const measure[] = "--kxsoa_measure_memory=";
    if (argc == 2 && std::strncmp(argv[1], measure, sizeof measure - 1) == 0)
        return kxsoa_bench::measureMemory(argv[1] + sizeof measure - 1);
    char const write[] = "--kxsoa_write=";
    if (argc == 2 && std::strncmp(argv[1], write, sizeof write - 1) == 0)
        return kxsoa_bench::writeWorkload(argv[1] + sizeof write - 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kxsoa_bench::registerWorkloadCases(std::filesystem::read_symlink("/proc/self/exe").string());
    kxsoa_bench::registerHostileCases();
    // Colours only on a terminal; counters inline, as the workloads' counters differ.
    kxsoa_bench::CollectingReporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Color
                                                                        : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    kxsoa_bench::printSummary(std::cout);
    benchmark::Shutdown();
    return 0;
}
