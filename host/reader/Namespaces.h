#pragma once

// Which namespace a prefix stands for: the bindings that the open elements
// declared, innermost first, found by the prefix's number among the
// reader's names, so that resolving a name costs the same however many
// bindings are in force.

#include "host/XmlEvents.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class Namespaces {
public:
    // No prefix bound and no default namespace, for a new document.
    void clear() noexcept;

    // The namespace name that `prefix` is bound to; null when none. Where
    // it is kept, valid until the next binding or close().
    XmlName const* boundTo(XmlName prefix) const noexcept {
        if (prefix.number >= m_bound.size()) return nullptr;
        XmlName const& bound = m_bound[prefix.number];
        return bound.text.data() != nullptr ? &bound : nullptr;
    }
    // The default namespace; an empty text when there is none.
    XmlName const& defaultNamespace() const noexcept { return m_default; }

    // The bindings made from now on last until close() with what mark() said.
    std::size_t mark() const noexcept { return m_saved.size(); }
    void close(std::size_t mark) noexcept;
    // Binds `prefix` to `uri` (not empty), or the default namespace to `uri`.
    void bind(XmlName prefix, XmlName uri);
    void bindDefault(XmlName uri);

    // What it keeps between documents, in bytes; and giving it back.
    std::size_t keptBytes() const noexcept;
    void release() noexcept;

private:
    static constexpr std::uint32_t kDefault = XmlName::kUncounted;
    struct Saved {
        std::uint32_t prefix;  // or kDefault
        XmlName previous;
    };

    std::vector<XmlName> m_bound;  // by the prefix's number
    XmlName m_default;
    std::vector<Saved> m_saved;  // what the bindings in force replaced, innermost last
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
