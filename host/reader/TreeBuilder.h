#pragma once

// Builds a document's tree from the parser's events: nodes, names and text
// in the document's arena.

#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "host/reader/Arena.h"
#include "host/XmlEvents.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

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

}  // namespace Kestrune::Soa::Common::Xml
