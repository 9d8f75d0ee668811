#include "host/XmlEvents.h"

#include "host/XMLNode.h"

#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

// One element's start, with its attributes as a reader reports them.
class StartOf {
public:
    XmlElementStart const& operator()(XMLNode const& node) {
        m_attributes.clear();
        for (XMLAttribute const* a = node.attributesBegin(); a != node.attributesEnd(); ++a)
            m_attributes.push_back(XmlEventAttribute{{a->name}, {a->namespaceURI}, a->value});
        m_declarations.clear();
        for (XMLNamespaceDeclaration const* d = node.declarationsBegin(); d != node.declarationsEnd(); ++d)
            m_declarations.push_back(XmlNamespaceDeclaration{{d->prefix}, {d->uri}});
        m_start = XmlElementStart();
        m_start.name = {node.name};
        m_start.namespaceURI = {node.namespaceURI};
        m_start.attributes = m_attributes.data();
        m_start.attributeCount = m_attributes.size();
        m_start.declarations = m_declarations.data();
        m_start.declarationCount = m_declarations.size();
        m_start.line = node.line;
        m_start.column = node.column;
        m_start.root = node.parent == nullptr;
        m_start.node = &node;
        return m_start;
    }

private:
    std::vector<XmlEventAttribute> m_attributes;
    std::vector<XmlNamespaceDeclaration> m_declarations;
    XmlElementStart m_start;
};

void open(XMLNode const& node, XmlEventHandler& handler, StartOf& startOf) {
    handler.startElement(startOf(node));
    if (!node.text.empty()) handler.characters(node.text);
}

}  // namespace

void walk(XMLNode const& top, XmlEventHandler& handler) {
    StartOf startOf;
    open(top, handler, startOf);
    XMLNode const* node = &top;
    for (;;) {
        if (!node->children.empty()) {
            node = &*node->children.begin();
            open(*node, handler, startOf);
            continue;
        }
        // Close the elements that have no next sibling, then go on with the next.
        for (;;) {
            handler.endElement();
            if (node == &top) return;
            XMLNodeList::const_iterator next(node);
            if (++next != XMLNodeList::const_iterator()) {
                node = &*next;
                open(*node, handler, startOf);
                break;
            }
            node = node->parent;
        }
    }
}

}  // namespace Kestrune::Soa::Common::Xml
