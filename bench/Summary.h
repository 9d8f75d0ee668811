#pragma once

// Collects what every benchmark case measured and, after the run, prints
// each figure beside its baseline with the ratio, and beside its target
// where one is set.

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace kxsoa_bench {

// The console output as usual, and a copy of each case's figures: the
// median of its repetitions when it has several, else its one run.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;
    void ReportRuns(std::vector<Run> const& runs) override;
};

// A line for the summary about a case (a refusal's message, a baseline
// that wrote other bytes).
void note(std::string const& caseName, std::string const& text);

void printSummary(std::ostream& out);

// Forgets every figure, note and verdict collected, as before a run.
void clearSummary();

}  // namespace kxsoa_bench
