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
// reserved prefixes "xml" and "xmlns" are bound to no other.
void checkBindable(std::string_view uri);

// A name as written, or a namespace URI, that a reader with the same limit
// would refuse is not written: `what` ("an element name", "a namespace URI")
// names it in the refusal.
void checkNameLength(std::size_t length, std::size_t maxNameBytes, char const* what);

struct QualifiedName {
    std::string_view prefix;  // empty when the name has none
    std::string_view local;
};

// `name` split at its colon; `checked` tells that it is known to be valid.
QualifiedName splitName(std::string_view name, bool checked);

// True when `qualified` reads `prefix:local`, or `local` alone when `prefix`
// is empty: a name written before that can be written again as it is.
inline bool spells(std::string_view qualified, std::string_view prefix, std::string_view local) noexcept {
    if (prefix.empty()) return qualified == local;
    return qualified.size() == prefix.size() + 1 + local.size() && qualified.substr(0, prefix.size()) == prefix &&
           qualified[prefix.size()] == ':' && qualified.substr(prefix.size() + 1) == local;
}

// Makes `out` read `prefix:local`, or `local` alone when `prefix` is empty.
inline void assignQualified(std::string& out, std::string_view prefix, std::string_view local) {
    out.assign(prefix);
    if (!prefix.empty()) out.append(1, ':');
    out.append(local);
}

// Names found valid, so that a name a message repeats is checked once and
// afterwards only compared. A name has one slot, picked by where its text
// lies (the writing procedures pass names that live as long as the program)
// and its length; it takes the slot over from the name there.
class KnownNames {
public:
    bool contains(std::string_view name) const noexcept {
        std::string const& known = m_names[slot(name)];
        return !name.empty() && known.size() == name.size() && std::memcmp(known.data(), name.data(), name.size()) == 0;
    }
    void add(std::string_view name) { m_names[slot(name)].assign(name); }

private:
    static std::size_t slot(std::string_view name) noexcept {
        std::uintptr_t const at = reinterpret_cast<std::uintptr_t>(name.data());
        return static_cast<std::size_t>(at ^ (at >> 6) ^ name.size()) % kSlots;
    }

    static constexpr std::size_t kSlots = 64;
    std::array<std::string, kSlots> m_names;
};

}  // namespace Kestrune::Soa::Common::Xml::Writer
