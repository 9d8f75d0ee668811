#include "host/reader/Namespaces.h"

namespace Kestrune::Soa::Common::Xml::Reader {

// Undoing every binding in force (all of them when the last document broke
// off) leaves each prefix, and the default, bound to none again, at a cost
// of what was bound: the prefixes' numbers stay from one document to the
// next.
void Namespaces::clear() noexcept { close(0); }

void Namespaces::bind(XmlName prefix, XmlName uri) {
    if (prefix.number >= m_bound.size()) m_bound.resize(prefix.number + 1);
    m_saved.push_back(Saved{prefix.number, m_bound[prefix.number]});
    m_bound[prefix.number] = uri;
}

void Namespaces::bindDefault(XmlName uri) {
    m_saved.push_back(Saved{kDefault, m_default});
    m_default = uri;
}

void Namespaces::close(std::size_t mark) noexcept {
    while (m_saved.size() > mark) {
        Saved const& saved = m_saved.back();
        (saved.prefix == kDefault ? m_default : m_bound[saved.prefix]) = saved.previous;
        m_saved.pop_back();
    }
}

std::size_t Namespaces::keptBytes() const noexcept {
    return m_bound.capacity() * sizeof(XmlName) + m_saved.capacity() * sizeof(Saved);
}

void Namespaces::release() noexcept {
    std::vector<XmlName>().swap(m_bound);
    std::vector<Saved>().swap(m_saved);
    m_default = XmlName{};
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
