#pragma once

// The validating read beside libxml2's schema validation against schema/,
// its judge, on documents made from each type's sample by mutation: each
// attribute and element dropped, duplicated, renamed, moved to another
// namespace, given content or text it may not have, each value in other
// lexical forms, the xsi: attributes. Where libxml2 departs from XML Schema
// 1.0, the judge corrects it (`schemaDepartures` below). Used by the
// judge's test and its fuzz target. Header-only; link
// kxsoa_schema_validation (libxml2) and the libraries.

#include "host/BaseNamespace.h"
#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlDocument.h"
#include "importexport/AnyMessage.h"
#include "support/SchemaValidation.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"
#include "xml/Sample.h"

#include <cctype>
#include <cstddef>
#include <functional>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kxsoa_test {

// An element as the mutations see it: its content is pieces, each a child
// element (an index into `children`) or markup written as it stands.
struct MutableElement {
    std::string uri, name;
    struct Attribute {
        std::string uri, name, value;  // the value as written, escaped
    };
    std::vector<Attribute> attributes;
    struct Piece {
        int child = -1;      // the index of a child, or -1
        std::string markup;  // text, a CDATA section, a comment...
    };
    std::vector<Piece> content;
    std::vector<MutableElement> children;
};

namespace schema_detail {

inline std::string const& uriOf(char const* version) {
    static std::string const v07 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2007-06/FileImportExport";
    static std::string const v08 = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
    return std::string_view(version) == "2007-06" ? v07 : v08;
}

// The namespaces an element or attribute is moved to, with the prefix each
// is written with (declared on the root); none has no prefix.
inline std::vector<std::pair<std::string, std::string>> const& namespaces() {
    static std::vector<std::pair<std::string, std::string>> const all = {
        {"", ""},
        {uriOf("2007-06"), "p"},
        {uriOf("2008-06"), "q"},
        {Kestrune::Schemas::Soa::_2006_03::Base::baseNamespaceURI, "b"},
        {"urn:somebody-else", "o"},
        {"http://www.w3.org/2001/XMLSchema-instance", "xsi"},
        {"http://www.w3.org/2001/XMLSchema", "xs"},
    };
    return all;
}

inline std::string prefixed(std::string const& uri, std::string const& name) {
    for (auto const& [known, prefix] : namespaces())
        if (known == uri) return prefix.empty() ? name : prefix + ':' + name;
    return name;
}

inline std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

inline MutableElement fromNode(Kestrune::Soa::Common::Xml::XMLNode const& node) {
    MutableElement element{std::string(node.namespaceURI), std::string(node.name), {}, {}, {}};
    for (auto const* a = node.attributesBegin(); a != node.attributesEnd(); ++a)
        element.attributes.push_back({std::string(a->namespaceURI), std::string(a->name), escaped(a->value)});
    if (!node.text.empty()) element.content.push_back({-1, escaped(node.text)});
    for (auto const& child : node.children) {
        element.content.push_back({static_cast<int>(element.children.size()), {}});
        element.children.push_back(fromNode(child));
    }
    return element;
}

inline void write(MutableElement const& element, std::string& out, bool root) {
    out += '<' + prefixed(element.uri, element.name);
    if (root) {
        for (auto const& [uri, prefix] : namespaces())
            if (!prefix.empty()) out += " xmlns:" + prefix + "=\"" + uri + '"';
    }
    for (auto const& a : element.attributes) out += ' ' + prefixed(a.uri, a.name) + "=\"" + a.value + '"';
    if (element.content.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (auto const& piece : element.content) {
        if (piece.child < 0) {
            out += piece.markup;
        } else {
            write(element.children[static_cast<std::size_t>(piece.child)], out, false);
        }
    }
    out += "</" + prefixed(element.uri, element.name) + '>';
}

}  // namespace schema_detail

inline std::string written(MutableElement const& root) {
    std::string out;
    schema_detail::write(root, out, true);
    return out;
}

// One message type of AnyMessage: its name and namespace, and its sample
// with `entries` entries in each list, as the mutations take it.
struct JudgedType {
    std::size_t index;  // in AnyMessage
    std::string name, uri;
};

inline std::vector<JudgedType> judgedTypes() {
    using namespace Kestrune::Soa::Common::Xml;
    std::vector<JudgedType> types;
    for (std::size_t i = 0; i < std::variant_size_v<AnyMessage>; ++i)
        types.push_back({i, messageType(i).name, schema_detail::uriOf(messageType(i).version)});
    return types;
}

template <std::size_t... I>
std::string sampleText(std::size_t index, std::size_t entries, std::index_sequence<I...>) {
    using namespace Kestrune::Soa::Common::Xml;
    std::string text;
    static_cast<void>(
        ((index == I ? (text = writeMessage(makeSample<std::variant_alternative_t<I, AnyMessage>>(entries),
                                            messageType(I).name),
                        true)
                     : false) ||
         ...));
    return text;
}

// A document as the mutations take it: each element's text before its
// children. Throws the library's DomException for a text that is not XML.
inline MutableElement parsed(std::string const& text) {
    Kestrune::Soa::Common::Xml::XmlDocument const document = Kestrune::Soa::Common::Xml::XmlDocument::parse(text);
    return schema_detail::fromNode(document.root());
}

inline MutableElement sampleOf(JudgedType const& type, std::size_t entries) {
    using namespace Kestrune::Soa::Common::Xml;
    return parsed(sampleText(type.index, entries, std::make_index_sequence<std::variant_size_v<AnyMessage>>()));
}

// Every document one mutation makes of `root`, each handed to `each`.
inline void forEachMutation(MutableElement const& root, std::function<void(std::string const&)> const& each) {
    using schema_detail::namespaces;
    // The elements in document order, each as the path of child indexes to it.
    std::vector<std::vector<std::size_t>> paths{{}};
    for (std::size_t at = 0; at < paths.size(); ++at) {
        MutableElement const* element = &root;
        for (std::size_t step : paths[at]) element = &element->children[step];
        for (std::size_t c = 0; c < element->children.size(); ++c) {
            paths.push_back(paths[at]);
            paths.back().push_back(c);
        }
    }
    auto const mutated = [&](std::vector<std::size_t> const& path, auto&& change) {
        MutableElement copy = root;
        MutableElement* parent = nullptr;
        MutableElement* element = &copy;
        for (std::size_t step : path) {
            parent = element;
            element = &element->children[step];
        }
        change(*element, parent, path.empty() ? 0 : path.back());
        each(written(copy));
    };
    // Where in its parent's content a child is.
    auto const placeOf = [](MutableElement& parent, std::size_t child) {
        std::size_t at = 0;
        while (parent.content[at].child != static_cast<int>(child)) ++at;
        return at;
    };
    static char const* const values[] = {"",    "true", "false", "1",  "0",       " true ", "&#9;0&#10;", "TRUE",
                                         "yes", "01",   "tru e", "-1", "x&amp;y", "&#160;", "true false"};
    static char const* const markup[] = {
        "x", " ", "&#10;", "<![CDATA[]]>", "<![CDATA[ ]]>", "<![CDATA[x]]>", "<!-- note -->", "<?note?>", "&#160;"};
    static char const* const xsiTypes[] = {"xs:string",  "xs:token",    "xs:NMTOKEN",
                                           "xs:boolean", "nope:string", "q:TemplateOverride"};
    for (auto const& path : paths) {
        MutableElement const* original = &root;
        for (std::size_t step : path) original = &original->children[step];
        bool const isRoot = path.empty();
        // The element itself.
        if (!isRoot) {
            mutated(path, [&](MutableElement&, MutableElement* parent, std::size_t child) {
                parent->content.erase(parent->content.begin() + static_cast<long>(placeOf(*parent, child)));
            });
            mutated(path, [&](MutableElement& element, MutableElement* parent, std::size_t child) {
                MutableElement const twin = element;
                parent->children.push_back(twin);
                parent->content.insert(parent->content.begin() + static_cast<long>(placeOf(*parent, child)) + 1,
                                       {static_cast<int>(parent->children.size() - 1), {}});
            });
            mutated(path, [&](MutableElement&, MutableElement* parent, std::size_t child) {
                std::size_t const at = placeOf(*parent, child);
                if (at + 1 < parent->content.size()) std::swap(parent->content[at], parent->content[at + 1]);
            });
        }
        for (char const* name : {"bogus", "inputs", "Inputs", "ServiceData"})
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) { element.name = name; });
        for (auto const& [uri, prefix] : namespaces()) {
            if (uri == original->uri || prefix == "xs") continue;
            mutated(path, [&, &to = uri](MutableElement& element, MutableElement*, std::size_t) { element.uri = to; });
        }
        // Its content.
        for (char const* piece : markup) {
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                element.content.insert(element.content.begin(), {-1, piece});
            });
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                element.content.push_back({-1, piece});
            });
        }
        mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
            element.children.push_back({element.uri, "bogus", {}, {}, {}});
            element.content.push_back({static_cast<int>(element.children.size() - 1), {}});
        });
        // Its attributes: another, in each namespace.
        for (auto const& [uri, prefix] : namespaces()) {
            if (prefix == "xs") continue;
            mutated(path, [&, &in = uri](MutableElement& element, MutableElement*, std::size_t) {
                element.attributes.push_back({in, "bogus", "1"});
            });
        }
        for (char const* type : xsiTypes) {
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                element.attributes.push_back({namespaces()[5].first, "type", type});
            });
        }
        mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
            element.attributes.push_back({namespaces()[5].first, "type", "q:" + element.name});
        });
        for (char const* name : {"nil", "schemaLocation", "noNamespaceSchemaLocation"}) {
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                element.attributes.push_back({namespaces()[5].first, name, "true"});
            });
        }
        // Each attribute of its own: dropped, renamed, moved, of each value.
        for (std::size_t a = 0; a < original->attributes.size(); ++a) {
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                element.attributes.erase(element.attributes.begin() + static_cast<long>(a));
            });
            mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                char& first = element.attributes[a].name[0];
                first = static_cast<char>(std::isupper(static_cast<unsigned char>(first)) ? std::tolower(first)
                                                                                          : std::toupper(first));
            });
            for (auto const& [uri, prefix] : namespaces()) {
                if (uri.empty() || prefix == "xs") continue;
                mutated(path, [&, &to = uri](MutableElement& element, MutableElement*, std::size_t) {
                    element.attributes[a].uri = to;
                });
            }
            for (char const* value : values) {
                mutated(path, [&](MutableElement& element, MutableElement*, std::size_t) {
                    element.attributes[a].value = value;
                });
            }
        }
    }
}

