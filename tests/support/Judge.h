#pragma once

// The library's reader beside libxml2, its judge: a text read by each to
// the same events (names, namespace URIs, attributes in order with their
// values, the text of each element merged across its pieces), or refused.
// libxml2 reads with namespaces and without a DTD: a document type
// declaration is a refusal on both sides, as are its errors (not its
// warnings); where libxml2 departs from XML 1.0, the judge corrects it
// (`departures` below). Used by the differential fuzz target, the replay
// of its corpus and the conformance comparison. Header-only; link libxml2.

#include "host/DomException.h"
#include "host/XmlReader.h"
#include "support/InPieces.h"
#include "support/Refusal.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cctype>
#include <cstring>
#include <istream>
#include <iterator>
#include <limits>
#include <regex>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>

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
        reading.refusal = refusalText(e);
    }
    return reading;
}

namespace detail {

struct Libxml2Events {
    EventLines lines;
    bool refused = false;
    std::size_t badHexDigitAt = std::string_view::npos;  // where libxml2 refused a character reference's digit
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
    xmlParserInputPtr const input = static_cast<xmlParserCtxtPtr>(context)->input;
    if (error->code == XML_ERR_INVALID_HEX_CHARREF && input != nullptr)
        of(context).badHexDigitAt = input->consumed + static_cast<std::size_t>(input->cur - input->base);
}

// What a departure from XML 1.0 makes of libxml2's reading of a text: a
// refusal, or another text, the same by the rules, to read instead.
struct Correction {
    bool refuse = false;
    std::string readInstead;
};

inline Correction stoppedAtANul(xmlParserCtxtPtr context, std::string_view) {
    xmlParserInputPtr const input = context->input;
    return {input != nullptr && input->cur != nullptr && input->cur < input->end, {}};
}

inline Correction versionOutsideTheRule(xmlParserCtxtPtr context, std::string_view) {
    if (context->version == nullptr) return {};
    std::string_view const version = reinterpret_cast<char const*>(context->version);
    return {version.size() < 3 || version.compare(0, 2, "1.") != 0 ||
                version.find_first_not_of("0123456789", 2) != std::string_view::npos,
            {}};
}

// libxml2 keeps the declared encoding in the context when it is UTF-8 or
// UTF-16, and in the input when it switched to another.
inline Correction markAndDeclarationDisagree(xmlParserCtxtPtr context, std::string_view text) {
    xmlChar const* const declared = context->encoding != nullptr ? context->encoding
                                    : context->input != nullptr  ? context->input->encoding
                                                                 : nullptr;
    auto const is = [&](char const* name) {
        return xmlStrcasecmp(declared, reinterpret_cast<xmlChar const*>(name)) == 0;
    };
    if (declared == nullptr) return {};
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) return {!is("UTF-8"), {}};
    if (text.compare(0, 2, "\xFF\xFE") == 0) return {!is("UTF-16") && !is("UTF-16LE"), {}};
    if (text.compare(0, 2, "\xFE\xFF") == 0) return {!is("UTF-16") && !is("UTF-16BE"), {}};
    return {};
}

// The text again, the leading zeros of the hexadecimal reference whose
// letter libxml2 refused dropped, when it has any.
inline Correction hexLetterRefused(xmlParserCtxtPtr context, std::string_view text) {
    std::size_t const at = of(context).badHexDigitAt;
    if (at >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at]))) return {};
    std::size_t const digits = text.rfind("&#x", at) + 3;
    if (digits == 2 || text.find_first_not_of("0123456789abcdefABCDEF", digits) < at) return {};
    std::size_t const zeros = text.find_first_not_of('0', digits) - digits;
    if (zeros == 0) return {};
    return {false, std::string(text.substr(0, digits)).append(text.substr(digits + zeros))};
}

}  // namespace detail

