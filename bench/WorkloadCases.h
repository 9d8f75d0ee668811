#pragma once

#include <string>

namespace kxsoa_bench {

// Registers the cases of W1-small, W1, W2 and W3 and checks, on a small
// instance of each shape, that the hand writer writes the library's bytes.
// `program` is this program's path: the heap figures of each workload are
// taken by running it again with --kxsoa_measure_memory=<workload>.
void registerWorkloadCases(std::string const& program);

// Takes the heap figures of one workload and prints them, one
// "name value" per line; nonzero if there is no such workload.
int measureMemory(std::string const& workload);

// Writes the text of one workload on standard output, as the library writes
// it (for measuring other programs on the same bytes); nonzero if there is
// no such workload.
int writeWorkload(std::string const& workload);

// Registers the cases of the hostile shapes.
void registerHostileCases();

}  // namespace kxsoa_bench