// Where libxml2 2.9.14 departs from XML Schema 1.0: the judge corrects it,
// for each departure the rule libxml2 does not keep.
struct SchemaDeparture {
    char const* what;
    char const* rule;
    std::string (*correct)(std::string const& text);  // the text to judge instead
};
inline SchemaDeparture const schemaDepartures[] = {
    {"libxml2 refuses a CDATA section that is empty or holds white space only, between elements and in an element "
     "of attributes alone: the judge reads its characters as text instead (an empty one is no character)",
     "Structures 3.4.4, cvc-complex-type 2.1 (empty content: no character children) and 2.3 (element-only "
     "content: white space characters allowed)",
     [](std::string const& text) {
         static std::regex const blankSection(R"(<!\[CDATA\[([ \t\r\n]*)\]\]>)");
         return std::regex_replace(text, blankSection, "$1");
     }},
};

// libxml2's verdict, corrected where it departs unless `corrected` is
// false: whether `text` is a valid document whose root is `type`'s element.
inline bool validByLibxml2(std::string text, JudgedType const& type, bool corrected = true) {
    if (corrected)
        for (SchemaDeparture const& departure : schemaDepartures) text = departure.correct(text);
    Kestrune::Soa::Common::Xml::XmlDocument const document = Kestrune::Soa::Common::Xml::XmlDocument::parse(text);
    if (document.root().name != type.name || document.root().namespaceURI != type.uri) return false;
    return kxsoa::validation::messageError(text, type.name).empty();
}

