#include "Sax2Pass.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <new>
#include <stdexcept>

namespace kxsoa_bench {

namespace {

Sax2Result& result(void* context) {
    return *static_cast<Sax2Result*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

void onStart(void* context, xmlChar const*, xmlChar const*, xmlChar const*, int, xmlChar const**, int attributes, int,
             xmlChar const**) {
    Sax2Result& r = result(context);
    ++r.elements;
    r.attributes += static_cast<std::size_t>(attributes);
}

void onEnd(void*, xmlChar const*, xmlChar const*, xmlChar const*) {}

void onCharacters(void* context, xmlChar const*, int length) {
    result(context).characters += static_cast<std::size_t>(length);
}

// libxml2's SAX2 defaults with the element and character handlers
// replaced, and those that would build libxml2's own document (the
// document node, comments, processing instructions) removed: the
// library's reader builds no libxml2 document either.
xmlSAXHandler const& handler() {
    static xmlSAXHandler const built = [] {
        xmlSAXHandler h;
        xmlSAXVersion(&h, 2);
        h.startElementNs = onStart;
        h.endElementNs = onEnd;
        h.characters = onCharacters;
        h.ignorableWhitespace = onCharacters;
        h.cdataBlock = onCharacters;
        h.startDocument = nullptr;
        h.endDocument = nullptr;
        h.comment = nullptr;
        h.processingInstruction = nullptr;
        h.reference = nullptr;
        h.setDocumentLocator = nullptr;
        return h;
    }();
    return built;
}

}  // namespace

Sax2Result sax2Pass(std::string_view xml) {
    if (xml.size() > INT_MAX) throw std::length_error("the SAX2 pass reads at most INT_MAX bytes");
    Sax2Result r;
    // libxml2's memory parser (which, in libxml2 2.9, takes a copy of the text).
    xmlParserCtxtPtr const context = xmlCreateMemoryParserCtxt(xml.data(), static_cast<int>(xml.size()));
    if (context == nullptr) throw std::bad_alloc();
    *context->sax = handler();
    context->_private = &r;  // the handlers get the context (userData) and reach the result through it
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_HUGE);
    xmlParseDocument(context);
    r.wellFormed = context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    return r;
}

}  // namespace kxsoa_bench
