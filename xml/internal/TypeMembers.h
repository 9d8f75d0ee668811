#pragma once

// A message type's members as the library sees them at run time: each one's
// XML name, its kind and where its value is in an object, in member order.
// Made from the type's member table (Members.h) and given by its
// implementation class (members()), for what works on two types at once:
// carrying a message into its counterpart of the other schema version.
//
// Included only by the library's sources.

#include "host/BaseObject.h"

#include <cstddef>
#include <string_view>

namespace Kestrune::Soa::Common::Xml {

// What a member holds, and so the C++ type of its value: std::string,
// bool, std::vector<std::string>, std::vector<ModelObject>, a list of
// structures, one structure, ServiceData.
enum class MemberKind : unsigned char { Text, Flag, TextList, ObjectList, StructList, Struct, ServiceData };

struct TypeMembers;

// A member's value (MemberAccess::value) as the type that its kind holds.
template <class Value>
Value& valueAs(void* value) {
    return *static_cast<Value*>(value);
}

// How the objects of a member's structure type are reached, in a list of
// them or held alone; the list and the member are given as the member's value.
struct StructureAccess {
    TypeMembers const& (*members)();
    std::size_t (*size)(void const* list);
    BaseObject& (*entry)(void* list, std::size_t index);
    // A new object at the end of the list (TryingToCreateNullHandle when
    // none can be made).
    BaseObject& (*append)(void* list);
    BaseObject& (*single)(void* member);
};

struct MemberAccess {
    char const* xmlName;
    MemberKind kind;
    void* (*value)(BaseObject& object);  // the member's value in an object of its type
    StructureAccess const* structure;    // for a list of structures or one; null for the others
};

struct TypeMembers {
    char const* name;     // the public class's, which is also its element's in the schemas
    char const* version;  // the label of its schema version ("2008-06")
    char const* namespaceURI;
    MemberAccess const* first;
    std::size_t count;

    MemberAccess const* begin() const noexcept { return first; }
    MemberAccess const* end() const noexcept { return first + count; }
    // The member of this XML name, or null.
    MemberAccess const* find(std::string_view xmlName) const noexcept {
        for (MemberAccess const& member : *this)
            if (xmlName == member.xmlName) return &member;
        return nullptr;
    }
};

}  // namespace Kestrune::Soa::Common::Xml
