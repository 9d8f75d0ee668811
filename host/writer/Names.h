#pragma once

// The names the writer writes: element names checked once and then known,
// and the namespaces that may be bound to a prefix.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Writer {

constexpr std::string_view xmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view xmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// An empty URI cannot be bound to a prefix, and the namespaces of the
// reserved prefixes "xml" and "xmlns" are bound to no other. Inline, as
// every element asks it; the refusal is not.
[[noreturn]] void refuseBinding(std::string_view uri);
inline void checkBindable(std::string_view uri) {
    if (uri.empty() || (uri.size() == xmlNamespace.size() && uri == xmlNamespace) ||
        (uri.size() == xmlnsNamespace.size() && uri == xmlnsNamespace))
        refuseBinding(uri);
}

// A name as written, or a namespace URI, that a reader with the same limit
// would refuse is not written: `what` ("an element name", "a namespace URI")
// names it in the refusal.
[[noreturn]] void refuseNameLength(std::size_t length, std::size_t maxNameBytes, char const* what);
inline void checkNameLength(std::size_t length, std::size_t maxNameBytes, char const* what) {
    if (length > maxNameBytes) refuseNameLength(length, maxNameBytes, what);
}

struct QualifiedName {
    std::string_view prefix;  // empty when the name has none
    std::string_view local;

    // Where the colon is in the name, npos when it has none.
    std::size_t colon() const noexcept { return prefix.empty() ? std::string_view::npos : prefix.size(); }
};

// `name` split at its colon, refused when it is no valid element name.
QualifiedName splitName(std::string_view name);

// `name`, known to be valid, split at `colon` (npos: it has none).
inline QualifiedName splitAt(std::string_view name, std::size_t colon) noexcept {
    if (colon == std::string_view::npos) return {{}, name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

// True when `qualified` reads `prefix:local`, or `local` alone when `prefix`
// is empty: a name written before that can be written again as it is.
inline bool spells(std::string_view qualified, std::string_view prefix, std::string_view local) noexcept {
    if (prefix.empty()) return qualified == local;
    return qualified.size() == prefix.size() + 1 + local.size() && qualified.substr(0, prefix.size()) == prefix &&
           qualified[prefix.size()] == ':' && qualified.substr(prefix.size() + 1) == local;
}

// Appends `prefix:local`, or `local` alone when `prefix` is empty.
inline void appendQualified(std::string& out, std::string_view prefix, std::string_view local) {
    out.append(prefix);
    if (!prefix.empty()) out.append(1, ':');
    out.append(local);
}

// Whether the `n` bytes at `a` and at `b` are the same. Most names are
// short: up to 16 bytes they are compared inline, in two overlapping loads
// from each.
inline bool sameBytes(char const* a, char const* b, std::size_t n) noexcept {
    auto same = [&](auto word, std::size_t at) {
        decltype(word) x, y;
        std::memcpy(&x, a + at, sizeof x);
        std::memcpy(&y, b + at, sizeof y);
        return x == y;
    };
    if (n > 16) return std::memcmp(a, b, n) == 0;
    if (n >= 8) return same(std::uint64_t(), 0) && same(std::uint64_t(), n - 8);
    if (n >= 4) return same(std::uint32_t(), 0) && same(std::uint32_t(), n - 4);
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Names found valid, so that a name a message repeats is checked once and
// afterwards only compared. A name has a set of two slots, picked by where
// its text lies (the writing procedures pass names that live as long as the
// program) and its length, and takes over the slot of the set that was
// taken longer ago: two names whose texts lie where they pick the same set
// both stay known. Where a slot's name lay tells which of the two to
// compare. The slot holds the name as it is written where it is
// used (`lead`, the name, `trail`: ` name="` for an attribute), so that a
// known name costs one comparison and one append, and where its colon is.
class KnownNames {
public:
    struct Name {
        std::string written;                         // lead + name + trail
        std::size_t colon = std::string_view::npos;  // in the name
        std::size_t generation = 0;                  // a new one each time the slot takes a name
    };

    KnownNames(std::string_view lead, std::string_view trail) noexcept : m_lead(lead), m_trail(trail) {}

    // The slot of `name` if it is known, else null.
    Name const* find(std::string_view name) const noexcept {
        std::size_t const set = setOf(name);
        std::size_t const slot = set + (m_texts[set + 1] == name.data() ? 1 : 0);  // the one whose text lay there
        Name const& known = m_names[slot];
        return holds(known, name) ? &known : nullptr;
    }
    // Learns `name`, found valid, whose colon is at `colon` (npos: none).
    Name const& add(std::string_view name, std::size_t colon) {
        std::size_t const set = setOf(name);
        std::size_t const slot = set + (m_names[set].generation <= m_names[set + 1].generation ? 0 : 1);
        Name& known = m_names[slot];
        known.written.assign(m_lead).append(name).append(m_trail);
        m_texts[slot] = name.data();
        known.colon = colon;
        known.generation = ++m_added;
        return known;
    }

private:
    bool holds(Name const& known, std::string_view name) const noexcept {
        return !name.empty() && known.written.size() == m_lead.size() + name.size() + m_trail.size() &&
               sameBytes(known.written.data() + m_lead.size(), name.data(), name.size());
    }
    // The first slot of the set of `name`.
    static std::size_t setOf(std::string_view name) noexcept {
        std::uintptr_t const at = reinterpret_cast<std::uintptr_t>(name.data());
        return static_cast<std::size_t>(at ^ (at >> 6) ^ name.size()) % (kSlots / 2) * 2;
    }

    static constexpr std::size_t kSlots = 64;
    std::string_view m_lead;
    std::string_view m_trail;
    std::array<Name, kSlots> m_names;
    std::array<char const*, kSlots> m_texts{};  // where each slot's name lay when it was added
    std::size_t m_added = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Writer