template <std::size_t... I>
std::string readAs(Kestrune::Soa::Common::Xml::MessageReader& reader, std::size_t index, std::string const& text,
                   std::index_sequence<I...>) {
    using namespace Kestrune::Soa::Common::Xml;
    std::string out;
    static_cast<void>(((index == I ? (out = writeMessage(reader.read<std::variant_alternative_t<I, AnyMessage>>(text),
                                                         messageType(I).name),
                                      true)
                                   : false) ||
                       ...));
    return out;
}

template <std::size_t... I>
std::string validateAs(Kestrune::Soa::Common::Xml::MessageReader& reader, std::size_t index, std::string const& text,
                       std::index_sequence<I...>) {
    using namespace Kestrune::Soa::Common::Xml;
    static_cast<void>(
        ((index == I ? (reader.validate<std::variant_alternative_t<I, AnyMessage>>(text), true) : false) || ...));
    return {};
}

// What `reader` reads of `text` as `type`: the message written back (with
// `validateOnly`, nothing: MessageReader::validate), or its errors, each on
// a line of its own as "LINE:COLUMN: PATH: MESSAGE".
struct LibraryReading {
    bool refused = false;
    std::string result;
};
inline LibraryReading readWithLibrary(Kestrune::Soa::Common::Xml::MessageReader& reader, std::string const& text,
                                      JudgedType const& type, bool validateOnly = false) {
    using namespace Kestrune::Soa::Common::Xml;
    auto const all = std::make_index_sequence<std::variant_size_v<AnyMessage>>();
    try {
        return {false,
                validateOnly ? validateAs(reader, type.index, text, all) : readAs(reader, type.index, text, all)};
    } catch (Kestrune::Soa::Common::Exceptions::DomException const& e) {
        std::string lines;
        for (auto const& error : e.errors())
            lines += std::to_string(error.line) + ':' + std::to_string(error.column) + ": " + error.path + ": " +
                     error.message + '\n';
        return {true, lines};
    }
}

}  // namespace kxsoa_test
