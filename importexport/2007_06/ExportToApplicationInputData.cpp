#include "importexport/2007_06/ExportToApplicationInputData.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportToApplicationInputDataImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringAttribute("applicationFormat", &ExportToApplicationInputDataImpl::m_applicationFormat),
        binding::stringAttribute("templateId", &ExportToApplicationInputDataImpl::m_templateId),
        binding::objectList("objectsToExport", &ExportToApplicationInputDataImpl::m_objectsToExport),
        binding::stringList("attributesToExport", &ExportToApplicationInputDataImpl::m_attributesToExport));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportToApplicationInputData,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInputData",
                          schemaVersion, schemaNamespaceURI)

ExportToApplicationInputData::ExportToApplicationInputData(std::string const& applicationFormat,
                                                           std::string const& templateId)
    : Handle(binding::newObject<ExportToApplicationInputDataImpl>(applicationFormat, templateId)) {}
ExportToApplicationInputDataImpl::ExportToApplicationInputDataImpl(std::string const& applicationFormat,
                                                                   std::string const& templateId)
    : BaseObject(schemaNamespaceURI), m_applicationFormat(applicationFormat), m_templateId(templateId) {}

std::string& ExportToApplicationInputData::getApplicationFormat() { return getHandleObject().getApplicationFormat(); }
std::string const& ExportToApplicationInputData::getApplicationFormat() const {
    return getHandleObject().getApplicationFormat();
}
void ExportToApplicationInputData::setApplicationFormat(std::string const& applicationFormat) {
    getHandleObject().setApplicationFormat(applicationFormat);
}
std::string& ExportToApplicationInputData::getTemplateId() { return getHandleObject().getTemplateId(); }
std::string const& ExportToApplicationInputData::getTemplateId() const { return getHandleObject().getTemplateId(); }
void ExportToApplicationInputData::setTemplateId(std::string const& templateId) {
    getHandleObject().setTemplateId(templateId);
}
std::vector<ModelObject> const& ExportToApplicationInputData::getObjectsToExportArray() const {
    return getHandleObject().getObjectsToExportArray();
}
void ExportToApplicationInputData::setObjectsToExportArray(std::vector<ModelObject> const& objectsToExport) {
    getHandleObject().setObjectsToExportArray(objectsToExport);
}
void ExportToApplicationInputData::addObjectsToExport(ModelObject const& objectToExport) {
    getHandleObject().addObjectsToExport(objectToExport);
}
std::vector<std::string> const& ExportToApplicationInputData::getAttributesToExportArray() const {
    return getHandleObject().getAttributesToExportArray();
}
void ExportToApplicationInputData::setAttributesToExportArray(std::vector<std::string> const& attributesToExport) {
    getHandleObject().setAttributesToExportArray(attributesToExport);
}
void ExportToApplicationInputData::addAttributesToExport(std::string const& attributeToExport) {
    getHandleObject().addAttributesToExport(attributeToExport);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
