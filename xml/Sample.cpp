#include "xml/Sample.h"

#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "xml/internal/TypeMembers.h"

#include <string>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

using Schemas::Soa::_2006_03::Base::ModelObject;
using Schemas::Soa::_2006_03::Base::ServiceData;

// "<name>-<n>"
std::string numbered(char const* name, std::size_t n) { return name + ('-' + std::to_string(n)); }

ModelObject object(char const* name, std::size_t n) { return ModelObject(numbered(name, n), "Item"); }

void fill(MemberAccess const& member, void* value, std::size_t entries, std::size_t n) {
    switch (member.kind) {
        case MemberKind::Text:
            valueAs<std::string>(value) = numbered(member.xmlName, n);
            break;
        case MemberKind::Flag:
            valueAs<bool>(value) = true;
            break;
        case MemberKind::TextList:
            for (std::size_t place = 1; place <= entries; ++place)
                valueAs<std::vector<std::string>>(value).push_back(numbered(member.xmlName, place));
            break;
        case MemberKind::ObjectList:
            for (std::size_t place = 1; place <= entries; ++place)
                valueAs<std::vector<ModelObject>>(value).push_back(object(member.xmlName, place));
            break;
        case MemberKind::ServiceData:
            for (std::size_t place = 1; place <= entries; ++place) {
                valueAs<ServiceData>(value).addPartialError(numbered("partialErrors", place));
                valueAs<ServiceData>(value).addUpdatedObject(object("updated", place));
            }
            break;
        case MemberKind::Struct:
            Detail::fillSample(member.structure->single(value), member.structure->members(), entries, n);
            break;
        case MemberKind::StructList:
            for (std::size_t place = 1; place <= entries; ++place)
                Detail::fillSample(member.structure->append(value), member.structure->members(), entries, place);
            break;
    }
}

}  // namespace

void Detail::fillSample(BaseObject& object, TypeMembers const& members, std::size_t entries, std::size_t n) {
    for (MemberAccess const& member : members) fill(member, member.value(object), entries, n);
}

}  // namespace Kestrune::Soa::Common::Xml
