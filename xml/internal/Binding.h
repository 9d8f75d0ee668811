#pragma once

// The three procedures of every message type, written once for any member
// table (see Members.h), and the definitions that every paired class shares.
//
// Included only by the source files of message types.

#include "host/ClassAllocation.h"
#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlBinder.h"
#include "host/XmlRules.h"
#include "host/XmlStream.h"
#include "xml/internal/ContentRules.h"
#include "xml/internal/Members.h"

#include <array>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml::Binding {

template <class Table>
struct TableTraits;
template <class... Member>
struct TableTraits<std::tuple<Member...>> {
    // A type without child-element members is written as one empty element.
    static constexpr bool attributeOnly = (Member::isAttribute && ...);
};
template <class Table>
constexpr bool isAttributeOnly = TableTraits<std::remove_cv_t<Table>>::attributeOnly;

template <bool Attributes, class Member, class Step>
void visitIf(Member const& member, Step& step) {
    if constexpr (Member::isAttribute == Attributes) step(member);
}

// Runs `step` on the attributes (or on the child-element members) of the
// table, in declaration order.
template <bool Attributes, class Table, class Step>
void forEachMember(Table const& table, Step&& step) {
    std::apply([&](auto const&... member) { (visitIf<Attributes>(member, step), ...); }, table);
}

template <class Impl, class Member>
void reserveFor(Impl& self, Member const& member, std::size_t children) {
    if constexpr (!Member::isAttribute) member.reserve(self, children);
}

// Reserves each list's room once, for the children that it will read: one
// pass counts the children by the member that reads them.
template <class Impl, class Table>
void reserveOwnChildren(Impl& self, Table const& table, XMLNode const& node) {
    std::size_t counts[std::tuple_size_v<Table>] = {};
    for (XMLNode const& child : node.children) {
        std::size_t index = 0;
        std::apply(
            [&](auto const&... member) {
                return ((!member.isAttribute && child.name == member.xmlName ? (++counts[index], true)
                                                                             : (++index, false)) ||
                        ...);
            },
            table);
    }
    std::size_t index = 0;
    std::apply([&](auto const&... member) { (reserveFor(self, member, counts[index++]), ...); }, table);
}

// Adds the namespace URIs that `self`'s element tree needs, to a set or to
// a stream that gathers them: its own, then those of each child-element
// member (a list asks its first entry only).
template <class Impl, class Table, class Namespaces>
void getNamespaces(Impl const& self, Table const& table, Namespaces& namespaces) {
    addNamespaceTo(namespaces, self.getNamespaceURI());
    forEachMember<false>(table, [&](auto const& member) { member.gatherNamespaces(self, namespaces); });
}

// Writes `self` as one element named `elementName`: attributes in member
// order, then child elements in member order, appended straight to the
// stream's text. Only the outermost element of a write declares the
// namespaces and runs the probe. Written in parts (XmlStream::Part), the
// element's start and end are written by the first and the last part, and
// each part writes the children that `self` holds then.
template <class Impl, class Table>
void outputXML(Impl const& self, Table const& table, std::string const& probe, XmlStream& stream,
               std::string const& elementName) {
    if (stream.gathersNamespaces()) {
        getNamespaces(self, table, stream);
        return;
    }
    using Part = XmlStream::Part;
    Part const part = stream.takePart();
    bool const atRoot = part != Part::Whole || stream.isRootElement();  // parts are written at the root alone
    std::string const& uri = self.getNamespaceURI();
    bool const ends = part == Part::Whole || part == Part::Last;
    try {
        if (part == Part::Whole || part == Part::First) {
            if (atRoot) {
                {
                    XmlStream::GatheringNamespaces const gathering(stream);
                    getNamespaces(self, table, stream);
                }
                stream.startProbe(probe);
            }
            stream.openElement(uri, elementName);
            forEachMember<true>(table, [&](auto const& member) { member.write(self, stream); });
            stream.closeStartTag(uri, isAttributeOnly<Table>);
        }
        if constexpr (!isAttributeOnly<Table>) {
            forEachMember<false>(table, [&](auto const& member) { member.write(self, stream, uri); });
            if (ends) stream.closeElement(uri, elementName);
        }
    } catch (...) {
        if (atRoot) stream.abandonProbe();
        throw;
    }
    if (ends && atRoot) stream.endProbe();
}

// The rules of the elements of `Impl` (see XmlRules.h), made from its
// member table: its attributes and child-element members, each in member
// order, and its type's name and namespace.
template <class Members, bool Attributes, std::size_t... I>
auto memberRules(std::index_sequence<I...>) {
    using Rule = std::conditional_t<Attributes, XmlAttributeRule, XmlChildRule>;
    std::array<Rule,
               ((std::tuple_element_t<I, std::remove_const_t<decltype(Members::table)>>::isAttribute == Attributes) +
                ... + 0)>
        rules{};
    std::size_t next = 0;
    auto const add = [&](auto const& member) { rules[next++] = member.rule(); };
    forEachMember<Attributes>(Members::table, add);
    return rules;
}

template <class Impl, class Members>
XmlElementRules const& elementRules(char const* typeName, char const* namespaceURI) {
    constexpr std::size_t count = std::tuple_size_v<std::remove_const_t<decltype(Members::table)>>;
    static auto const attributes = memberRules<Members, true>(std::make_index_sequence<count>());
    static auto const children = memberRules<Members, false>(std::make_index_sequence<count>());
    static_assert(attributes.size() <= kMostAttributes, "a type has no more attributes than the binder reads");
    static XmlElementRules const rules{
        namespaceURI,      typeName,          children.empty() ? XmlContent::Empty : XmlContent::Elements,
        attributes.data(), attributes.size(), children.data(),
        children.size()};
    return rules;
}

