#pragma once

#include "host/ClassAllocation.h"
#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

class ImportFromApplicationResponseImpl;

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

/// The answer to an import: the business objects it produced and the call's
/// service data.
class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationResponse
    : public Kestrune::Soa::Common::Xml::Handle<ImportFromApplicationResponseImpl> {
public:
    ImportFromApplicationResponse();
    /// The list starts empty; the service data is shared with the caller's.
    explicit ImportFromApplicationResponse(ServiceData const& serviceData);

    /// One "resultObjects" child per business object.
    std::vector<ModelObject> const& getResultObjectArray() const;
    void setResultObjectArray(std::vector<ModelObject> const& resultObjects);
    void addResultObject(ModelObject const& resultObject);
    /// The "ServiceData" child, written last and without prefix.
    ServiceData& getServiceData();
    ServiceData const& getServiceData() const;
    void setServiceData(ServiceData const& serviceData);

    /// Appends the business objects it reads and parses "ServiceData" into the
    /// service data it holds; never clears.
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    /// The response's namespace, the first business object's and the service data's.
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationResponse)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationResponseImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ImportFromApplicationResponseImpl();
    explicit ImportFromApplicationResponseImpl(ServiceData const& serviceData);

    std::vector<ModelObject> const& getResultObjectArray() const { return m_resultObjects; }
    void setResultObjectArray(std::vector<ModelObject> const& resultObjects) { m_resultObjects = resultObjects; }
    void addResultObject(ModelObject const& resultObject) { m_resultObjects.push_back(resultObject); }
    ServiceData& getServiceData() { return m_serviceData; }
    ServiceData const& getServiceData() const { return m_serviceData; }
    void setServiceData(ServiceData const& serviceData) { m_serviceData = serviceData; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationResponseImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ImportFromApplicationResponseImpl* reallyClone() const override;

private:
    struct Members;
    std::vector<ModelObject> m_resultObjects;
    ServiceData m_serviceData;
};

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
