#pragma once

#include "host/Export.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

class XMLNode;
class XmlTreeBuilder;

/// One attribute of a parsed element. The views point into the document that
/// holds the element and live as long as it.
struct XMLAttribute {
    std::string_view name;          ///< local name, without prefix
    std::string_view namespaceURI;  ///< empty for an unprefixed attribute
    std::string_view value;         ///< entities and character references decoded
};

/// A namespace declaration of a parsed element's start tag: the prefix it
/// binds (empty for the default namespace) and the namespace name (empty:
/// no default namespace). The views live as long as the document.
struct XMLNamespaceDeclaration {
    std::string_view prefix;
    std::string_view uri;
};

/// The child elements of one element, in document order. A light view: it
/// iterates the siblings' links and knows their count without counting.
class XMLNodeList {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = XMLNode;
        using difference_type = std::ptrdiff_t;
        using pointer = XMLNode const*;
        using reference = XMLNode const&;

        const_iterator() = default;
        explicit const_iterator(XMLNode const* node) : m_node(node) {}
        reference operator*() const { return *m_node; }
        pointer operator->() const { return m_node; }
        inline const_iterator& operator++();
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.m_node == b.m_node; }
        friend bool operator!=(const_iterator a, const_iterator b) { return a.m_node != b.m_node; }

    private:
        XMLNode const* m_node = nullptr;
    };

    const_iterator begin() const { return const_iterator(m_first); }
    const_iterator end() const { return const_iterator(); }
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }

private:
    friend class XmlTreeBuilder;
    XMLNode const* m_first = nullptr;
    std::uint32_t m_size = 0;
};

/// One element of a parsed document (see XmlDocument, which owns it). Every
/// view points into the document and is valid as long as the document lives.
class KXSOACOMMON_EXPORT XMLNode {
public:
    XMLNode() = default;
    /// A node lives in its document, its attributes beside it: it is not copied.
    XMLNode(XMLNode const&) = delete;
    XMLNode& operator=(XMLNode const&) = delete;

    std::string_view name;            ///< local name, without namespace prefix
    std::string_view namespaceURI;    ///< the element's namespace; empty when it has none
    std::string_view text;            ///< the element's own character data, CDATA included,
                                      ///< entities decoded; text of children not included
    XMLNode const* parent = nullptr;  ///< null only at the document's root element
    XMLNodeList children;             ///< child elements in document order
    std::uint32_t line = 0;           ///< line of the end of the element's start tag (1-based)
    std::uint32_t column = 0;         ///< column of that place, in characters from 1; 0 when not known

    /// The value of the attribute with this local name, whatever its namespace;
    /// an empty view when the element has no such attribute.
    std::string_view getAttr(std::string_view localName) const noexcept;

    /// The attribute with this local name, or null when there is none.
    XMLAttribute const* findAttr(std::string_view localName) const noexcept;

    XMLAttribute const* attributesBegin() const noexcept {
        // The attributes follow their node in the document's memory, so that
        // the node needs no pointer to them.
        XMLAttribute const* const first =
            reinterpret_cast<XMLAttribute const*>(reinterpret_cast<char const*>(this) + sizeof(XMLNode));
        return m_attributeCount == 0 ? first : std::launder(first);
    }
    XMLAttribute const* attributesEnd() const noexcept { return attributesBegin() + m_attributeCount; }

    /// The namespace declarations of the element's start tag, in the order
    /// written (they are not among its attributes).
    XMLNamespaceDeclaration const* declarationsBegin() const noexcept {
        // They follow the attributes in the same block.
        XMLNamespaceDeclaration const* const first = reinterpret_cast<XMLNamespaceDeclaration const*>(attributesEnd());
        return m_declarationCount == 0 ? first : std::launder(first);
    }
    XMLNamespaceDeclaration const* declarationsEnd() const noexcept { return declarationsBegin() + m_declarationCount; }

private:
    friend class XMLNodeList::const_iterator;
    friend class XmlTreeBuilder;
    std::uint32_t m_attributeCount = 0;
    std::uint32_t m_declarationCount = 0;
    XMLNode const* m_nextSibling = nullptr;
};

inline XMLNodeList::const_iterator& XMLNodeList::const_iterator::operator++() {
    m_node = m_node->m_nextSibling;
    return *this;
}

}  // namespace Kestrune::Soa::Common::Xml
