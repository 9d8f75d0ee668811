// What a validating read (ReadPolicy::Validate) checks of each element, by
// the rules of its type (XmlRules.h), as XML Schema 1.0 assesses it: its
// attributes (cvc-complex-type 3 and 4, cvc-attribute, cvc-type 3.1.1 for
// a text element), the xsi: attributes (cvc-elt 3.1 and 4), its children in
// the order and number its rules give (cvc-complex-type 2.4), in its
// type's namespace, and its characters (cvc-complex-type 2.1 and 2.3,
// cvc-type 3.1.2); and the value of a text element whose xsi:type gives it
// a type derived from xs:string (cvc-id for xs:ID and xs:IDREF).

#include "host/XmlBinder.h"

#include "host/SchemaNames.h"
#include "host/XmlCharacters.h"

#include <algorithm>
#include <string>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

namespace {

using Exceptions::ErrorKind;

constexpr std::string_view kInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kSchemaNamespace = "http://www.w3.org/2001/XMLSchema";
constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool isWhiteSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// `text` with its white space collapsed, as XML Schema does for every type
// but xs:string and xs:normalizedString: runs of it made one space, none
// left at either end.
std::string collapsed(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!isWhiteSpace(c)) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// `text` quoted for a message as the reader quotes input (every byte
// visible), no more than its first 40 characters.
std::string shown(std::string_view text) {
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < 40; ++characters) {
        std::size_t const length = detail::decodeUtf8(text, at).length;
        at += length == 0 ? 1 : length;
    }
    return detail::quotedInput(text.substr(0, at)) + (at < text.size() ? "..." : "");
}

std::string quoted(std::string_view name) { return '"' + std::string(name) + '"'; }

// [a-zA-Z]{1,8}(-[a-zA-Z0-9]{1,8})*
bool isLanguage(std::string_view text) {
    std::size_t part = 0, length = 0;
    for (char c : text) {
        bool const letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c == '-') {
            if (length == 0) return false;
            ++part;
            length = 0;
        } else if ((letter || (part > 0 && c >= '0' && c <= '9')) && length < 8) {
            ++length;
        } else {
            return false;
        }
    }
    return length > 0;
}

// The types derived from xs:string that xsi:type may give a text element
// (Frame::textType: 0 for its own, else the place in kDerivedFromString
// from 1), each with what its value must be after its white space is
// collapsed (xs:normalizedString and xs:token take any text); names and
// name tokens of XML Schema's own name characters (SchemaNames.h).
enum class Lexical : unsigned char { AnyText, Language, Nmtoken, Name, NCName };
enum class Identity : unsigned char { None, Id, IdRef, Entity };

struct DerivedType {
    std::string_view name;
    Lexical lexical;
    Identity identity;
};
constexpr DerivedType kDerivedFromString[] = {
    {"normalizedString", Lexical::AnyText, Identity::None},
    {"token", Lexical::AnyText, Identity::None},
    {"language", Lexical::Language, Identity::None},
    {"NMTOKEN", Lexical::Nmtoken, Identity::None},
    {"Name", Lexical::Name, Identity::None},
    {"NCName", Lexical::NCName, Identity::None},
    {"ID", Lexical::NCName, Identity::Id},
    {"IDREF", Lexical::NCName, Identity::IdRef},
    {"ENTITY", Lexical::NCName, Identity::Entity},
};

bool isOf(Lexical lexical, std::string const& value) {
    switch (lexical) {
        case Lexical::AnyText:
            return true;
        case Lexical::Language:
            return isLanguage(value);
        case Lexical::Nmtoken:
            return detail::isSchemaNmtoken(value);
        case Lexical::Name:
            return detail::isSchemaName(value);
        case Lexical::NCName:
            break;
    }
    return detail::isSchemaNCName(value);
}

}  // namespace

XmlElementRules const& textElementRules() noexcept {
    static XmlElementRules const rules{kSchemaNamespace, "string", XmlContent::Text, nullptr, 0, nullptr, 0};
    return rules;
}

void XmlBinder::addError(ErrorKind kind, std::string message, std::uint32_t line, std::uint32_t column,
                         std::string path) {
    m_errors.push_back(Exceptions::XmlError{kind, std::move(message), line, column, std::move(path)});
}

