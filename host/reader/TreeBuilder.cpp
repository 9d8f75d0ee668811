#include "host/reader/TreeBuilder.h"

#include <new>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

static_assert(std::is_trivially_destructible_v<XMLNode>, "the arena never runs destructors");
static_assert(std::is_trivially_destructible_v<XMLAttribute>, "the arena never runs destructors");
static_assert(sizeof(XMLNode) % alignof(XMLAttribute) == 0 && alignof(XMLAttribute) <= alignof(XMLNode),
              "a node's attributes follow it in the same block");
static_assert(sizeof(void*) != 8 || sizeof(XMLNode) == 96,
              "XmlReadLimits::maxTreeBytesPerByte documents 96 bytes a node");

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
    // The node, then its attributes (XMLNode::attributesBegin finds them there).
    char* const memory = static_cast<char*>(
        arena.allocate(sizeof(XMLNode) + element.attributeCount * sizeof(XMLAttribute), alignof(XMLNode)));
    XMLNode* node = new (memory) XMLNode();
    node->name = copyOf(element.name);
    node->namespaceURI = copyOf(element.namespaceURI);
    node->line = element.line;
    node->column = element.column;
    for (std::size_t i = 0; i < element.attributeCount; ++i) {
        XmlEventAttribute const& attribute = element.attributes[i];
        new (memory + sizeof(XMLNode) + i * sizeof(XMLAttribute))
            XMLAttribute{copyOf(attribute.name), copyOf(attribute.namespaceURI), arena.copy(attribute.value)};
    }
    node->m_attributeCount = static_cast<std::uint32_t>(element.attributeCount);
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

std::string XmlTreeBuilder::path() const {
    std::string path;
    for (OpenElement const& open : m_open) {
        XMLNode const& node = *open.node;
        path += '/';
        path += node.name;
        if (node.parent == nullptr) continue;
        std::size_t place = 1;
        for (XMLNode const& sibling : node.parent->children) {
            if (&sibling == &node) break;
            place += sibling.name == node.name;
        }
        path += '[' + std::to_string(place) + ']';
    }
    return path;
}

XmlDocument XmlTreeBuilder::finish() noexcept { return XmlDocument(std::move(m_storage), m_root); }

}  // namespace Kestrune::Soa::Common::Xml
