#pragma once

#include "host/ClassAllocation.h"
#include "host/ModelObject.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

class ExportToApplicationInputDataImpl;

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;

/// One export record: the application format to produce, the template to
/// export with, the business objects to export and the attribute names to
/// export. All business objects are written before all attribute names,
/// whatever order they were added in.
class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationInputData
    : public Kestrune::Soa::Common::Xml::Handle<ExportToApplicationInputDataImpl> {
public:
    ExportToApplicationInputData();
    /// Both lists start empty.
    ExportToApplicationInputData(std::string const& applicationFormat, std::string const& templateId);

    /// Attribute "applicationFormat".
    std::string& getApplicationFormat();
    std::string const& getApplicationFormat() const;
    void setApplicationFormat(std::string const& applicationFormat);
    /// Attribute "templateId".
    std::string& getTemplateId();
    std::string const& getTemplateId() const;
    void setTemplateId(std::string const& templateId);
    /// One "objectsToExport" child per business object.
    std::vector<ModelObject> const& getObjectsToExportArray() const;
    void setObjectsToExportArray(std::vector<ModelObject> const& objectsToExport);
    void addObjectsToExport(ModelObject const& objectToExport);
    /// One "attributesToExport" child per name, holding the name as text.
    std::vector<std::string> const& getAttributesToExportArray() const;
    void setAttributesToExportArray(std::vector<std::string> const& attributesToExport);
    void addAttributesToExport(std::string const& attributeToExport);

    /// Appends to both lists; never clears them.
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationInputData)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationInputDataImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ExportToApplicationInputDataImpl();
    ExportToApplicationInputDataImpl(std::string const& applicationFormat, std::string const& templateId);

    std::string& getApplicationFormat() { return m_applicationFormat; }
    std::string const& getApplicationFormat() const { return m_applicationFormat; }
    void setApplicationFormat(std::string const& applicationFormat) { m_applicationFormat = applicationFormat; }
    std::string& getTemplateId() { return m_templateId; }
    std::string const& getTemplateId() const { return m_templateId; }
    void setTemplateId(std::string const& templateId) { m_templateId = templateId; }
    std::vector<ModelObject> const& getObjectsToExportArray() const { return m_objectsToExport; }
    void setObjectsToExportArray(std::vector<ModelObject> const& objectsToExport) {
        m_objectsToExport = objectsToExport;
    }
    void addObjectsToExport(ModelObject const& objectToExport) { m_objectsToExport.push_back(objectToExport); }
    std::vector<std::string> const& getAttributesToExportArray() const { return m_attributesToExport; }
    void setAttributesToExportArray(std::vector<std::string> const& attributesToExport) {
        m_attributesToExport = attributesToExport;
    }
    void addAttributesToExport(std::string const& attributeToExport) {
        m_attributesToExport.push_back(attributeToExport);
    }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationInputDataImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ExportToApplicationInputDataImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_applicationFormat;
    std::string m_templateId;
    std::vector<ModelObject> m_objectsToExport;
    std::vector<std::string> m_attributesToExport;
};

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
