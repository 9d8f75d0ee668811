#pragma once

// The library's reader beside libxml2, its judge: a text read by each to
// the same events (names, namespace URIs, attributes in order with their
// values, the text of each element merged across its pieces), or refused.
// libxml2 reads with namespaces and without a DTD: a document type
// declaration is a refusal on both sides, as are its errors (not its
// warnings). Used by the differential fuzz target, the replay of its corpus
// and the conformance comparison. Header-only; link libxml2.

#include "host/DomException.h"
#include "host/XmlReader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <istream>
#include <limits>
#include <streambuf>
#include <string>
#include <string_view>

namespace kxsoa_test {

struct Reading {
    bool refused = false;
    std::string events;   // when read
    std::string refusal;  // the library's message, when refused
};

// Events as lines: "<{uri}local" then " {uri}local=value" per attribute,
// "'text" for an element's text before a child starts or it ends, ">" at
// its end. The library's reader hands them over as a handler; libxml2's
// callbacks call start(), attribute(), characters() and endElement().
class EventLines final : public Kestrune::Soa::Common::Xml::XmlEventHandler {
public:
    void startElement(Kestrune::Soa::Common::Xml::XmlElementStart const& e) override {
        start(e.namespaceURI.text, e.name.text);
        for (std::size_t i = 0; i < e.attributeCount; ++i)
            attribute(e.attributes[i].namespaceURI.text, e.attributes[i].name.text, e.attributes[i].value);
    }
    void start(std::string_view uri, std::string_view local) {
        flush();
        m_lines.append("<{").append(uri).append("}").append(local);
        ++m_depth;
    }
    void attribute(std::string_view uri, std::string_view local, std::string_view value) {
        m_lines.append(" {").append(uri).append("}").append(local).append("=").append(value);
    }
    void characters(std::string_view piece) override {
        if (m_depth > 0) m_text.append(piece);
    }
    void endElement() override {
        flush();
        m_lines.append(">");
        --m_depth;
    }
    std::string const& lines() {
        flush();
        return m_lines;
    }

private:
    void flush() {
        if (!m_text.empty()) m_lines.append("\n'").append(m_text);
        m_text.clear();
        m_lines.append("\n");
    }
    std::string m_lines;
    std::string m_text;
    int m_depth = 0;
};

// The limits that libxml2 keeps without XML_PARSE_HUGE, and none other.
inline Kestrune::Soa::Common::Xml::XmlReadLimits judgedLimits() {
    Kestrune::Soa::Common::Xml::XmlReadLimits limits;
    std::size_t const none = std::numeric_limits<std::size_t>::max();
    limits.maxAttributes = limits.maxNames = limits.maxTreeBytesPerByte = none;
    limits.maxDepth = 256;
    limits.maxNameBytes = 50000;
    return limits;
}

// A stream that gives its text `piece` bytes at a time.
class InPieces : public std::streambuf {
public:
    InPieces(std::string_view text, std::size_t piece) : m_text(text), m_piece(piece) {}

private:
    int_type underflow() override {
        if (m_at >= m_text.size()) return traits_type::eof();
        std::size_t const n = std::min(m_piece, m_text.size() - m_at);
        setg(&m_text[m_at], &m_text[m_at], &m_text[m_at] + n);
        m_at += n;
        return traits_type::to_int_type(m_text[m_at - n]);
    }
    std::string m_text;
    std::size_t m_piece;
    std::size_t m_at = 0;
};

// The library's reading of `text`, from memory, or from a stream in pieces
// of `piece` bytes when that is not 0.
inline Reading readWithLibrary(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string_view text,
                               std::size_t piece = 0) {
    Reading reading;
    EventLines events;
    try {
        if (piece == 0) {
            reader.read(text, events);
        } else {
            InPieces pieces(text, piece);
            std::istream in(&pieces);
            reader.read(in, events);
        }
        reading.events = events.lines();
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        reading.refused = true;
        reading.refusal = e.getMessage();
    }
    return reading;
}

namespace detail {

struct Libxml2Events {
    EventLines lines;
    bool refused = false;
};

inline Libxml2Events& of(void* context) {
    return *static_cast<Libxml2Events*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

inline void onStart(void* context, xmlChar const* local, xmlChar const*, xmlChar const* uri, int, xmlChar const**,
                    int attributeCount, int, xmlChar const** attributes) {
    auto const text = [](xmlChar const* s) {
        return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<char const*>(s));
    };
    EventLines& lines = of(context).lines;
    lines.start(text(uri), text(local));
    for (int i = 0; i < attributeCount; ++i, attributes += 5) {
        lines.attribute(text(attributes[2]), text(attributes[0]),
                        std::string_view(reinterpret_cast<char const*>(attributes[3]),
                                         static_cast<std::size_t>(attributes[4] - attributes[3])));
    }
}

inline void onEnd(void* context, xmlChar const*, xmlChar const*, xmlChar const*) { of(context).lines.endElement(); }

inline void onCharacters(void* context, xmlChar const* text, int length) {
    of(context).lines.characters(
        std::string_view(reinterpret_cast<char const*>(text), static_cast<std::size_t>(length)));
}

inline void onDoctype(void* context, xmlChar const*, xmlChar const*, xmlChar const*) {
    of(context).refused = true;
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
}

inline void onError(void* context, xmlErrorPtr error) {
    // A namespace name that is not a URI is reported at error level under a
    // warning's code; namespace names are compared as strings only.
    if (error->level >= XML_ERR_ERROR && error->code != XML_WAR_NS_URI && error->code != XML_WAR_NS_URI_RELATIVE)
        of(context).refused = true;
}

}  // namespace detail

// libxml2's reading of `text`: as UTF-8 whatever its declaration says, or
// in the encoding it tells itself.
inline Reading readWithLibxml2(std::string_view text, bool asUtf8 = true) {
    Reading reading;
    detail::Libxml2Events events;
    xmlParserCtxtPtr const context = xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
    if (context == nullptr) {
        reading.refused = true;
        return reading;
    }
    xmlSAXHandler& sax = *context->sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = &detail::onStart;
    sax.endElementNs = &detail::onEnd;
    sax.characters = &detail::onCharacters;
    sax.ignorableWhitespace = &detail::onCharacters;
    sax.cdataBlock = &detail::onCharacters;
    sax.internalSubset = &detail::onDoctype;
    sax.serror = &detail::onError;
    context->_private = &events;
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOENT | (asUtf8 ? XML_PARSE_IGNORE_ENC : 0));
    xmlParseDocument(context);
    // libxml2 takes a NUL byte for the end of the text and stops there
    // without a word; the library read with it refused what was left.
    xmlParserInputPtr const input = context->input;
    bool const stoppedShort = input != nullptr && input->cur != nullptr && input->cur < input->end;
    reading.refused = events.refused || !context->wellFormed || stoppedShort;
    if (!reading.refused) reading.events = events.lines.lines();
    xmlFreeParserCtxt(context);
    return reading;
}

