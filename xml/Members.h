#pragma once

// The seven member kinds of a message type. A type lists its members once,
// as a tuple of these descriptors in declaration order (XML name and field);
// each kind knows how its member is written, read (an attribute from its
// element's start, a child element by what it is read into), reserved and
// asked for namespaces, and Binding.h runs the same procedures over any table.
//
// Included only by the source files of message types.

#include "host/DomException.h"
#include "host/LexicalCast.h"
#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlBinder.h"
#include "host/XmlEvents.h"
#include "host/XmlStream.h"
#include "xml/Handle.h"

#include <cstddef>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Binding {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

// `prefix` followed by `xmlName`: the name of a child element. The names a
// thread has made are kept (a few dozen at most: one per member and prefix),
// so that writing allocates none after the first message; past a bound the
// name is made in `spare`.
inline std::string const& qualifiedName(std::string_view prefix, std::string_view xmlName, std::string& spare) {
    thread_local std::deque<std::string> made;  // entries never move
    std::size_t const size = prefix.size() + xmlName.size();
    for (std::string const& name : made)
        if (name.size() == size && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(prefix.size(), xmlName.size(), xmlName) == 0)
            return name;
    std::string& name = made.size() < 256 ? made.emplace_back() : spare;
    name.reserve(size);
    return name.append(prefix).append(xmlName);
}

// Attributes of the type's own element.
template <class C>
struct StringAttribute {
    static constexpr bool isAttribute = true;
    char const* xmlName;
    std::string C::*field;

    void write(C const& self, XmlStream& stream) const {
        stream << stream.writeAttribute(xmlName, stream.escape(self.*field));
    }
    void read(C& self, XmlElementStart const& element) const { (self.*field).assign(element.getAttr(xmlName)); }
};

template <class C>
struct BoolAttribute {
    static constexpr bool isAttribute = true;
    char const* xmlName;
    bool C::*field;

    void write(C const& self, XmlStream& stream) const {
        stream << stream.writeAttribute(xmlName, lexical_cast<std::string>(self.*field));
    }
    void read(C& self, XmlElementStart const& element) const {
        self.*field = lexical_cast<bool>(element.getAttr(xmlName));
    }
};

// What the three list kinds share: one child element per entry, no wrapper,
// room reserved once before reading, only the first entry asked for namespaces.
template <class C, class Entry, class Kind>
struct ListMember {
    static constexpr bool isAttribute = false;
    char const* xmlName;
    std::vector<Entry> C::*field;

    // Room for `entries` more: the children of one element that this list reads.
    void reserve(C& self, std::size_t entries) const {
        std::vector<Entry>& list = self.*field;
        if (entries > 0) list.reserve(list.size() + entries);
    }
    void write(C const& self, XmlStream& stream, std::string const& prefix) const {
        std::vector<Entry> const& list = self.*field;
        if (list.empty()) return;
        std::string spare;
        std::string const& elementName = qualifiedName(prefix, xmlName, spare);
        for (Entry const& entry : list) Kind::writeEntry(entry, stream, elementName);
    }
    // A new entry for `child`, at the end of the list.
    XmlChild open(C& self) const { return Kind::openEntry(self.*field); }
    void gatherNamespaces(C const& self, std::set<std::string>& namespaces) const {
        std::vector<Entry> const& list = self.*field;
        if (!list.empty()) Kind::entryNamespaces(list.front(), namespaces);
    }
};

// Entries of a list, or the single member, that are objects behind a handle
// (a structure of the same schema version, a business object): written and
// read by their implementation object.
template <class Object>
struct HandledEntry {
    using Impl = std::remove_reference_t<decltype(HandleAccess::object(std::declval<Object const&>()))>;

    static void writeEntry(Object const& entry, XmlStream& stream, std::string const& elementName) {
        HandleAccess::object(entry).outputXML(stream, elementName);
    }
    // A new object of its own, read by its implementation class.
    static XmlChild openEntry(std::vector<Object>& list) {
        return XmlChild::newEntry(Object(), Impl::xmlElementType(), list);
    }
    static void entryNamespaces(Object const& entry, std::set<std::string>& namespaces) {
        HandleAccess::object(entry).getNamespaces(namespaces);
    }
};

// Entries of a string list: one element holding the escaped text.
struct TextEntry {
    static void writeEntry(std::string const& entry, XmlStream& stream, std::string const& elementName) {
        std::string const& text = stream.escape(entry);
        stream << '<' << elementName << '>' << text << "</" << elementName << '>';
    }
    static XmlChild openEntry(std::vector<std::string>& list) { return XmlChild::newText(list); }
    static void entryNamespaces(std::string const&, std::set<std::string>&) {}
};

template <class C>
struct StringList : ListMember<C, std::string, TextEntry> {};
template <class C, class S>
struct StructList : ListMember<C, S, HandledEntry<S>> {};
template <class C>
struct ObjectList : ListMember<C, ModelObject, HandledEntry<ModelObject>> {};

// Exactly one child element, read in place into the object the member holds
// (a second element of that name reads into it again). The nested structure
// carries the type's prefix; the service data element is "ServiceData" alone.
template <class C, class S, bool Prefixed>
struct SingleMember {
    static constexpr bool isAttribute = false;
    char const* xmlName;
    S C::*field;

    void reserve(C&, std::size_t) const {}
    void write(C const& self, XmlStream& stream, std::string const& prefix) const {
        std::string spare;
        HandledEntry<S>::writeEntry(
            self.*field, stream,
            qualifiedName(Prefixed ? std::string_view(prefix) : std::string_view(), xmlName, spare));
    }
    XmlChild open(C& self) const {
        return XmlChild::inPlace(HandleAccess::object(self.*field), HandledEntry<S>::Impl::xmlElementType());
    }
    void gatherNamespaces(C const& self, std::set<std::string>& namespaces) const {
        HandledEntry<S>::entryNamespaces(self.*field, namespaces);
    }
};

template <class C, class S>
struct NestedStruct : SingleMember<C, S, true> {};
template <class C>
struct ServiceDataMember : SingleMember<C, ServiceData, false> {};

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

}  // namespace Kestrune::Soa::Common::Xml::Binding