// How an element of `Impl` is read (see XmlElementType): at its start the
// attributes are assigned (and from a tree, each list's room is reserved for
// its children); each child, which the binder found a member for by the
// rules, goes to that member: a list gains an entry, a single member is
// read in place. A type of attributes alone has no children to read.
template <class Impl, class Members>
struct Reading {
    static constexpr auto const& table = Members::table;

    static void start(BaseObject& object, XmlElementStart const& element, std::string_view const* values) {
        Impl& self = static_cast<Impl&>(object);
        std::size_t index = 0;
        forEachMember<true>(table, [&](auto const& member) { member.read(self, values[index++]); });
        if constexpr (!isAttributeOnly<decltype(Members::table)>) {
            if (element.node != nullptr) reserveOwnChildren(self, table, *element.node);
        }
    }

    static XmlChild child(BaseObject& object, std::size_t index, std::string_view const*, XmlListRoom const& room) {
        return openChild(static_cast<Impl&>(object), index, room);
    }

    // The child-element member numbered `index` (counting child-element
    // members alone, `Children` of them before member `I`) opens its child.
    // Returned as made, never copied: the child is written where the
    // caller keeps it (a copy read back at once what was just stored in
    // pieces, which stalls the load).
    template <std::size_t I = 0, std::size_t Children = 0>
    static XmlChild openChild(Impl& self, std::size_t index, XmlListRoom const& room) {
        using Table = std::remove_cv_t<decltype(Members::table)>;
        if constexpr (I == std::tuple_size_v<Table>) {
            return XmlChild::skipped();  // no such member: the rules name none
        } else if constexpr (std::tuple_element_t<I, Table>::isAttribute) {
            return openChild<I + 1, Children>(self, index, room);
        } else {
            if (index == Children) return std::get<I>(table).open(self, room);
            return openChild<I + 1, Children + 1>(self, index, room);
        }
    }
};

template <class Impl, class Members>
XmlElementType elementType(std::string const& probe, char const* typeName, char const* namespaceURI) {
    return XmlElementType{&probe, &elementRules<Impl, Members>(typeName, namespaceURI), &Reading<Impl, Members>::start,
                          &Reading<Impl, Members>::child};
}

// The type sources construct their implementation objects with it.
using ClassAllocation::newObject;

}  // namespace Kestrune::Soa::Common::Xml::Binding

// Defines what every paired class `Public`/`Public##Impl` has in common: the
// class allocation functions of both classes, the default constructors,
// reallyClone, parse, outputXML and getNamespaces on both classes (the
// public ones forward), the implementation class's members(), and the
// content functions of ContentRules.h.
// `typeName` is the public class's full name; the implementation class's is
// that name followed by "Impl", and the probes are that name followed by
// "::outputXML" and "::parse". `version` is the label of the type's schema
// version and `namespaceURI` its namespace. The implementation class
// declares its member table as `struct Members { static constexpr auto table = ...; };`.
#define KXSOA_DEFINE_PAIRED_CLASS(Public, typeName, version, namespaceURI)                                           \
    KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(Public, typeName)                                                        \
    KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(Public##Impl, typeName "Impl")                                           \
    KXSOA_DEFINE_CONTENT_FUNCTIONS(Public)                                                                           \
    Public::Public() : Handle(::Kestrune::Soa::Common::Xml::Binding::newObject<Public##Impl>()) {}                   \
    void Public::parse(::Kestrune::Soa::Common::Xml::XMLNode const& node) { getHandleObject().parse(node); }         \
    void Public::outputXML(::Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const {  \
        getHandleObject().outputXML(stream, elementName);                                                            \
    }                                                                                                                \
    void Public::getNamespaces(std::set<std::string>& namespaces) const {                                            \
        getHandleObject().getNamespaces(namespaces);                                                                 \
    }                                                                                                                \
    Public##Impl::Public##Impl() : BaseObject(sharedNamespaceURI<namespaceURI>()) {}                                 \
    Public##Impl* Public##Impl::reallyClone() const {                                                                \
        return ::Kestrune::Soa::Common::Xml::Binding::newObject<Public##Impl>(*this);                                \
    }                                                                                                                \
    void Public##Impl::parse(::Kestrune::Soa::Common::Xml::XMLNode const& node) {                                    \
        ::Kestrune::Soa::Common::Xml::readTree(node, *this, xmlElementType());                                       \
    }                                                                                                                \
    ::Kestrune::Soa::Common::Xml::XmlElementType const& Public##Impl::xmlElementType() {                             \
        static std::string const probe(typeName "::parse");                                                          \
        static ::Kestrune::Soa::Common::Xml::XmlElementType const type =                                             \
            ::Kestrune::Soa::Common::Xml::Binding::elementType<Public##Impl, Members>(probe, #Public, namespaceURI); \
        return type;                                                                                                 \
    }                                                                                                                \
    void Public##Impl::outputXML(::Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName)    \
        const {                                                                                                      \
        static std::string const probe(typeName "::outputXML");                                                      \
        ::Kestrune::Soa::Common::Xml::Binding::outputXML(*this, Members::table, probe, stream, elementName);         \
    }                                                                                                                \
    void Public##Impl::getNamespaces(std::set<std::string>& namespaces) const {                                      \
        ::Kestrune::Soa::Common::Xml::Binding::getNamespaces(*this, Members::table, namespaces);                     \
    }                                                                                                                \
    ::Kestrune::Soa::Common::Xml::TypeMembers const& Public##Impl::members() {                                       \
        return ::Kestrune::Soa::Common::Xml::Binding::typeMembers<Public##Impl, Members>(#Public, version,           \
                                                                                         namespaceURI);              \
    }
