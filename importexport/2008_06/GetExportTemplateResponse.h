#pragma once

#include "host/ClassAllocation.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ConfiguredTemplate.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

class GetExportTemplateResponseImpl;

using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

/// The answer to the export template query: template names in three lists,
/// configured templates in two, and the service data. Children are written
/// list by list in member order, whatever order entries were added in.
class KXSOAIMPORTEXPORT_EXPORT GetExportTemplateResponse
    : public Kestrune::Soa::Common::Xml::Handle<GetExportTemplateResponseImpl> {
public:
    GetExportTemplateResponse();
    /// Shares `serviceData` with the caller (a handle copy); the lists start empty.
    explicit GetExportTemplateResponse(ServiceData const& serviceData);

    std::vector<std::string> const& getSpecTemplateArray() const;  ///< "specTemplates"
    void setSpecTemplateArray(std::vector<std::string> const& specTemplates);
    void addSpecTemplate(std::string const& specTemplate);          ///< appends; never clears
    std::vector<std::string> const& getObjectTemplatArray() const;  ///< "objectTemplats"
    void setObjectTemplatArray(std::vector<std::string> const& objectTemplats);
    void addObjectTemplat(std::string const& objectTemplat);
    std::vector<std::string> const& getExcelTemplateArray() const;  ///< "excelTemplates"
    void setExcelTemplateArray(std::vector<std::string> const& excelTemplates);
    void addExcelTemplate(std::string const& excelTemplate);
    /// "configuredSpecTemplates"; entries are shared with the caller's handles.
    std::vector<ConfiguredTemplate> const& getConfiguredSpecTemplateArray() const;
    void setConfiguredSpecTemplateArray(std::vector<ConfiguredTemplate> const& configuredSpecTemplates);
    void addConfiguredSpecTemplate(ConfiguredTemplate const& configuredSpecTemplate);
    /// "configuredObjectTemplates"; entries are shared with the caller's handles.
    std::vector<ConfiguredTemplate> const& getConfiguredObjectTemplateArray() const;
    void setConfiguredObjectTemplateArray(std::vector<ConfiguredTemplate> const& configuredObjectTemplates);
    void addConfiguredObjectTemplate(ConfiguredTemplate const& configuredObjectTemplate);
    /// "ServiceData", without prefix; always written.
    ServiceData& getServiceData();
    ServiceData const& getServiceData() const;
    void setServiceData(ServiceData const& serviceData);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(GetExportTemplateResponse)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT GetExportTemplateResponseImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    GetExportTemplateResponseImpl();
    explicit GetExportTemplateResponseImpl(ServiceData const& serviceData);

    std::vector<std::string> const& getSpecTemplateArray() const { return m_specTemplates; }
    void setSpecTemplateArray(std::vector<std::string> const& specTemplates) { m_specTemplates = specTemplates; }
    void addSpecTemplate(std::string const& specTemplate) { m_specTemplates.push_back(specTemplate); }
    std::vector<std::string> const& getObjectTemplatArray() const { return m_objectTemplats; }
    void setObjectTemplatArray(std::vector<std::string> const& objectTemplats) { m_objectTemplats = objectTemplats; }
    void addObjectTemplat(std::string const& objectTemplat) { m_objectTemplats.push_back(objectTemplat); }
    std::vector<std::string> const& getExcelTemplateArray() const { return m_excelTemplates; }
    void setExcelTemplateArray(std::vector<std::string> const& excelTemplates) { m_excelTemplates = excelTemplates; }
    void addExcelTemplate(std::string const& excelTemplate) { m_excelTemplates.push_back(excelTemplate); }
    std::vector<ConfiguredTemplate> const& getConfiguredSpecTemplateArray() const { return m_configuredSpecTemplates; }
    void setConfiguredSpecTemplateArray(std::vector<ConfiguredTemplate> const& configuredSpecTemplates) {
        m_configuredSpecTemplates = configuredSpecTemplates;
    }
    void addConfiguredSpecTemplate(ConfiguredTemplate const& configuredSpecTemplate) {
        m_configuredSpecTemplates.push_back(configuredSpecTemplate);
    }
    std::vector<ConfiguredTemplate> const& getConfiguredObjectTemplateArray() const {
        return m_configuredObjectTemplates;
    }
    void setConfiguredObjectTemplateArray(std::vector<ConfiguredTemplate> const& configuredObjectTemplates) {
        m_configuredObjectTemplates = configuredObjectTemplates;
    }
    void addConfiguredObjectTemplate(ConfiguredTemplate const& configuredObjectTemplate) {
        m_configuredObjectTemplates.push_back(configuredObjectTemplate);
    }
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

    KXSOA_CONTENT_FUNCTIONS(GetExportTemplateResponseImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    GetExportTemplateResponseImpl* reallyClone() const override;

private:
    struct Members;
    std::vector<std::string> m_specTemplates;
    std::vector<std::string> m_objectTemplats;
    std::vector<std::string> m_excelTemplates;
    std::vector<ConfiguredTemplate> m_configuredSpecTemplates;
    std::vector<ConfiguredTemplate> m_configuredObjectTemplates;
    ServiceData m_serviceData;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
