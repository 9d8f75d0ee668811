#pragma once

// What the published schemas allow in an element of each type the libraries
// read, and how strictly a read holds a document to it. A type's rules are
// made from what reads it (a message type's member table; the business
// object and the service data beside their own reading), so that reading
// and validating go by one list: the binder (XmlBinder) finds a child's
// member by them in every read, and checks a document against them when it
// validates.

#include "host/Export.h"

#include <cstddef>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

/// How strictly a read holds a document to the published schemas.
enum class ReadPolicy : unsigned char {
    /// What any reader of the service has always accepted: attributes are
    /// read by their local name and the others passed over, a missing one
    /// reads as empty (or false), the namespaces of child elements are not
    /// looked at, and neither is their order or count; a child element that
    /// the type has no member for is refused ("Unexpected node name: ..."),
    /// except in an element of attributes alone, which passes over its
    /// children. For peers that write what they should.
    Lenient,
    /// Refuses exactly what the schemas refuse, and finds every error of a
    /// message in one pass (each with its place): attributes that are not
    /// the type's (in any namespace), required ones missing, booleans that
    /// are not xs:boolean, children that are unknown, in another namespace,
    /// out of order or too many, required ones missing, text between
    /// elements and any content in an element of attributes alone, and
    /// xsi:type or xsi:nil where the schemas do not allow them. For a
    /// service's edge, a validator, and tests of a writer.
    Validate,
    /// As Lenient, but a child element that the type has no member for is
    /// passed over, with all it holds, instead of refused: for a reader of
    /// peers that may send elements of a later version.
    SkipUnknown,
};

/// The simple type of an attribute's value.
enum class XmlValueType : unsigned char {
    String,   ///< xs:string: any text
    Boolean,  ///< xs:boolean: "true", "false", "1" or "0", white space around them collapsed
};

/// What an element may hold besides its attributes.
enum class XmlContent : unsigned char {
    Empty,     ///< nothing: no child element and no character, white space included
    Elements,  ///< child elements only, with white space between them
    Text,      ///< text only: an element of type xs:string
};

struct XmlElementRules;

/// The most attributes the rules of one type may have.
inline constexpr std::size_t kMostAttributes = 16;

/// An attribute that the schemas declare for a type: unqualified (in no
/// namespace) and required, as every attribute of the service's schemas.
struct XmlAttributeRule {
    std::string_view name;  ///< the local name
    XmlValueType type;
};

/// A child element that the schemas declare for a type: in the type's own
/// namespace, in the order of the type's rules.
struct XmlChildRule {
    std::string_view name;              ///< the local name
    bool required;                      ///< minOccurs 1 (else 0)
    bool repeated;                      ///< maxOccurs unbounded (else 1)
    XmlElementRules const& (*rules)();  ///< the child's own rules
};

/// The rules of an element of one type.
struct XmlElementRules {
    /// The namespace of the type's name and of its child elements.
    std::string_view namespaceURI;
    /// The type's name in that namespace, which xsi:type may give; empty
    /// for a type that has none.
    std::string_view typeName;
    XmlContent content;
    XmlAttributeRule const* attributes;
    std::size_t attributeCount;
    XmlChildRule const* children;  ///< in the order the schemas' sequence gives
    std::size_t childCount;

    /// The index of the attribute rule of this local name, or attributeCount.
    std::size_t attributeNamed(std::string_view name) const noexcept {
        std::size_t index = 0;
        while (index < attributeCount && attributes[index].name != name) ++index;
        return index;
    }
    /// The index of the child rule of this local name, or childCount.
    std::size_t childNamed(std::string_view name) const noexcept {
        std::size_t index = 0;
        while (index < childCount && children[index].name != name) ++index;
        return index;
    }
};

/// The rules of an element of type xs:string: text, and no attribute or
/// child element.
KXSOACOMMON_EXPORT XmlElementRules const& textElementRules() noexcept;

}  // namespace Kestrune::Soa::Common::Xml
