#include "SummaryFigures.h"

#include "Summary.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

namespace kxsoa_bench {

namespace {

struct Figure {
    double cpuSeconds = 0;  // per iteration
    bool median = false;
    std::map<std::string, double> counters;
};

std::map<std::string, Figure> figures;
std::map<std::string, std::vector<std::string>> notes;

// A target's verdict on one figure of the run (no verdict: the figure is not
// a number in this run).
struct Judgement {
    Target const* target;
    std::string subject;  // the workload or shape judged
    double value;
    double limit;
    std::optional<bool> met;
};
std::vector<Judgement> judgements;

Figure const* find(std::string const& name) {
    auto const it = figures.find(name);
    return it == figures.end() ? nullptr : &it->second;
}

}  // namespace

namespace summary {

std::string format(char const* pattern, ...) {
    char text[512];
    std::va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

std::optional<double> cpu(std::string const& name) {
    Figure const* f = find(name);
    if (f == nullptr) return std::nullopt;
    return f->cpuSeconds;
}

std::optional<double> counter(std::string const& name, std::string const& key) {
    Figure const* f = find(name);
    if (f == nullptr) return std::nullopt;
    auto const it = f->counters.find(key);
    if (it == f->counters.end()) return std::nullopt;
    return it->second;
}

std::string duration(double seconds) {
    if (seconds >= 1) return format("%.2f s", seconds);
    if (seconds >= 1e-3) return format("%.2f ms", seconds * 1e3);
    return format("%.2f us", seconds * 1e6);
}

Target const& target(std::string_view id) {
    for (Target const& t : kTargets)
        if (t.id == id) return t;
    throw std::logic_error("bench/Targets.h has no target \"" + std::string(id) + "\"");
}

std::string outcome(std::optional<bool> met) { return !met ? "n/a in this run" : *met ? "met" : "NOT MET"; }

std::string judge(std::string_view id, std::string const& subject, double value, double scale) {
    Target const& t = target(id);
    double const limit = t.limit * scale;
    std::optional<bool> met;
    if (std::isfinite(value) && std::isfinite(limit)) met = t.atLeast ? value >= limit : value <= limit;
    judgements.push_back({&t, subject, value, limit, met});
    return format("target %s %.2f: %s", t.atLeast ? ">=" : "<=", limit, outcome(met).c_str());
}

void keep(Target const& target, std::string const& subject, double value, double limit, std::optional<bool> met) {
    judgements.push_back({&target, subject, value, limit, met});
}

void printTargets(std::ostream& out) {
    out << "\nTargets (bench/Targets.h), each with the figures it judged in this run:\n";
    for (Target const& t : kTargets) {
        char const* const sense = t.atLeast ? ">=" : "<=";
        out << format("  %s: %s %.3g\n", std::string(t.figure).c_str(), sense, t.limit);
        bool any = false;
        for (Judgement const& j : judgements) {
            if (j.target != &t) continue;
            any = true;
            // Three digits, and no exponent for a thousand and more.
            std::string const value = !std::isfinite(j.value) ? "n/a"
                                      : j.value >= 1000       ? format("%.0f", j.value)
                                                              : format("%.3g", j.value);
            // A limit in units of a figure of the run is shown as it came out.
            std::string const limit =
                j.limit == t.limit || !std::isfinite(j.limit) ? "" : format(" (limit %.3g)", j.limit);
            out << format("    %-46s %8s  %s%s\n", j.subject.c_str(), value.c_str(), outcome(j.met).c_str(),
                          limit.c_str());
        }
        if (!any) out << "    n/a in this run\n";
    }
}

void printNotes(std::ostream& out) {
    if (!notes.empty()) out << "\nNotes:\n";
    for (auto const& [name, lines] : notes)
        for (std::string const& line : lines) out << "  " << name << ": " << line << '\n';
}

}  // namespace summary

void CollectingReporter::ReportRuns(std::vector<Run> const& runs) {
    for (Run const& run : runs) {
        // Runs on several threads are told apart by their count of threads.
        std::string const name =
            run.run_name.function_name + (run.run_name.threads.empty() ? "" : "/" + run.run_name.threads);
        if (run.error_occurred) {
            note(name, "did not run: " + run.error_message);
            continue;
        }
        bool const median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        Figure& figure = figures[name];
        if (figure.median && !median) continue;
        figure.median = median;
        figure.cpuSeconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        for (auto const& [key, value] : run.counters) figure.counters[key] = value.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

void note(std::string const& caseName, std::string const& text) { notes[caseName].push_back(text); }

void clearSummary() {
    figures.clear();
    notes.clear();
    judgements.clear();
}

}  // namespace kxsoa_bench
