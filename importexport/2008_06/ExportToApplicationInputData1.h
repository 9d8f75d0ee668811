#pragma once

#include "host/ClassAllocation.h"
#include "host/ModelObject.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/TemplateOverride.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

class ExportToApplicationInputData1Impl;

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;

/// One export record: the format and template to export with, the business
/// objects and attributes to export, and per-type template overrides. Its
/// children are written list by list in member order, whatever order entries
/// were added in.
class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationInputData1
    : public Kestrune::Soa::Common::Xml::Handle<ExportToApplicationInputData1Impl> {
public:
    ExportToApplicationInputData1();
    /// The three lists start empty.
    ExportToApplicationInputData1(std::string const& applicationFormat, std::string const& templateType,
                                  std::string const& templateId);

    std::string& getApplicationFormat();  ///< "applicationFormat"
    std::string const& getApplicationFormat() const;
    void setApplicationFormat(std::string const& applicationFormat);
    std::string& getTemplateType();  ///< "templateType"
    std::string const& getTemplateType() const;
    void setTemplateType(std::string const& templateType);
    std::string& getTemplateId();  ///< "templateId"
    std::string const& getTemplateId() const;
    void setTemplateId(std::string const& templateId);
    /// "objectsToExport"; entries are shared with the caller's handles.
    std::vector<ModelObject> const& getObjectsToExportArray() const;
    void setObjectsToExportArray(std::vector<ModelObject> const& objectsToExport);
    void addObjectsToExport(ModelObject const& objectToExport);  ///< appends one object
    /// "attributesToExport"
    std::vector<std::string> const& getAttributesToExportArray() const;
    void setAttributesToExportArray(std::vector<std::string> const& attributesToExport);
    void addAttributesToExport(std::string const& attributeToExport);  ///< appends one name
    /// "objectTemplateOverride", one child per override; entries are shared with the caller's handles.
    std::vector<TemplateOverride> const& getObjectTemplateOverrideArray() const;
    void setObjectTemplateOverrideArray(std::vector<TemplateOverride> const& objectTemplateOverrides);
    void addObjectTemplateOverride(TemplateOverride const& objectTemplateOverride);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationInputData1)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationInputData1Impl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ExportToApplicationInputData1Impl();
    ExportToApplicationInputData1Impl(std::string const& applicationFormat, std::string const& templateType,
                                      std::string const& templateId);

    std::string& getApplicationFormat() { return m_applicationFormat; }
    std::string const& getApplicationFormat() const { return m_applicationFormat; }
    void setApplicationFormat(std::string const& applicationFormat) { m_applicationFormat = applicationFormat; }
    std::string& getTemplateType() { return m_templateType; }
    std::string const& getTemplateType() const { return m_templateType; }
    void setTemplateType(std::string const& templateType) { m_templateType = templateType; }
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
    std::vector<TemplateOverride> const& getObjectTemplateOverrideArray() const { return m_objectTemplateOverrides; }
    void setObjectTemplateOverrideArray(std::vector<TemplateOverride> const& objectTemplateOverrides) {
        m_objectTemplateOverrides = objectTemplateOverrides;
    }
    void addObjectTemplateOverride(TemplateOverride const& objectTemplateOverride) {
        m_objectTemplateOverrides.push_back(objectTemplateOverride);
    }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationInputData1Impl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ExportToApplicationInputData1Impl* reallyClone() const override;

private:
    struct Members;
    std::string m_applicationFormat;
    std::string m_templateType;
    std::string m_templateId;
    std::vector<ModelObject> m_objectsToExport;
    std::vector<std::string> m_attributesToExport;
    std::vector<TemplateOverride> m_objectTemplateOverrides;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
