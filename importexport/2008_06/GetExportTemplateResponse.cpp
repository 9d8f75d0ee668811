#include "importexport/2008_06/GetExportTemplateResponse.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct GetExportTemplateResponseImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringList("specTemplates", &GetExportTemplateResponseImpl::m_specTemplates),
        binding::stringList("objectTemplats", &GetExportTemplateResponseImpl::m_objectTemplats),
        binding::stringList("excelTemplates", &GetExportTemplateResponseImpl::m_excelTemplates),
        binding::structList("configuredSpecTemplates", &GetExportTemplateResponseImpl::m_configuredSpecTemplates),
        binding::structList("configuredObjectTemplates", &GetExportTemplateResponseImpl::m_configuredObjectTemplates),
        binding::serviceData(&GetExportTemplateResponseImpl::m_serviceData));
};

KXSOA_DEFINE_PAIRED_CLASS(GetExportTemplateResponse,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplateResponse",
                          schemaVersion, schemaNamespaceURI)

GetExportTemplateResponse::GetExportTemplateResponse(ServiceData const& serviceData)
    : Handle(binding::newObject<GetExportTemplateResponseImpl>(serviceData)) {}
GetExportTemplateResponseImpl::GetExportTemplateResponseImpl(ServiceData const& serviceData)
    : BaseObject(schemaNamespaceURI), m_serviceData(serviceData) {}

std::vector<std::string> const& GetExportTemplateResponse::getSpecTemplateArray() const {
    return getHandleObject().getSpecTemplateArray();
}
void GetExportTemplateResponse::setSpecTemplateArray(std::vector<std::string> const& specTemplates) {
    getHandleObject().setSpecTemplateArray(specTemplates);
}
void GetExportTemplateResponse::addSpecTemplate(std::string const& specTemplate) {
    getHandleObject().addSpecTemplate(specTemplate);
}
std::vector<std::string> const& GetExportTemplateResponse::getObjectTemplatArray() const {
    return getHandleObject().getObjectTemplatArray();
}
void GetExportTemplateResponse::setObjectTemplatArray(std::vector<std::string> const& objectTemplats) {
    getHandleObject().setObjectTemplatArray(objectTemplats);
}
void GetExportTemplateResponse::addObjectTemplat(std::string const& objectTemplat) {
    getHandleObject().addObjectTemplat(objectTemplat);
}
std::vector<std::string> const& GetExportTemplateResponse::getExcelTemplateArray() const {
    return getHandleObject().getExcelTemplateArray();
}
void GetExportTemplateResponse::setExcelTemplateArray(std::vector<std::string> const& excelTemplates) {
    getHandleObject().setExcelTemplateArray(excelTemplates);
}
void GetExportTemplateResponse::addExcelTemplate(std::string const& excelTemplate) {
    getHandleObject().addExcelTemplate(excelTemplate);
}
std::vector<ConfiguredTemplate> const& GetExportTemplateResponse::getConfiguredSpecTemplateArray() const {
    return getHandleObject().getConfiguredSpecTemplateArray();
}
void GetExportTemplateResponse::setConfiguredSpecTemplateArray(
    std::vector<ConfiguredTemplate> const& configuredSpecTemplates) {
    getHandleObject().setConfiguredSpecTemplateArray(configuredSpecTemplates);
}
void GetExportTemplateResponse::addConfiguredSpecTemplate(ConfiguredTemplate const& configuredSpecTemplate) {
    getHandleObject().addConfiguredSpecTemplate(configuredSpecTemplate);
}
std::vector<ConfiguredTemplate> const& GetExportTemplateResponse::getConfiguredObjectTemplateArray() const {
    return getHandleObject().getConfiguredObjectTemplateArray();
}
void GetExportTemplateResponse::setConfiguredObjectTemplateArray(
    std::vector<ConfiguredTemplate> const& configuredObjectTemplates) {
    getHandleObject().setConfiguredObjectTemplateArray(configuredObjectTemplates);
}
void GetExportTemplateResponse::addConfiguredObjectTemplate(ConfiguredTemplate const& configuredObjectTemplate) {
    getHandleObject().addConfiguredObjectTemplate(configuredObjectTemplate);
}
ServiceData& GetExportTemplateResponse::getServiceData() { return getHandleObject().getServiceData(); }
ServiceData const& GetExportTemplateResponse::getServiceData() const { return getHandleObject().getServiceData(); }
void GetExportTemplateResponse::setServiceData(ServiceData const& serviceData) {
    getHandleObject().setServiceData(serviceData);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
