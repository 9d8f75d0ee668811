#include "xml/Conversion.h"

#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "xml/internal/TypeMembers.h"

namespace Kestrune::Soa::Common::Xml {

namespace {

using Schemas::Soa::_2006_03::Base::ModelObject;
using Schemas::Soa::_2006_03::Base::ServiceData;

// Carries the members of one object into another's of the same XML names,
// and gathers the paths of what has no member to go to.
class Carrier {
public:
    explicit Carrier(Unmatched what) : m_dropping(what == Unmatched::Drop) {}

    std::vector<std::string> unmatched;  // the paths of what has nowhere to go

    void members(BaseObject& from, TypeMembers const& fromMembers, BaseObject& to, TypeMembers const& toMembers,
                 std::string const& at) {
        for (MemberAccess const& member : fromMembers) {
            std::string const path = at + member.xmlName;
            MemberAccess const* const target = toMembers.find(member.xmlName);
            if (target == nullptr || target->kind != member.kind) {
                if (!m_dropping) held(member, member.value(from), path);
            } else {
                carry(member, member.value(from), *target, target->value(to), path);
            }
        }
    }

private:
    void carry(MemberAccess const& member, void* value, MemberAccess const& target, void* into,
               std::string const& path) {
        switch (member.kind) {
            case MemberKind::Text:
                valueAs<std::string>(into) = valueAs<std::string>(value);
                break;
            case MemberKind::Flag:
                valueAs<bool>(into) = valueAs<bool>(value);
                break;
            case MemberKind::TextList:
                valueAs<std::vector<std::string>>(into) = valueAs<std::vector<std::string>>(value);
                break;
            case MemberKind::ObjectList:  // the same business objects
                valueAs<std::vector<ModelObject>>(into) = valueAs<std::vector<ModelObject>>(value);
                break;
            case MemberKind::ServiceData:  // a service data of its own, with the same updated objects
                valueAs<ServiceData>(into) = valueAs<ServiceData>(value);
                valueAs<ServiceData>(into).ensureUnShared();
                break;
            case MemberKind::Struct:
                members(member.structure->single(value), member.structure->members(), target.structure->single(into),
                        target.structure->members(), path + '.');
                break;
            case MemberKind::StructList:
                for (std::size_t i = 0, size = member.structure->size(value); i < size; ++i) {
                    BaseObject& entry = target.structure->append(into);
                    members(member.structure->entry(value, i), member.structure->members(), entry,
                            target.structure->members(), path + '[' + std::to_string(i) + "].");
                }
                break;
        }
    }

    // The paths of what `value` holds that its member's default does not: the
    // member when a text is not empty or a flag is set, each entry of a list.
    void held(MemberAccess const& member, void* value, std::string const& path) {
        switch (member.kind) {
            case MemberKind::Text:
                if (!valueAs<std::string>(value).empty()) unmatched.push_back(path);
                break;
            case MemberKind::Flag:
                if (valueAs<bool>(value)) unmatched.push_back(path);
                break;
            case MemberKind::TextList:
                entries(valueAs<std::vector<std::string>>(value).size(), path);
                break;
            case MemberKind::ObjectList:
                entries(valueAs<std::vector<ModelObject>>(value).size(), path);
                break;
            case MemberKind::ServiceData:
                entries(valueAs<ServiceData>(value).getPartialErrors().size(), path + ".partialErrors");
                entries(valueAs<ServiceData>(value).getUpdatedObjects().size(), path + ".updatedObjects");
                break;
            case MemberKind::Struct: {
                BaseObject& object = member.structure->single(value);
                for (MemberAccess const& inner : member.structure->members())
                    held(inner, inner.value(object), path + '.' + inner.xmlName);
                break;
            }
            case MemberKind::StructList:
                entries(member.structure->size(value), path);
                break;
        }
    }

    void entries(std::size_t count, std::string const& path) {
        for (std::size_t i = 0; i < count; ++i) unmatched.push_back(path + '[' + std::to_string(i) + ']');
    }

    bool m_dropping;
};

// "the 2008-06 ImportFromApplicationInput"
std::string described(TypeMembers const& members) { return std::string("the ") + members.version + ' ' + members.name; }

}  // namespace

void Detail::carryMembers(BaseObject& from, TypeMembers const& fromMembers, BaseObject& to,
                          TypeMembers const& toMembers, Unmatched unmatched) {
    Carrier carrier(unmatched);
    carrier.members(from, fromMembers, to, toMembers, "");
    if (carrier.unmatched.empty()) return;
    std::string message =
        described(fromMembers) + " holds values in members that " + described(toMembers) + " does not have: ";
    for (std::string const& path : carrier.unmatched)
        message += (&path == &carrier.unmatched.front() ? "" : ", ") + path;
    throw UnmatchedMembers(message + " (Unmatched::Drop drops them)", std::move(carrier.unmatched));
}

}  // namespace Kestrune::Soa::Common::Xml