// The errors in the order of their places in the text (an element's own
// errors found at its end, at its start tag), the note that the read looked
// no further last.
std::vector<Exceptions::XmlError> XmlBinder::sortedErrors() {
    auto const end =
        !m_errors.empty() && m_errors.back().kind == ErrorKind::Limit ? m_errors.end() - 1 : m_errors.end();
    std::stable_sort(m_errors.begin(), end, [](Exceptions::XmlError const& a, Exceptions::XmlError const& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return std::exchange(m_errors, {});
}

void XmlBinder::invalid(std::string message, std::uint32_t line, std::uint32_t column, std::string_view step) {
    if (m_failure) return;
    std::string path = validationPath();
    if (!step.empty()) path.append(1, '/').append(step);
    invalidAt(std::move(message), line, column, std::move(path));
}

void XmlBinder::invalidAt(std::string message, std::uint32_t line, std::uint32_t column, std::string path) {
    if (m_failure) return;
    if (m_errors.size() >= std::max<std::size_t>(m_options.maxErrors, 1)) {
        addError(ErrorKind::Limit,
                 "the read looked for no more errors after " + std::to_string(m_errors.size()) + " (maxErrors)", line,
                 column, std::move(path));
        m_failure = std::make_exception_ptr(Exceptions::DomException(sortedErrors()));
        return;
    }
    if (m_errors.empty()) takeBackOpenEntries();  // nothing more is read into the object
    addError(ErrorKind::Invalid, std::move(message), line, column, std::move(path));
}

std::string XmlBinder::validationPath() const {
    std::string path;
    for (std::size_t depth = 0; depth < m_depth; ++depth) {
        Frame const& open = m_frames[depth];
        path += '/';
        path += open.name;
        if (open.place > 0) path += '[' + std::to_string(open.place) + ']';
    }
    return path;
}

// The namespace that `prefix` stands for at the innermost open element (the
// default one for an empty prefix, empty when none); false when the prefix
// is bound to none.
bool XmlBinder::resolve(std::string_view prefix, std::string_view& uri) const noexcept {
    if (prefix == "xml") {
        uri = kXmlNamespace;
        return true;
    }
    for (auto declaration = m_scope.rbegin(); declaration != m_scope.rend(); ++declaration) {
        if (declaration->prefix.text == prefix) {
            uri = declaration->uri.text;
            return true;
        }
    }
    uri = {};
    return prefix.empty();
}

// A child of `parent` (whose rules are of element content or none), named
// as the rule of `index` (or none, at the rules' child count): the index of
// its rule, or the rules' child count when it has none that it may be read
// by.
std::size_t XmlBinder::checkChild(Frame& parent, XmlElementStart const& element, std::size_t index) {
    XmlElementRules const& rules = *parent.rules;
    std::string_view const name = element.name.text;
    std::uint32_t const line = element.line, column = element.column;
    m_place = 0;
    if (rules.content != XmlContent::Elements) {
        invalid("element " + quoted(name) + " is not allowed here: the element holds " +
                    (rules.content == XmlContent::Text ? "text only" : "attributes only"),
                line, column, name);
        return rules.childCount;
    }
    if (index == rules.childCount) {
        invalid("element " + quoted(name) + " is not allowed here", line, column, name);
        return index;
    }
    XmlName const uri = element.namespaceURI;
    if (uri.number == XmlName::kUncounted || uri.number != parent.own.namespaceNumber) {
        if (uri.text != rules.namespaceURI) {
            invalid(
                "element " + detail::inNamespace(name, uri.text) + " is not in namespace " + quoted(rules.namespaceURI),
                line, column, name);
            return rules.childCount;
        }
        parent.own.namespaceNumber = uri.number;  // the rules' own: compared by number from now on
    }
    XmlChildRule const& rule = rules.children[index];
    std::uint32_t* const counts = &m_counts[parent.countsAt];
    m_place = rule.repeated ? counts[index] + 1 : 0;
    std::uint32_t const place = m_place;
    auto const step = [name, place] {  // built for an error only
        return place > 0 ? std::string(name) + '[' + std::to_string(place) + ']' : std::string(name);
    };
    if (index < parent.next) {
        invalid("element " + quoted(name) + " is not allowed after " + quoted(rules.children[parent.next].name), line,
                column, step());
    } else {
        for (std::size_t skipped = parent.next; skipped < index; ++skipped) {
            if (rules.children[skipped].required && counts[skipped] == 0) {
                invalid(
                    "required element " + quoted(rules.children[skipped].name) + " is missing before " + quoted(name),
                    line, column, step());
            }
        }
        if (counts[index] > 0 && !rule.repeated)
            invalid("element " + quoted(name) + " may occur only once here", line, column, step());
        parent.next = static_cast<std::uint32_t>(index);
    }
    ++counts[index];
    return index;
}

// A new element's own state, and the namespaces it declares, before its
// attributes are looked at.
void XmlBinder::enter(Frame& frame, XmlElementStart const& element) {
    frame.line = element.line;
    frame.column = element.column;
    frame.place = std::exchange(m_place, 0);
    frame.next = 0;
    frame.textType = 0;
    frame.textRefused = false;
    frame.countsAt = m_counts.size();
    if (frame.rules->content == XmlContent::Elements) m_counts.resize(frame.countsAt + frame.rules->childCount, 0);
    frame.scopeAt = m_scope.size();
    if (element.declarationCount > 0)
        m_scope.insert(m_scope.end(), element.declarations, element.declarations + element.declarationCount);
}

// The attributes of the innermost open element, whose rules are `rules`:
// each of its own in no namespace, with a value of its type; the four of
// the xsi: namespace where they may be; no other.
void XmlBinder::checkAttributes(XmlElementRules const& rules, XmlElementStart const& element,
                                std::string_view* values) {
    std::uint32_t const line = element.line, column = element.column;
    unsigned seen = 0;
    for (std::size_t i = 0; i < element.attributeCount; ++i) {
        XmlEventAttribute const& attribute = element.attributes[i];
        std::string_view const name = attribute.name.text, uri = attribute.namespaceURI.text;
        auto const step = [name] { return '@' + std::string(name); };  // built for an error only
        std::size_t const index =
            uri.empty() ? attributeIndex(m_frames[m_depth - 1], attribute.name) : rules.attributeCount;
        if (index < rules.attributeCount) {
            seen |= 1U << index;
            values[index] = attribute.value;
            std::string_view const value = attribute.value;
            if (rules.attributes[index].type == XmlValueType::Boolean) {
                std::string const word = collapsed(value);
                if (word != "true" && word != "false" && word != "1" && word != "0") {
                    invalid("attribute " + quoted(name) + " is " + shown(value) +
                                ", which is not a boolean (true, false, 1 or 0)",
                            line, column, step());
                    values[index] = {};
                }
            }
        } else if (uri == kInstanceNamespace && name == "type") {
            checkXsiType(rules, element, attribute.value);
        } else if (uri == kInstanceNamespace && (name == "schemaLocation" || name == "noNamespaceSchemaLocation")) {
            // hints of where schemas are, which assessment may pass over
        } else {
            bool const nil = uri == kInstanceNamespace && name == "nil";
            invalid("attribute " + (uri.empty() ? quoted(name) : detail::inNamespace(name, uri)) +
                        " is not allowed here" + (nil ? ": the element is not nillable" : ""),
                    line, column, step());
        }
    }
    for (std::size_t i = 0; i < rules.attributeCount; ++i) {
        if ((seen & (1U << i)) == 0) {
            invalid("required attribute " + quoted(rules.attributes[i].name) + " is missing", line, column);
            values[i] = {};
        }
    }
}

// xsi:type on the innermost open element: a qualified name, resolved by
// the namespaces in scope, of the element's own type or of one derived from
// it (for a text element, a type derived from xs:string).
void XmlBinder::checkXsiType(XmlElementRules const& rules, XmlElementStart const& element, std::string_view value) {
    std::uint32_t const line = element.line, column = element.column;
    std::string const qualifiedName = collapsed(value);
    std::size_t const colon = qualifiedName.find(':');
    std::string_view const whole = qualifiedName;
    std::string_view const prefix = colon == std::string::npos ? std::string_view() : whole.substr(0, colon);
    std::string_view const local = colon == std::string::npos ? whole : whole.substr(colon + 1);
    if ((colon != std::string::npos && !detail::isSchemaNCName(prefix)) || !detail::isSchemaNCName(local)) {
        invalid("xsi:type " + shown(value) + " is not a qualified name", line, column, "@type");
        return;
    }
    std::string_view uri;
    if (!resolve(prefix, uri)) {
        invalid("xsi:type " + shown(value) + " has the prefix " + quoted(prefix) + ", which is not declared", line,
                column, "@type");
        return;
    }
    if (uri == rules.namespaceURI && local == rules.typeName && !rules.typeName.empty()) return;
    if (rules.content == XmlContent::Text && uri == kSchemaNamespace) {
        for (std::size_t i = 0; i < std::size(kDerivedFromString); ++i) {
            if (kDerivedFromString[i].name == local) {
                m_frames[m_depth - 1].textType = static_cast<unsigned char>(i + 1);
                m_text.clear();
                return;
            }
        }
    }
    invalid("xsi:type " + shown(value) + " names the type " + detail::inNamespace(local, uri) +
                (rules.typeName.empty()
                     ? ", and the element's type has no name: no type is derived from it"
                     : ", which is not the element's type " + detail::inNamespace(rules.typeName, rules.namespaceURI) +
                           " nor derived from it"),
            line, column, "@type");
}

// Character data of `frame`, the innermost open element: any text in a text
// element, white space alone between elements, nothing at all in an element
// of attributes alone.
// Text of the innermost open element. A run of text where none may be is
// gathered (from its first character that may not be there, as far as the
// error quotes it) and refused when the run ends, so that the error says
// the same however the reader cut the text into pieces.
void XmlBinder::checkText(Frame& frame, std::string_view text) {
    if (frame.rules->content == XmlContent::Text) {
        if (frame.textType != 0) m_text.append(text);
        return;
    }
    if (frame.textRefused) return;
    if (frame.rules->content == XmlContent::Elements && m_text.empty())
        text.remove_prefix(
            static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), isWhiteSpace) - text.begin()));
    // Enough bytes for the quote's characters and one more (shown marks a cut).
    constexpr std::size_t kQuotedBytes = 4 * 41;
    if (m_text.size() < kQuotedBytes) m_text.append(text.substr(0, kQuotedBytes - m_text.size()));
}

