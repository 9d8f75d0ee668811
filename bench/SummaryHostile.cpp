#include "SummaryFigures.h"

#include <cmath>

namespace kxsoa_bench::summary {

namespace {

// A ratio to the plain document's time, "n/a" when the run measured none.
std::string ratioText(double ratio, int decimals) {
    return std::isfinite(ratio) ? format("%.*f", decimals, ratio) : std::string("n/a");
}

// One shape read once: its size, whether it was read or refused and how
// soon, its time per MB against a plain document's and its heap per byte;
// judged unless `judged` is false.
void hostile(std::ostream& out, std::string const& name, char const* label, double plainPerMB, bool judged = true) {
    std::string const key = "hostile/" + name;
    std::optional<double> const seconds = cpu(key);
    std::optional<double> const mb = counter(key, "doc_MB");
    if (!seconds || !mb) {
        if (judged) judge("hostile", key, NAN);
        out << format("  %-44s n/a\n", label);
        return;
    }
    bool const refused = counter(key, "refused").value_or(0) != 0;
    double const perMB = *seconds / *mb;
    out << format("  %-44s %6.1f MB  %-7s in %10s  %7s x plain per MB  heap %6.2f bytes per byte", label, *mb,
                  refused ? "refused" : "read", duration(*seconds).c_str(), ratioText(perMB / plainPerMB, 1).c_str(),
                  counter(key, "heap_per_byte").value_or(NAN));
    if (!judged) {
        out << '\n';
        return;
    }
    // Read, the time per MB is judged; refused, so is how soon.
    Target const& perMBTarget = target("hostile");
    Target const& refusal = target("hostile_refusal");
    double const milliseconds = *seconds * 1e3;
    bool const refusedSoon = refused && milliseconds <= refusal.limit;
    std::optional<bool> met;
    if (refusedSoon || !std::isnan(plainPerMB)) met = refusedSoon || perMB <= perMBTarget.limit * plainPerMB;
    Target const& kind = refused ? refusal : perMBTarget;
    keep(kind, key, refused ? milliseconds : perMB / plainPerMB, kind.limit, met);
    if (!met) {
        out << "  target: n/a in this run (no plain document)\n";
        return;
    }
    out << "  target: " << (refused ? format("refused in %.0f ms or ", refusal.limit) : "")
        << format("<= %.0f x plain: ", perMBTarget.limit) << outcome(met) << '\n';
}

// A shape read with the limits raised past its counts: its time per MB
// against a plain document's.
void raisedPast(std::ostream& out, std::string const& key, char const* label, double plainPerMB) {
    std::optional<double> const seconds = cpu("hostile/" + key);
    std::optional<double> const mb = counter("hostile/" + key, "doc_MB");
    if (!seconds || !mb) {
        judge("raised", "hostile/" + key, NAN);
        out << format("  %-44s n/a\n", label);
        return;
    }
    double const ratio = *seconds / *mb / plainPerMB;
    out << format("  %-44s %6.1f MB  read in %10s  %5s x plain per MB  %s\n", label, *mb, duration(*seconds).c_str(),
                  ratioText(ratio, 2).c_str(), judge("raised", "hostile/" + key, ratio).c_str());
}

// The time of a shape at two counts, the second twice the first: 2 means
// linear time, 4 quadratic.
void growth(std::ostream& out, std::string const& shape, char const* small, char const* large, char const* label) {
    std::optional<double> const a = cpu("hostile/raised/" + shape + "_" + small);
    std::optional<double> const b = cpu("hostile/raised/" + shape + "_" + large);
    if (!a || !b) {
        out << format("  %-44s n/a\n", label);
        return;
    }
    out << format("  %-44s %s: %10s, %s: %10s; twice the count, %.1f x the time\n", label, small, duration(*a).c_str(),
                  large, duration(*b).c_str(), *b / *a);
}

}  // namespace

void printHostileShapes(std::ostream& out) {
    std::optional<double> const plain = cpu("W1/1k/parse");
    std::optional<double> const plainBytes = counter("W1/1k/memory", "doc_bytes");
    if (cpu("hostile/attributes_1e5")) {
        // Without the plain document's figure (a filtered run), no "x plain".
        double const plainPerMB = plain && plainBytes ? *plain / (*plainBytes / 1e6) : NAN;
        out << format(
            "\nHostile shapes, read once with the default limits; plain document: W1/1k XmlDocument::parse, "
            "%s per MB.\nHeap: the peak above what the process held before, per byte of text (blocks the reader\n"
            "kept from earlier documents are not counted).\n",
            plain && plainBytes ? duration(plainPerMB).c_str() : "n/a");
        hostile(out, "attributes_1e5", "one element with 10^5 attributes", plainPerMB);
        hostile(out, "attributes_1e5_utf16_mark_over_bytes", "  the same behind a UTF-16 mark, in bytes", plainPerMB);
        hostile(out, "attributes_1e5_utf7", "  the same declared UTF-7", plainPerMB);
        hostile(out, "attributes_1e5_iso2022jp", "  the same declared ISO-2022-JP", plainPerMB);
        hostile(out, "names_1e6", "10^6 distinct element names", plainPerMB);
        hostile(out, "comment_100MB_string", "a 100 MB comment, from a string", plainPerMB);
        hostile(out, "comment_100MB_stream", "a 100 MB comment, from a std::istream", plainPerMB);
        out << "\nThe shapes that need the most memory per byte, with the default limits (maxTreeBytesPerByte 8),\n"
               "then without that bound; and the densest message of the library's types:\n";
        hostile(out, "empty_elements_1e7", "10^7 empty elements", plainPerMB);
        hostile(out, "short_attributes_10MB", "elements of 52 empty attributes, 10 MB", plainPerMB);
        hostile(out, "deep_nesting_10MB", "elements nested 256 deep, 10 MB", plainPerMB);
        hostile(out, "unbounded/empty_elements_1e6", "10^6 empty elements, unbounded", plainPerMB, false);
        hostile(out, "unbounded/short_attributes_10MB", "52 empty attributes each, unbounded", plainPerMB, false);
        hostile(out, "unbounded/deep_nesting_10MB", "nested 256 deep, unbounded", plainPerMB, false);
        hostile(out, "densest_message_2e5", "2 x 10^5 business objects, empty ids", plainPerMB, false);
        out << "\nWith maxAttributes, maxNames and maxTreeBytesPerByte raised past the counts: linear time, the cost\n"
               "per MB within 2 x a plain document's:\n";
        raisedPast(out, "raised/attributes_1e5", "one element with 10^5 attributes", plainPerMB);
        raisedPast(out, "raised/namespaces_1e5", "one element with 10^5 namespace declarations", plainPerMB);
        raisedPast(out, "raised/names_1e6", "10^6 distinct element names", plainPerMB);
        growth(out, "attributes", "1e5", "2e5", "attributes of one element");
        growth(out, "names", "1e6", "2e6", "distinct element names");
    }
}

}  // namespace kxsoa_bench::summary
