#include "host/XmlDocument.h"

#include "host/XmlReader.h"
#include "host/reader/TreeBuilder.h"

#include <utility>

// The path of the text on its way to a tree, one part per file in
// host/reader/: TextSource (where the bytes come from), TextDecoder (which
// characters they are, as UTF-8), TextInput and TextPosition (the text at
// hand, and where a place in it is), ByteClasses and Tokenizer (which token
// a byte belongs to), NameTable (which name), Namespaces (which namespace),
// EventReader (the events and the limits on them; XmlReader is its public
// face), TreeBuilder and Arena (the nodes).

namespace Kestrune::Soa::Common::Xml {

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
