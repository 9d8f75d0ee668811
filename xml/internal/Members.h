#pragma once

// The seven member kinds of a message type. A type lists its members once,
// as a tuple of these descriptors in declaration order (XML name and field);
// each kind knows how its member is written, read (an attribute from its
// element's start, a child element by what it is read into), reserved and
// asked for namespaces, and what it holds (its MemberKind, for the table seen
// at run time); Binding.h runs the same procedures over any table.
//
// Included only by the source files of message types.

#include "host/DomException.h"
#include "host/LexicalCast.h"
#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlBinder.h"
#include "host/XmlEvents.h"
#include "host/XmlRules.h"
#include "host/XmlStream.h"
#include "xml/Handle.h"
#include "xml/internal/TypeMembers.h"

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Binding {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

// Where a getNamespaces procedure puts a URI: a caller's set, or a stream
// that gathers the namespaces of the root element it is about to write.
inline void addNamespaceTo(std::set<std::string>& namespaces, std::string const& uri) { namespaces.insert(uri); }
inline void addNamespaceTo(XmlStream& stream, std::string const& uri) { stream.addNamespace(uri); }

// The rules of the element that reads an object of implementation class Impl.
template <class Impl>
XmlElementRules const& rulesOf() {
    return *Impl::xmlElementType().rules;
}

// Attributes of the type's own element: each one required, in no
// namespace, read from its value as the binder found it (XmlElementType).
template <class C>
struct StringAttribute {
    static constexpr bool isAttribute = true;
    static constexpr MemberKind kind = MemberKind::Text;
    char const* xmlName;
    std::string C::*field;

    XmlAttributeRule rule() const { return {xmlName, XmlValueType::String}; }
    void write(C const& self, XmlStream& stream) const { stream.attribute(xmlName, self.*field); }
    void read(C& self, std::string_view value) const { readValue(self.*field, value); }
};

template <class C>
struct BoolAttribute {
    static constexpr bool isAttribute = true;
    static constexpr MemberKind kind = MemberKind::Flag;
    char const* xmlName;
    bool C::*field;

    XmlAttributeRule rule() const { return {xmlName, XmlValueType::Boolean}; }
    void write(C const& self, XmlStream& stream) const {
        stream.attribute(xmlName, lexical_cast<std::string>(self.*field));
    }
    // A text that is no boolean is refused with the attribute as the error's
    // path, which the binder puts after the element's.
    void read(C& self, std::string_view value) const {
        try {
            self.*field = lexical_cast<bool>(value);
        } catch (Exceptions::DomException& e) {
            e.setPath(std::string("@") + xmlName);
            throw;
        }
    }
};

// What the three list kinds share: one child element per entry (any number
// of them, none required), no wrapper, room reserved once before reading,
// only the first entry asked for namespaces.
template <class C, class Entry, class Kind>
struct ListMember {
    static constexpr bool isAttribute = false;
    char const* xmlName;
    std::vector<Entry> C::*field;

    XmlChildRule rule() const { return {xmlName, false, true, &Kind::entryRules}; }

    // Room for `entries` more: the children of one element that this list reads.
    void reserve(C& self, std::size_t entries) const {
        std::vector<Entry>& list = self.*field;
        if (entries > 0) list.reserve(list.size() + entries);
    }
    // Each entry as a child of the element of `self`, in namespace `uri`.
    void write(C const& self, XmlStream& stream, std::string const& uri) const {
        std::vector<Entry> const& list = self.*field;
        if (list.empty()) return;
        std::string const& elementName = stream.qualifiedName(uri, xmlName);
        for (Entry const& entry : list) Kind::writeEntry(entry, stream, elementName);
    }
    // A new entry for `child`, at the end of the list.
    XmlChild open(C& self, XmlListRoom const& room) const { return Kind::openEntry(self.*field, room); }
    template <class Namespaces>
    void gatherNamespaces(C const& self, Namespaces& namespaces) const {
        std::vector<Entry> const& list = self.*field;
        if (!list.empty()) Kind::entryNamespaces(list.front(), namespaces);
    }
};

// Entries of a list, or the single member, that are objects behind a handle
// (a structure of the same schema version, a business object): written and
// read by their implementation object.
template <class Object>
struct HandledEntry {
    using Impl = ImplOf<Object>;

    static XmlElementRules const& entryRules() { return rulesOf<Impl>(); }

    static void writeEntry(Object const& entry, XmlStream& stream, std::string const& elementName) {
        HandleAccess::object(entry).outputXML(stream, elementName);
    }
    // A new object of its own, read by its implementation class.
    static XmlChild openEntry(std::vector<Object>& list, XmlListRoom const& room) {
        return XmlChild::newEntry(Object(), Impl::xmlElementType(), list, room);
    }
    static void entryNamespaces(Object const& entry, std::set<std::string>& namespaces) {
        HandleAccess::object(entry).getNamespaces(namespaces);
    }
    // Asked while the stream gathers namespaces, its outputXML writes nothing.
    static void entryNamespaces(Object const& entry, XmlStream& gathering) {
        static std::string const unnamed;
        HandleAccess::object(entry).outputXML(gathering, unnamed);
    }
};

// Entries of a string list: one element holding the escaped text.
struct TextEntry {
    static XmlElementRules const& entryRules() { return textElementRules(); }
    static void writeEntry(std::string const& entry, XmlStream& stream, std::string const& elementName) {
        stream.textElement(elementName, entry);
    }
    static XmlChild openEntry(std::vector<std::string>& list, XmlListRoom const& room) {
        return XmlChild::newText(list, room);
    }
    template <class Namespaces>
    static void entryNamespaces(std::string const&, Namespaces&) {}
};

template <class C>
struct StringList : ListMember<C, std::string, TextEntry> {
    static constexpr MemberKind kind = MemberKind::TextList;
};
template <class C, class S>
struct StructList : ListMember<C, S, HandledEntry<S>> {
    static constexpr MemberKind kind = MemberKind::StructList;
    using Structure = S;
};
template <class C>
struct ObjectList : ListMember<C, ModelObject, HandledEntry<ModelObject>> {
    static constexpr MemberKind kind = MemberKind::ObjectList;
};

// Exactly one child element, read in place into the object the member holds
// (a second element of that name reads into it again). The nested structure
// carries the type's prefix; the service data element is "ServiceData" alone.
template <class C, class S, bool Prefixed>
struct SingleMember {
    static constexpr bool isAttribute = false;
    char const* xmlName;
    S C::*field;

    XmlChildRule rule() const { return {xmlName, true, false, &HandledEntry<S>::entryRules}; }

    void reserve(C&, std::size_t) const {}
    void write(C const& self, XmlStream& stream, std::string const& uri) const {
        HandledEntry<S>::writeEntry(
            self.*field, stream, stream.qualifiedName(Prefixed ? std::string_view(uri) : std::string_view(), xmlName));
    }
    XmlChild open(C& self, XmlListRoom const&) const {
        return XmlChild::inPlace(HandleAccess::object(self.*field), HandledEntry<S>::Impl::xmlElementType());
    }
    template <class Namespaces>
    void gatherNamespaces(C const& self, Namespaces& namespaces) const {
        HandledEntry<S>::entryNamespaces(self.*field, namespaces);
    }
};

template <class C, class S>
struct NestedStruct : SingleMember<C, S, true> {
    static constexpr MemberKind kind = MemberKind::Struct;
    using Structure = S;
};
template <class C>
struct ServiceDataMember : SingleMember<C, ServiceData, false> {
    static constexpr MemberKind kind = MemberKind::ServiceData;
};

// The rows of a member table.
template <class C>
constexpr StringAttribute<C> stringAttribute(char const* xmlName, std::string C::*field) {
    return {xmlName, field};
}
template <class C>
constexpr BoolAttribute<C> boolAttribute(char const* xmlName, bool C::*field) {
    return {xmlName, field};
}
template <class C>
constexpr StringList<C> stringList(char const* xmlName, std::vector<std::string> C::*field) {
    return {{xmlName, field}};
}
template <class C, class S>
constexpr StructList<C, S> structList(char const* xmlName, std::vector<S> C::*field) {
    return {{xmlName, field}};
}
template <class C>
constexpr ObjectList<C> objectList(char const* xmlName, std::vector<ModelObject> C::*field) {
    return {{xmlName, field}};
}
template <class C, class S>
constexpr NestedStruct<C, S> nestedStruct(char const* xmlName, S C::*field) {
    return {{xmlName, field}};
}
template <class C>
constexpr ServiceDataMember<C> serviceData(ServiceData C::*field) {
    return {{"ServiceData", field}};
}

// The table seen at run time (TypeMembers.h).

// How the objects of structure type S (a public handle class) are reached.
template <class S>
StructureAccess const& structureAccess() {
    using Impl = typename HandledEntry<S>::Impl;
    static StructureAccess const access{
        &Impl::members, [](void const* list) { return static_cast<std::vector<S> const*>(list)->size(); },
        [](void* list, std::size_t index) -> BaseObject& {
            return HandleAccess::object((*static_cast<std::vector<S>*>(list))[index]);
        },
        [](void* list) -> BaseObject& {
            std::vector<S>& entries = *static_cast<std::vector<S>*>(list);
            entries.push_back(S());
            return HandleAccess::object(entries.back());
        },
        [](void* member) -> BaseObject& { return HandleAccess::object(*static_cast<S*>(member)); }};
    return access;
}

template <class Impl, class Members, std::size_t I>
void* memberValue(BaseObject& object) {
    return &(static_cast<Impl&>(object).*(std::get<I>(Members::table).field));
}

template <class Impl, class Members, std::size_t I>
MemberAccess memberAccess() {
    using Member = std::tuple_element_t<I, std::remove_const_t<decltype(Members::table)>>;
    StructureAccess const* structure = nullptr;
    if constexpr (Member::kind == MemberKind::StructList || Member::kind == MemberKind::Struct)
        structure = &structureAccess<typename Member::Structure>();
    return {std::get<I>(Members::table).xmlName, Member::kind, &memberValue<Impl, Members, I>, structure};
}

template <class Impl, class Members, std::size_t... I>
TypeMembers const& typeMembers(char const* name, char const* version, char const* namespaceURI,
                               std::index_sequence<I...>) {
    static MemberAccess const rows[] = {memberAccess<Impl, Members, I>()...};
    static TypeMembers const members{name, version, namespaceURI, rows, sizeof...(I)};
    return members;
}

// The members of `Impl`, whose public class is named `name`, of the schema
// version labelled `version`.
template <class Impl, class Members>
TypeMembers const& typeMembers(char const* name, char const* version, char const* namespaceURI) {
    return typeMembers<Impl, Members>(
        name, version, namespaceURI,
        std::make_index_sequence<std::tuple_size_v<std::remove_const_t<decltype(Members::table)>>>());
}

}  // namespace Kestrune::Soa::Common::Xml::Binding
