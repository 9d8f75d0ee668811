#include "importexport/2008_06/ExportToApplicationInputData1.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportToApplicationInputData1Impl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringAttribute("applicationFormat", &ExportToApplicationInputData1Impl::m_applicationFormat),
        binding::stringAttribute("templateType", &ExportToApplicationInputData1Impl::m_templateType),
        binding::stringAttribute("templateId", &ExportToApplicationInputData1Impl::m_templateId),
        binding::objectList("objectsToExport", &ExportToApplicationInputData1Impl::m_objectsToExport),
        binding::stringList("attributesToExport", &ExportToApplicationInputData1Impl::m_attributesToExport),
        binding::structList("objectTemplateOverride", &ExportToApplicationInputData1Impl::m_objectTemplateOverrides));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportToApplicationInputData1,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInputData1",
                          schemaVersion, schemaNamespaceURI)

ExportToApplicationInputData1::ExportToApplicationInputData1(std::string const& applicationFormat,
                                                             std::string const& templateType,
                                                             std::string const& templateId)
    : Handle(binding::newObject<ExportToApplicationInputData1Impl>(applicationFormat, templateType, templateId)) {}
ExportToApplicationInputData1Impl::ExportToApplicationInputData1Impl(std::string const& applicationFormat,
                                                                     std::string const& templateType,
                                                                     std::string const& templateId)
    : BaseObject(schemaNamespaceURI),
      m_applicationFormat(applicationFormat),
      m_templateType(templateType),
      m_templateId(templateId) {}

std::string& ExportToApplicationInputData1::getApplicationFormat() { return getHandleObject().getApplicationFormat(); }
std::string const& ExportToApplicationInputData1::getApplicationFormat() const {
    return getHandleObject().getApplicationFormat();
}
void ExportToApplicationInputData1::setApplicationFormat(std::string const& applicationFormat) {
    getHandleObject().setApplicationFormat(applicationFormat);
}
std::string& ExportToApplicationInputData1::getTemplateType() { return getHandleObject().getTemplateType(); }
std::string const& ExportToApplicationInputData1::getTemplateType() const {
    return getHandleObject().getTemplateType();
}
void ExportToApplicationInputData1::setTemplateType(std::string const& templateType) {
    getHandleObject().setTemplateType(templateType);
}
std::string& ExportToApplicationInputData1::getTemplateId() { return getHandleObject().getTemplateId(); }
std::string const& ExportToApplicationInputData1::getTemplateId() const { return getHandleObject().getTemplateId(); }
void ExportToApplicationInputData1::setTemplateId(std::string const& templateId) {
    getHandleObject().setTemplateId(templateId);
}
std::vector<ModelObject> const& ExportToApplicationInputData1::getObjectsToExportArray() const {
    return getHandleObject().getObjectsToExportArray();
}
void ExportToApplicationInputData1::setObjectsToExportArray(std::vector<ModelObject> const& objectsToExport) {
    getHandleObject().setObjectsToExportArray(objectsToExport);
}
void ExportToApplicationInputData1::addObjectsToExport(ModelObject const& objectToExport) {
    getHandleObject().addObjectsToExport(objectToExport);
}
std::vector<std::string> const& ExportToApplicationInputData1::getAttributesToExportArray() const {
    return getHandleObject().getAttributesToExportArray();
}
void ExportToApplicationInputData1::setAttributesToExportArray(std::vector<std::string> const& attributesToExport) {
    getHandleObject().setAttributesToExportArray(attributesToExport);
}
void ExportToApplicationInputData1::addAttributesToExport(std::string const& attributeToExport) {
    getHandleObject().addAttributesToExport(attributeToExport);
}
std::vector<TemplateOverride> const& ExportToApplicationInputData1::getObjectTemplateOverrideArray() const {
    return getHandleObject().getObjectTemplateOverrideArray();
}
void ExportToApplicationInputData1::setObjectTemplateOverrideArray(
    std::vector<TemplateOverride> const& objectTemplateOverrides) {
    getHandleObject().setObjectTemplateOverrideArray(objectTemplateOverrides);
}
void ExportToApplicationInputData1::addObjectTemplateOverride(TemplateOverride const& objectTemplateOverride) {
    getHandleObject().addObjectTemplateOverride(objectTemplateOverride);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
