#include "host/ModelObject.h"

#include "host/BaseNamespace.h"

namespace Kestrune::Schemas::Soa::_2006_03::Base {

using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlStream;

ModelObject::ModelObject() : Handle(new ModelObjectImpl()) {}

ModelObject::ModelObject(std::string const& uid, std::string const& type) : Handle(new ModelObjectImpl(uid, type)) {}

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

ModelObjectImpl::ModelObjectImpl() : BaseObject(baseNamespaceURI) {}

ModelObjectImpl::ModelObjectImpl(std::string const& uid, std::string const& type)
    : BaseObject(baseNamespaceURI), m_uid(uid), m_type(type) {}

ModelObjectImpl::ModelObjectImpl(ModelObjectImpl const& other) = default;

ModelObjectImpl::~ModelObjectImpl() = default;

ModelObjectImpl* ModelObjectImpl::reallyClone() const { return new ModelObjectImpl(*this); }

void ModelObjectImpl::parse(XMLNode const& node) {
    m_uid = node.getAttr("uid");
    m_type = node.getAttr("type");
}

void ModelObjectImpl::outputXML(XmlStream& stream, std::string const& elementName) const {
    // Nested, the element is the containing type's local element, in that type's namespace.
    if (stream.isRootElement()) stream.addNamespaces({getNamespaceURI()});
    stream << stream.writeOpenLocalElement(getNamespaceURI(), elementName)
           << stream.writeAttribute("uid", stream.escape(m_uid)) << stream.writeAttribute("type", stream.escape(m_type))
           << stream.writeOpenElementClose(getNamespaceURI(), true);
}

void ModelObjectImpl::getNamespaces(std::set<std::string>& namespaces) const { namespaces.insert(getNamespaceURI()); }

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