// Whether the library reads `text` as UTF-16 (or refuses it as UCS-4 or EBCDIC).
inline bool notUtf8(std::string_view text) {
    auto const starts = [&](char const* bytes, std::size_t size) {
        return text.size() >= size && std::memcmp(text.data(), bytes, size) == 0;
    };
    return starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2) || starts("<\0?\0", 4) || starts("\0<\0?", 4) ||
           starts("\0\0", 2) || starts("<\0\0", 3) || starts("\x4C\x6F\xA7\x94", 4);
}

// Texts the two are not compared on: in an encoding that the library
// reads as UTF-16 or refuses by name, where libxml2 (told to read UTF-8)
// reads other characters.
inline bool outsideTheComparison(std::string_view text, Reading const& library) {
    if (notUtf8(text)) return true;
    for (char const* byDesign : {"is not accepted: send UTF-8 or UTF-16", "the byte order mark says",
                                 "(as its first bytes show)", "the text after the UTF-8 byte order mark"})
        if (library.refusal.find(byDesign) != std::string::npos) return true;
    return false;
}

// Whether a refusal may be the decoder's: an encoding refused or
// contradicted, UTF-16 that cannot be decoded. The decoder finds those as it
// decodes, so that of two faults in a text, which is found first depends on
// the pieces a stream hands the text over in.
inline bool decoderRefusal(std::string const& refusal) {
    for (char const* mark :
         {"UTF-16 ", "UTF-16LE", "UTF-16BE", "is not accepted", "byte order mark", "first bytes show"})
        if (refusal.find(mark) != std::string::npos) return true;
    return false;
}

// Where the library and libxml2 part on `text`: empty when they agree (or
// the text is outside the comparison), else what each did. The library
// reads from memory, then from a stream in pieces of each size in
// `pieces`, and must read the same each time, to the refusal's message
// (but for the decoder's: see decoderRefusal).
template <class Pieces>
std::string disagreement(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string_view text, Pieces const& pieces) {
    Reading const library = readWithLibrary(reader, text);
    for (std::size_t piece : pieces) {
        Reading const streamed = readWithLibrary(reader, text, piece);
        bool const sameRefusal = streamed.refusal == library.refusal || notUtf8(text) ||
                                 decoderRefusal(streamed.refusal) || decoderRefusal(library.refusal);
        if (streamed.refused != library.refused || streamed.events != library.events || !sameRefusal) {
            return "from memory: " + (library.refused ? library.refusal : library.events) + "\nin pieces of " +
                   std::to_string(piece) + ": " + (streamed.refused ? streamed.refusal : streamed.events);
        }
    }
    if (outsideTheComparison(text, library)) return {};
    Reading const judge = readWithLibxml2(text);
    if (library.refused == judge.refused && library.events == judge.events) return {};
    return "library: " + (library.refused ? library.refusal : library.events) +
           "\nlibxml2: " + (judge.refused ? std::string("refused") : judge.events);
}

}  // namespace kxsoa_test
