#include "host/ModelObject.h"

#include "host/BaseNamespace.h"
#include "host/XmlBinder.h"

#include <iterator>
#include <utility>

namespace Kestrune::Schemas::Soa::_2006_03::Base {

using Kestrune::Soa::Common::Xml::BaseObject;
using Kestrune::Soa::Common::Xml::readTree;
using Kestrune::Soa::Common::Xml::readValue;
using Kestrune::Soa::Common::Xml::XmlAttributeRule;
using Kestrune::Soa::Common::Xml::XmlChild;
using Kestrune::Soa::Common::Xml::XmlContent;
using Kestrune::Soa::Common::Xml::XmlElementRules;
using Kestrune::Soa::Common::Xml::XmlElementStart;
using Kestrune::Soa::Common::Xml::XmlElementType;
using Kestrune::Soa::Common::Xml::XmlListRoom;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlStream;
using Kestrune::Soa::Common::Xml::XmlValueType;
using Kestrune::Soa::Common::Xml::ClassAllocation::newObject;

KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(ModelObject, "Kestrune::Schemas::Soa::_2006_03::Base::ModelObject")
KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(ModelObjectImpl, "Kestrune::Schemas::Soa::_2006_03::Base::ModelObjectImpl")

ModelObject::ModelObject() : Handle(newObject<ModelObjectImpl>()) {}

ModelObject::ModelObject(std::string const& uid, std::string const& type)
    : Handle(newObject<ModelObjectImpl>(uid, type)) {}

std::string const& ModelObject::getUid() const { return getHandleObject().getUid(); }
void ModelObject::setUid(std::string const& uid) { getHandleObject().setUid(uid); }
std::string const& ModelObject::getType() const { return getHandleObject().getType(); }
void ModelObject::setType(std::string const& type) { getHandleObject().setType(type); }

void ModelObject::parse(XMLNode const& node) { getHandleObject().parse(node); }
void ModelObject::outputXML(XmlStream& stream, std::string const& elementName) const {
    getHandleObject().outputXML(stream, elementName);
}
void ModelObject::getNamespaces(std::set<std::string>& namespaces) const {
    getHandleObject().getNamespaces(namespaces);
}

ModelObjectImpl::ModelObjectImpl() : BaseObject(sharedNamespaceURI<baseNamespaceURI>()) {}

ModelObjectImpl::ModelObjectImpl(std::string const& uid, std::string const& type)
    : BaseObject(baseNamespaceURI), m_uid(uid), m_type(type) {}

ModelObjectImpl::ModelObjectImpl(ModelObjectImpl const& other) = default;

ModelObjectImpl::~ModelObjectImpl() = default;

ModelObjectImpl* ModelObjectImpl::reallyClone() const { return newObject<ModelObjectImpl>(*this); }

void ModelObjectImpl::parse(XMLNode const& node) { readTree(node, *this, xmlElementType()); }

// Its two attributes, each a string: what it reads, and the rules of its
// element (base:ModelObject).
XmlElementType const& ModelObjectImpl::xmlElementType() {
    using Member = std::pair<XmlAttributeRule, std::string ModelObjectImpl::*>;
    static Member const members[] = {{{"uid", XmlValueType::String}, &ModelObjectImpl::m_uid},
                                     {{"type", XmlValueType::String}, &ModelObjectImpl::m_type}};
    static XmlAttributeRule const attributes[] = {members[0].first, members[1].first};
    static XmlElementRules const rules{
        baseNamespaceURI, "ModelObject", XmlContent::Empty, attributes, std::size(attributes), nullptr, 0};
    static XmlElementType const type{
        nullptr, &rules,
        [](BaseObject& object, XmlElementStart const&, std::string_view const* values) {
            ModelObjectImpl& self = static_cast<ModelObjectImpl&>(object);
            for (std::size_t i = 0; i < std::size(members); ++i) readValue(self.*members[i].second, values[i]);
        },
        [](BaseObject&, std::size_t, std::string_view const*, XmlListRoom const&) { return XmlChild::skipped(); }};
    return type;
}

void ModelObjectImpl::outputXML(XmlStream& stream, std::string const& elementName) const {
    std::string const& uri = getNamespaceURI();
    // Its own namespace is all that its element needs declared.
    if (stream.gathersNamespaces() || stream.isRootElement()) stream.addNamespace(uri);
    if (stream.gathersNamespaces()) return;
    // Nested, the element is the containing type's local element, in that type's namespace.
    stream.openLocalElement(uri, elementName);
    stream.attribute("uid", m_uid);
    stream.attribute("type", m_type);
    stream.closeStartTag(uri, true);
}

void ModelObjectImpl::getNamespaces(std::set<std::string>& namespaces) const { namespaces.insert(getNamespaceURI()); }

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