// Where libxml2 2.9.14 departs from XML 1.0: the judge corrects it, for
// each departure the rule libxml2 does not keep, and a seed of the
// differential corpus that shows it (the judge and libxml2 part on it, the
// judge and the library agree).
struct Departure {
    char const* what;
    char const* rule;
    char const* seed;
    detail::Correction (*correct)(xmlParserCtxtPtr context, std::string_view text);  // after the parse
};
inline Departure const departures[] = {
    {"libxml2's memory parser takes a NUL byte for the end of the text and stops there without a word; the "
     "library refuses what is left unread",
     "Char ::= #x9 | #xA | #xD | [#x20-#xD7FF] | [#xE000-#xFFFD] | [#x10000-#x10FFFF] (2.2 [2])", "departure-nul.xml",
     &detail::stoppedAtANul},
    {"libxml2 reads the version \"1.\", with no digit after the point, with only a warning",
     "VersionNum ::= '1.' [0-9]+ (2.8 [26])", "departure-version.xml", &detail::versionOutsideTheRule},
    {"libxml2 reads a text whose byte order mark and encoding declaration name different encodings, in the "
     "declared one (the conformance suite's hst-lhs-007 and hst-lhs-008)",
     "it is a fatal error for an entity including an encoding declaration to be presented to the XML processor in "
     "an encoding other than that named in the declaration (4.3.3); a byte order mark tells the one presented",
     "departure-mark-and-declaration.xml", &detail::markAndDeclarationDisagree},
    {"libxml2 refuses a hexadecimal character reference whose 11th, 22nd, 33rd... digit, leading zeros counted, "
     "is a letter: the judge reads the text with the reference's leading zeros dropped instead",
     "CharRef ::= '&#' [0-9]+ ';' | '&#x' [0-9a-fA-F]+ ';' (4.1 [66])", "departure-hex-reference.xml",
     &detail::hexLetterRefused},
};

// libxml2's reading of `text`: as UTF-8 whatever its declaration says, or
// in the encoding it tells itself. `judged`: corrected where it departs
// from XML 1.0 (`departures`).
inline Reading readWithLibxml2(std::string_view text, bool asUtf8 = true, bool judged = true) {
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
    reading.refused = events.refused || !context->wellFormed;
    std::string instead;
    for (Departure const& departure : departures) {
        detail::Correction const correction = judged ? departure.correct(context, text) : detail::Correction{};
        reading.refused = reading.refused || correction.refuse;
        if (instead.empty()) instead = correction.readInstead;
    }
    if (!reading.refused) reading.events = events.lines.lines();
    xmlFreeParserCtxt(context);
    return instead.empty() ? reading : readWithLibxml2(instead, asUtf8, judged);
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
    for (char const* byDesign : {"is not accepted: send UTF-8", "the byte order mark says", "(as its first bytes show)",
                                 "the text after the UTF-8 byte order mark"})
        if (library.refusal.find(byDesign) != std::string::npos) return true;
    return false;
}

// Whether a refusal may be found ahead of the tokenizer: the decoder's (an
// encoding refused or contradicted, UTF-16 that cannot be decoded), or the
// text passing maxBytes. The input finds those as it reads ahead, at once
// for a text in memory and as far as it has read for a stream, so that of
// two faults in a text, which is found first depends on the pieces a
// stream hands the text over in.
inline bool foundAhead(std::string const& refusal) {
    for (char const* mark : {"UTF-16 ", "UTF-16LE", "UTF-16BE", "is not accepted", "byte order mark",
                             "first bytes show", "XmlReadLimits::maxBytes "})
        if (refusal.find(mark) != std::string::npos) return true;
    return false;
}

inline std::string shown(Reading const& reading) { return reading.refused ? reading.refusal : reading.events; }

// The field of XmlReadLimits that `reading` was refused for passing, or an
// empty string. Read from the refusal's own words, not from the text it
// quotes (an encoding's name, say, that holds "XmlReadLimits::").
inline std::string passedLimit(Reading const& reading) {
    static std::regex const limit(R"(^limit at line \d+, column \d+: [A-Za-z ()',]* than XmlReadLimits::(\w+) )");
    std::smatch match;
    return reading.refused && std::regex_search(reading.refusal, match, limit) ? match[1].str() : std::string();
}

// The library's readings of `text`, from memory and from a stream in pieces
// of each size in `pieces`, which must be alike, to the refusal's message
// (but for those found ahead: see foundAhead). Returns the one from memory;
// where another differs, says how in `difference`.
template <class Pieces>
Reading readEveryWay(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string_view text, Pieces const& pieces,
                     std::string& difference) {
    Reading const library = readWithLibrary(reader, text);
    for (std::size_t piece : pieces) {
        Reading const streamed = readWithLibrary(reader, text, piece);
        bool const sameRefusal = streamed.refusal == library.refusal || notUtf8(text) || foundAhead(streamed.refusal) ||
                                 foundAhead(library.refusal);
        if (streamed.refused != library.refused || streamed.events != library.events || !sameRefusal) {
            difference =
                "from memory: " + shown(library) + "\nin pieces of " + std::to_string(piece) + ": " + shown(streamed);
            break;
        }
    }
    return library;
}

