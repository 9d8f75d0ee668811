#include "host/XmlDocument.h"

#include "host/XMLNode.h"
#include "host/XmlEvents.h"
#include "host/XmlReader.h"
#include "host/reader/Arena.h"

#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// The path of the text on its way to a tree, one part per file in
// host/reader/: TextSource (where the bytes come from), TextDecoder (which
// characters they are, as UTF-8), TextInput and TextPosition (the text at
// hand, and where a place in it is), ByteClasses and Tokenizer (which token
// a byte belongs to), NameTable (which name), Namespaces (which namespace),
// EventReader (the events and the limits on them; XmlReader is its public
// face), Refusal (why a text is not read); then the tree builder below and
// Arena (the nodes).

namespace Kestrune::Soa::Common::Xml {

// Builds a document's tree from a reader's events: nodes, names and text in
// the document's arena.
struct XmlDocument::Storage {
    Reader::Arena arena;
};

class XmlTreeBuilder final : public XmlEventHandler {
public:
    XmlTreeBuilder();

    void startElement(XmlElementStart const& element) override;
    void characters(std::string_view text) override;
    void endElement() override;
    // The innermost open element's path, every element but the root numbered
    // among its parent's children of its name.
    std::string path() const override;

    // The document built from the events of one whole read.
    XmlDocument finish() noexcept;

private:
    struct OpenElement {
        XMLNode* node;
        XMLNode* lastChild;
    };

    std::string_view copyOf(XmlName name);

    std::unique_ptr<XmlDocument::Storage> m_storage;
    XMLNode* m_root = nullptr;
    std::vector<OpenElement> m_open;
    // The character data of each open element so far, indexed by depth; the
    // strings are reused from element to element, so their memory is too.
    std::vector<std::string> m_text;
    // The arena's copy of each name, by its number.
    std::vector<std::string_view> m_names;
};

static_assert(std::is_trivially_destructible_v<XMLNode>, "the arena never runs destructors");
static_assert(std::is_trivially_destructible_v<XMLAttribute>, "the arena never runs destructors");
static_assert(std::is_trivially_destructible_v<XMLNamespaceDeclaration>, "the arena never runs destructors");
static_assert(sizeof(XMLNode) % alignof(XMLAttribute) == 0 && alignof(XMLAttribute) <= alignof(XMLNode),
              "a node's attributes follow it in the same block");
static_assert(sizeof(XMLAttribute) % alignof(XMLNamespaceDeclaration) == 0 &&
                  alignof(XMLNamespaceDeclaration) <= alignof(XMLNode),
              "a node's namespace declarations follow its attributes in the same block");
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
    // The node, then its attributes and its namespace declarations
    // (XMLNode::attributesBegin and declarationsBegin find them there).
    std::size_t const attributesAt = sizeof(XMLNode);
    std::size_t const declarationsAt = attributesAt + element.attributeCount * sizeof(XMLAttribute);
    char* const memory = static_cast<char*>(
        arena.allocate(declarationsAt + element.declarationCount * sizeof(XMLNamespaceDeclaration), alignof(XMLNode)));
    XMLNode* node = new (memory) XMLNode();
    node->name = copyOf(element.name);
    node->namespaceURI = copyOf(element.namespaceURI);
    node->line = element.line;
    node->column = element.column;
    for (std::size_t i = 0; i < element.attributeCount; ++i) {
        XmlEventAttribute const& attribute = element.attributes[i];
        new (memory + attributesAt + i * sizeof(XMLAttribute))
            XMLAttribute{copyOf(attribute.name), copyOf(attribute.namespaceURI), arena.copy(attribute.value)};
    }
    node->m_attributeCount = static_cast<std::uint32_t>(element.attributeCount);
    for (std::size_t i = 0; i < element.declarationCount; ++i) {
        XmlNamespaceDeclaration const& declaration = element.declarations[i];
        new (memory + declarationsAt + i * sizeof(XMLNamespaceDeclaration))
            XMLNamespaceDeclaration{copyOf(declaration.prefix), copyOf(declaration.uri)};
    }
    node->m_declarationCount = static_cast<std::uint32_t>(element.declarationCount);
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

namespace {

template <class Input>
XmlDocument read(Input& input, XmlReadLimits const& limits) {
    XmlTreeBuilder builder;
    XmlReader(limits).read(input, builder);
    return builder.finish();
}

}  // namespace

XmlDocument XmlDocument::parse(std::string_view xml, XmlReadLimits const& limits) { return read(xml, limits); }

XmlDocument XmlDocument::parse(std::istream& in, XmlReadLimits const& limits) { return read(in, limits); }

XmlDocument::XmlDocument(std::unique_ptr<Storage> storage, XMLNode const* root) noexcept
    : m_storage(std::move(storage)), m_root(root) {}

XmlDocument::XmlDocument(XmlDocument&& other) noexcept : m_storage(std::move(other.m_storage)), m_root(other.m_root) {
    other.m_root = nullptr;
}

XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept {
    if (this != &other) {
        m_storage = std::move(other.m_storage);
        m_root = other.m_root;
        other.m_root = nullptr;
    }
    return *this;
}

XmlDocument::~XmlDocument() = default;

std::string_view XMLNode::getAttr(std::string_view localName) const noexcept {
    XMLAttribute const* attribute = findAttr(localName);
    return attribute != nullptr ? attribute->value : std::string_view();
}

XMLAttribute const* XMLNode::findAttr(std::string_view localName) const noexcept {
    for (XMLAttribute const* attribute = attributesBegin(); attribute != attributesEnd(); ++attribute) {
        if (attribute->name == localName) return attribute;
    }
    return nullptr;
}

}  // namespace Kestrune::Soa::Common::Xml
