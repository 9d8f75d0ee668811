#include "host/ServiceData.h"

#include "host/BaseNamespace.h"
#include "host/XmlBinder.h"

#include <iterator>

namespace Kestrune::Schemas::Soa::_2006_03::Base {

using Kestrune::Soa::Common::Xml::BaseObject;
using Kestrune::Soa::Common::Xml::HandleAccess;
using Kestrune::Soa::Common::Xml::readTree;
using Kestrune::Soa::Common::Xml::XmlAttributeRule;
using Kestrune::Soa::Common::Xml::XmlChild;
using Kestrune::Soa::Common::Xml::XmlChildRule;
using Kestrune::Soa::Common::Xml::XmlContent;
using Kestrune::Soa::Common::Xml::XmlElementRules;
using Kestrune::Soa::Common::Xml::XmlElementStart;
using Kestrune::Soa::Common::Xml::XmlElementType;
using Kestrune::Soa::Common::Xml::XmlListRoom;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlStream;
using Kestrune::Soa::Common::Xml::XmlValueType;
using Kestrune::Soa::Common::Xml::ClassAllocation::newObject;

KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(ServiceData, "Kestrune::Schemas::Soa::_2006_03::Base::ServiceData")
KXSOA_DEFINE_CLASS_ALLOCATION_FUNCTIONS(ServiceDataImpl, "Kestrune::Schemas::Soa::_2006_03::Base::ServiceDataImpl")

ServiceData::ServiceData() : Handle(newObject<ServiceDataImpl>()) {}

std::vector<std::string> const& ServiceData::getPartialErrors() const { return getHandleObject().getPartialErrors(); }
void ServiceData::addPartialError(std::string const& message) { getHandleObject().addPartialError(message); }
std::vector<ModelObject> const& ServiceData::getUpdatedObjects() const { return getHandleObject().getUpdatedObjects(); }
void ServiceData::addUpdatedObject(ModelObject const& object) { getHandleObject().addUpdatedObject(object); }

void ServiceData::parse(XMLNode const& node) { getHandleObject().parse(node); }
void ServiceData::outputXML(XmlStream& stream, std::string const& elementName) const {
    getHandleObject().outputXML(stream, elementName);
}
void ServiceData::getNamespaces(std::set<std::string>& namespaces) const {
    getHandleObject().getNamespaces(namespaces);
}

ServiceDataImpl::ServiceDataImpl() : BaseObject(sharedNamespaceURI<baseNamespaceURI>()) {}

ServiceDataImpl::ServiceDataImpl(ServiceDataImpl const& other) = default;

ServiceDataImpl::~ServiceDataImpl() = default;

ServiceDataImpl* ServiceDataImpl::reallyClone() const { return newObject<ServiceDataImpl>(*this); }

void ServiceDataImpl::parse(XMLNode const& node) { readTree(node, *this, xmlElementType()); }

// Its children, two lists in the base namespace, and what reads each: a
// "partialErrors" element is its message, in its one attribute; an
// "updated" element a business object. Its rules (base:ServiceData) come
// from them.
XmlElementType const& ServiceDataImpl::xmlElementType() {
    static XmlAttributeRule const message[] = {{"message", XmlValueType::String}};
    static XmlElementRules const partialError{baseNamespaceURI, {}, XmlContent::Empty, message, 1, nullptr, 0};
    static XmlChildRule const children[] = {
        {"partialErrors", false, true, []() -> XmlElementRules const& { return partialError; }},
        {"updated", false, true, []() -> XmlElementRules const& { return *ModelObjectImpl::xmlElementType().rules; }}};
    static XmlElementRules const rules{baseNamespaceURI, "ServiceData",      XmlContent::Elements, nullptr, 0,
                                       children,         std::size(children)};
    static XmlElementType const type{
        nullptr, &rules, [](BaseObject&, XmlElementStart const&, std::string_view const*) {},
        [](BaseObject& object, std::size_t index, std::string_view const* values, XmlListRoom const& room) {
            ServiceDataImpl& self = static_cast<ServiceDataImpl&>(object);
            if (index == 0) {
                self.m_partialErrors.emplace_back(values[0]);
                return XmlChild::skipped();
            }
            return XmlChild::newEntry(ModelObject(), ModelObjectImpl::xmlElementType(), self.m_updatedObjects, room);
        }};
    return type;
}

void ServiceDataImpl::outputXML(XmlStream& stream, std::string const& elementName) const {
    std::string const& uri = getNamespaceURI();
    if (stream.gathersNamespaces()) {  // as getNamespaces
        stream.addNamespace(uri);
        if (!m_updatedObjects.empty()) HandleAccess::object(m_updatedObjects.front()).outputXML(stream, elementName);
        return;
    }
    if (stream.isRootElement()) {
        XmlStream::GatheringNamespaces const gathering(stream);
        outputXML(stream, elementName);
    }
    // Nested, the element is the containing type's local element (in that
    // type's namespace); its children are the base type's, in the base namespace.
    stream.openLocalElement(uri, elementName);
    stream.closeStartTag(uri, false);
    std::string const& partialErrors = stream.qualifiedName(uri, "partialErrors");
    for (std::string const& message : m_partialErrors) {
        stream.openElement(uri, partialErrors);
        stream.attribute("message", message);
        stream.closeStartTag(uri, true);
    }
    std::string const& updated = stream.qualifiedName(uri, "updated");
    for (ModelObject const& object : m_updatedObjects) HandleAccess::object(object).outputXML(stream, updated);
    stream.closeElement(uri, elementName);
}

void ServiceDataImpl::getNamespaces(std::set<std::string>& namespaces) const {
    namespaces.insert(getNamespaceURI());
    if (!m_updatedObjects.empty()) HandleAccess::object(m_updatedObjects.front()).getNamespaces(namespaces);
}

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
