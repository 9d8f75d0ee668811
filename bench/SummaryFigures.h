#pragma once

// What the summary is made of: each case's figures as the run reported
// them, the notes, and each target's verdicts, with the formatting that
// every part of the summary shares. Summary.cpp prints the workloads and
// what follows them, SummaryHostile.cpp the hostile shapes.

#include "Targets.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace kxsoa_bench::summary {

// A case's CPU time per iteration, and one of its counters, when the run
// measured them.
std::optional<double> cpu(std::string const& name);
std::optional<double> counter(std::string const& name, std::string const& key);

// printf into a string of up to 511 bytes.
std::string format(char const* pattern, ...);
std::string duration(double seconds);

Target const& target(std::string_view id);
std::string outcome(std::optional<bool> met);
// Keeps a verdict for the closing table and returns it as the summary's
// lines print it: "target >= 2.50: met". A limit given in units of a figure
// of the run is the target's limit times `scale`.
std::string judge(std::string_view id, std::string const& subject, double value, double scale = 1);
// Keeps a verdict reached otherwise, with the limit it was held to.
void keep(Target const& target, std::string const& subject, double value, double limit, std::optional<bool> met);

// The closing table: every target in the order of bench/Targets.h, with
// each figure it judged in this run, or "n/a" when it judged none.
void printTargets(std::ostream& out);
// The notes of the cases, when there are any.
void printNotes(std::ostream& out);

// The hostile shapes, with the limits and with them raised (SummaryHostile.cpp).
void printHostileShapes(std::ostream& out);

}  // namespace kxsoa_bench::summary