// The end of a run of text in `frame`: at a child's start or the frame's end.
void XmlBinder::endText(Frame& frame) {
    if (frame.rules->content == XmlContent::Text || m_text.empty()) return;
    invalid("text " + shown(m_text) +
                (frame.rules->content == XmlContent::Elements
                     ? std::string(" is not allowed between elements")
                     : std::string(" is not allowed here: the element holds attributes only")),
            frame.line, frame.column);
    frame.textRefused = true;
    m_text.clear();
}

// The value of a text element whose xsi:type gave it a type derived from
// xs:string.
void XmlBinder::checkTypedText(Frame const& frame) {
    DerivedType const& type = kDerivedFromString[frame.textType - 1];
    std::string const value = collapsed(m_text);
    if (!isOf(type.lexical, value)) {
        invalid("text " + shown(m_text) + " is not of type xs:" + std::string(type.name), frame.line, frame.column);
    } else if (type.identity == Identity::Id && !m_ids.insert(value).second) {
        invalid("the ID " + shown(value) + " is given twice", frame.line, frame.column);
    } else if (type.identity == Identity::IdRef) {
        m_idRefs.emplace_back(value,
                              Exceptions::XmlError{ErrorKind::Invalid, {}, frame.line, frame.column, validationPath()});
    } else if (type.identity == Identity::Entity) {
        invalid("the ENTITY " + shown(value) +
                    " names no unparsed entity: a document without a document type declaration declares none",
                frame.line, frame.column);
    }
}

// The end of `frame`, the innermost open element: the required children
// that did not come, and the value of a text whose type xsi:type gave; at
// the end of the document, the IDREFs that name no ID.
void XmlBinder::checkEnd(Frame const& frame) {
    endText(m_frames[m_depth - 1]);  // `frame` itself
    XmlElementRules const& rules = *frame.rules;
    if (rules.content == XmlContent::Elements) {
        std::uint32_t const* const counts = &m_counts[frame.countsAt];
        for (std::size_t i = frame.next; i < rules.childCount; ++i) {
            if (rules.children[i].required && counts[i] == 0)
                invalid("required element " + quoted(rules.children[i].name) + " is missing", frame.line, frame.column);
        }
        m_counts.resize(frame.countsAt);
    }
    if (frame.textType != 0) {
        checkTypedText(frame);
        m_text.clear();
    }
    m_scope.resize(frame.scopeAt);
    if (m_depth > 1) return;
    for (auto& [value, place] : m_idRefs) {
        if (m_ids.count(value) == 0)
            invalidAt("the IDREF " + shown(value) + " names no ID of the document", place.line, place.column,
                      std::move(place.path));
    }
}

}  // namespace Kestrune::Soa::Common::Xml