// The fields of XmlReadLimits, in the order they are declared.
using Limits = Kestrune::Soa::Common::Xml::XmlReadLimits;
inline std::pair<char const*, std::size_t Limits::*> const limitFields[] = {
    {"maxBytes", &Limits::maxBytes},
    {"maxDepth", &Limits::maxDepth},
    {"maxAttributes", &Limits::maxAttributes},
    {"maxNames", &Limits::maxNames},
    {"maxTokenBytes", &Limits::maxTokenBytes},
    {"maxNameBytes", &Limits::maxNameBytes},
    {"maxTreeBytesPerByte", &Limits::maxTreeBytesPerByte}};
static_assert(sizeof(Limits) == std::size(limitFields) * sizeof(std::size_t), "a field of XmlReadLimits is not listed");

// A fuzz input: the text, and the limits to read it with. An input whose
// eighth byte from the end is NUL ends with its limits: its last seven
// bytes pick one value each for the fields of XmlReadLimits, in the order
// they are declared. By its low three bits, a byte b picks b >> 3 (0 to 31:
// 0, 1 and small numbers), 64 << (b >> 3) % 16 (64 to 2 Mi), the judged
// limit, SIZE_MAX - (b >> 3), or (for four values of eight) SIZE_MAX, no
// limit. Any other input is all text, read with judgedLimits().
struct FuzzInput {
    std::string_view text;
    Limits limits = judgedLimits();
    bool drawn = false;
};

inline FuzzInput fuzzInput(std::string_view data) {
    FuzzInput input{data};
    std::size_t const count = std::size(limitFields);
    if (data.size() <= count || data[data.size() - count - 1] != '\0') return input;
    input.text = data.substr(0, data.size() - count - 1);
    input.drawn = true;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t& field = input.limits.*limitFields[i].second;
        unsigned const b = static_cast<unsigned char>(data[input.text.size() + 1 + i]);
        std::size_t const none = std::numeric_limits<std::size_t>::max(), n = b >> 3;
        std::size_t const picked[] = {n, std::size_t{64} << n % 16, field, none - n};
        field = (b & 7) < 4 ? picked[b & 7] : none;
    }
    return input;
}

// Whether `reading` is a refusal for passing a limit that no text of
// `size` bytes reaches: no name, token, count, or tree bytes per byte of
// text, passes twice its size (in UTF-8, from UTF-16) and 256.
inline bool unreachableLimit(Reading const& reading, Limits const& limits, std::size_t size) {
    std::string const passed = passedLimit(reading);
    for (auto const& [name, field] : limitFields)
        if (passed == name) return limits.*field / 2 > size + 128;
    return false;
}

// Where the library and libxml2 part on `text`: empty when they agree (or
// the text is outside the comparison), else what each did. The library
// reads it every way (readEveryWay) with `reader`, whose limits are
// judgedLimits().
template <class Pieces>
std::string disagreement(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string_view text, Pieces const& pieces) {
    std::string difference;
    Reading const library = readEveryWay(reader, text, pieces, difference);
    if (!difference.empty() || outsideTheComparison(text, library)) return difference;
    Reading const judge = readWithLibxml2(text);
    if (library.refused == judge.refused && library.events == judge.events) return {};
    return "library: " + shown(library) + "\nlibxml2: " + (judge.refused ? std::string("refused") : judge.events);
}

// The same for a fuzz input (FuzzInput). With limits drawn, a reader of
// those reads the text every way again, and must read it as with the
// judged limits unless either reading passed a limit (a limit adds a
// refusal and changes nothing else), and refuse for no limit the text
// cannot reach.
template <class Pieces>
std::string fuzzDisagreement(Kestrune::Soa::Common::Xml::XmlReader& reader, std::string_view data,
                             Pieces const& pieces) {
    FuzzInput const input = fuzzInput(data);
    std::string difference = disagreement(reader, input.text, pieces);
    if (!difference.empty() || !input.drawn) return difference;
    Reading const judged = readWithLibrary(reader, input.text);
    Kestrune::Soa::Common::Xml::XmlReader limited(input.limits);
    Reading const drawn = readEveryWay(limited, input.text, pieces, difference);
    if (!difference.empty()) return "with the limits drawn, " + difference;
    bool const alike =
        drawn.refused == judged.refused && drawn.events == judged.events && drawn.refusal == judged.refusal;
    if ((alike || !passedLimit(drawn).empty() || !passedLimit(judged).empty()) &&
        !unreachableLimit(drawn, input.limits, input.text.size()))
        return {};
    return "with the limits drawn: " + shown(drawn) + "\nwith the judged limits: " + shown(judged);
}

}  // namespace kxsoa_test
