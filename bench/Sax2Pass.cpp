#include "Sax2Pass.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kxsoa_bench {

namespace {

Sax2Result& result(void* context) { return *static_cast<Sax2Result*>(context); }

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

// The text in pieces of 4 MB: libxml2 2.9's memory parser first copies the
// whole text into a buffer that grows as it fills, which for tens of
// megabytes costs more than the parse. Fed in pieces, the push parser holds
// only what it has not consumed yet: the cheaper pass over text in memory.
void feed(xmlParserCtxtPtr context, std::string_view xml) {
    constexpr std::size_t kPiece = std::size_t{4} * 1024 * 1024;
    for (std::size_t at = 0; at < xml.size(); at += kPiece)
        xmlParseChunk(context, xml.data() + at, static_cast<int>(std::min(kPiece, xml.size() - at)), 0);
    xmlParseChunk(context, nullptr, 0, 1);
}

}  // namespace

Sax2Result sax2Pass(std::string_view xml) {
    Sax2Result r;
    xmlSAXHandler pass = handler();
    xmlParserCtxtPtr const context = xmlCreatePushParserCtxt(&pass, &r, nullptr, 0, nullptr);
    if (context == nullptr) throw std::bad_alloc();
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_HUGE);
    feed(context, xml);
    r.wellFormed = context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    return r;
}

Sax2Reused::Sax2Reused() {
    xmlSAXHandler pass = handler();
    xmlParserCtxtPtr const context = xmlCreatePushParserCtxt(&pass, &m_result, nullptr, 0, nullptr);
    if (context == nullptr) throw std::bad_alloc();
    m_context = context;
}

Sax2Reused::~Sax2Reused() { xmlFreeParserCtxt(static_cast<xmlParserCtxtPtr>(m_context)); }

Sax2Result Sax2Reused::pass(std::string_view xml) {
    xmlParserCtxtPtr const context = static_cast<xmlParserCtxtPtr>(m_context);
    m_result = Sax2Result();
    xmlCtxtResetPush(context, nullptr, 0, nullptr, nullptr);
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_HUGE);
    feed(context, xml);
    m_result.wellFormed = context->wellFormed != 0;
    return m_result;
}

}  // namespace kxsoa_bench
