#include "host/reader/TreeBuilder.h"

#include <new>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

static_assert(std::is_trivially_destructible_v<XMLNode>, "the arena never runs destructors");
static_assert(std::is_trivially_destructible_v<XMLAttribute>, "the arena never runs destructors");

XmlTreeBuilder::XmlTreeBuilder() : m_storage(new XmlDocument::Storage), m_text(16) {}

// A name is copied once per document; one the parser does not keep, each time.
std::string_view XmlTreeBuilder::copyOf(XmlName name) {
    if (name.number == XmlName::kUncounted) return m_storage->arena.copy(name.text);
    if (name.number >= m_names.size()) m_names.resize(name.number + 1);
    std::string_view& copy = m_names[name.number];
    if (copy.data() == nullptr && !name.text.empty()) copy = m_storage->arena.copy(name.text);
    return copy;
}

void XmlTreeBuilder::startElement(XmlElementStart const& element) {
    Reader::Arena& arena = m_storage->arena;
    XMLNode* node = new (arena.allocateArray<XMLNode>(1)) XMLNode();
    node->name = copyOf(element.name);
    node->namespaceURI = copyOf(element.namespaceURI);
    node->line = element.line;
    if (element.attributeCount > 0) {
        XMLAttribute* out = arena.allocateArray<XMLAttribute>(element.attributeCount);
        for (std::size_t i = 0; i < element.attributeCount; ++i) {
            XmlEventAttribute const& attribute = element.attributes[i];
            new (out + i) XMLAttribute{copyOf(attribute.name), copyOf(attribute.namespaceURI),
                                       arena.copy(attribute.value)};
        }
        node->m_attributes = out;
        node->m_attributeCount = static_cast<std::uint32_t>(element.attributeCount);
    }
    if (m_open.empty()) {
        m_root = node;
    } else {
        OpenElement& parent = m_open.back();
        node->parent = parent.node;
        if (parent.lastChild == nullptr) {
            parent.node->children.m_first = node;
        } else {
            parent.lastChild->m_nextSibling = node;
        }
        parent.lastChild = node;
        ++parent.node->children.m_size;
    }
    m_open.push_back(OpenElement{node, nullptr});
    if (m_text.size() <= m_open.size()) m_text.resize(m_text.size() * 2);
}

void XmlTreeBuilder::characters(std::string_view text) { m_text[m_open.size()].append(text); }

void XmlTreeBuilder::endElement() {
    std::string& text = m_text[m_open.size()];
    m_open.back().node->text = m_storage->arena.copy(text);
    text.clear();
    m_open.pop_back();
}

XmlDocument XmlTreeBuilder::finish() noexcept { return XmlDocument(std::move(m_storage), m_root); }

}  // namespace Kestrune::Soa::Common::Xml
