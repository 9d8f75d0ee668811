#pragma once

#include "host/BaseObject.h"
#include "host/ClassAllocation.h"
#include "host/Export.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Handle.h"

#include <set>
#include <string>

namespace Kestrune::Soa::Common::Xml {
struct XmlElementType;  ///< how an element is read (host/XmlBinder.h)
}  // namespace Kestrune::Soa::Common::Xml

namespace Kestrune::Schemas::Soa::_2006_03::Base {

class ModelObjectImpl;

/// A reference to one business object of the server: its uid, and its type
/// name when known. Copies share one reference object.
class KXSOACOMMON_EXPORT ModelObject : public Kestrune::Soa::Common::Xml::Handle<ModelObjectImpl> {
public:
    ModelObject();
    explicit ModelObject(std::string const& uid, std::string const& type = std::string());

    std::string const& getUid() const;
    void setUid(std::string const& uid);
    std::string const& getType() const;
    void setType(std::string const& type);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

/// Written as one empty element with the attributes "uid" and "type". Inside
/// another element it is that type's local element and in its namespace: a
/// name with a prefix keeps the prefix's binding; a name without one gets the
/// containing element's namespace as default. At the root, the base namespace.
class KXSOACOMMON_EXPORT ModelObjectImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ModelObjectImpl();
    ModelObjectImpl(std::string const& uid, std::string const& type);
    ModelObjectImpl(ModelObjectImpl const& other);
    ~ModelObjectImpl() override;

    std::string const& getUid() const { return m_uid; }
    void setUid(std::string const& uid) { m_uid = uid; }
    std::string const& getType() const { return m_type; }
    void setType(std::string const& type) { m_type = type; }

    /// Reads "uid" and "type"; children are ignored.
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ModelObjectImpl* reallyClone() const override;

private:
    std::string m_uid;
    std::string m_type;
};

}  // namespace Kestrune::Schemas::Soa::_2006_03::Base
