#pragma once

#include "host/BaseObject.h"
#include "host/ClassAllocation.h"
#include "host/Export.h"
#include "host/ModelObject.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Soa::Common::Xml {
struct XmlElementType;  ///< how an element is read (host/XmlBinder.h)
}  // namespace Kestrune::Soa::Common::Xml

namespace Kestrune::Schemas::Soa::_2006_03::Base {

class ServiceDataImpl;

/// What a service call reports beside its result: the messages of the
/// partial errors it met, and the business objects it updated. Copies share
/// one implementation object, as with every handle.
class KXSOACOMMON_EXPORT ServiceData : public Kestrune::Soa::Common::Xml::Handle<ServiceDataImpl> {
public:
    ServiceData();

    std::vector<std::string> const& getPartialErrors() const;
    void addPartialError(std::string const& message);
    std::vector<ModelObject> const& getUpdatedObjects() const;
    void addUpdatedObject(ModelObject const& object);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

/// Written as one element holding a "partialErrors" child (attribute
/// "message") per partial error and an "updated" child per updated object,
/// both in the base namespace. The element itself is placed as a business
/// object's: "ServiceData" inside a message is in the message's namespace.
class KXSOACOMMON_EXPORT ServiceDataImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ServiceDataImpl();
    ServiceDataImpl(ServiceDataImpl const& other);
    ~ServiceDataImpl() override;

    std::vector<std::string> const& getPartialErrors() const { return m_partialErrors; }
    void addPartialError(std::string const& message) { m_partialErrors.push_back(message); }
    std::vector<ModelObject> const& getUpdatedObjects() const { return m_updatedObjects; }
    void addUpdatedObject(ModelObject const& object) { m_updatedObjects.push_back(object); }

    /// Appends what the element holds; a child of another name throws
    /// DomException "Unexpected node name: <name>" (ErrorKind::Unexpected).
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ServiceDataImpl* reallyClone() const override;

private:
    std::vector<std::string> m_partialErrors;
    std::vector<ModelObject> m_updatedObjects;
};

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
