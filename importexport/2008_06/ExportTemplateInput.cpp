#include "importexport/2008_06/ExportTemplateInput.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportTemplateInputImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::boolAttribute("getObjectTemplates", &ExportTemplateInputImpl::m_getObjectTemplates),
        binding::boolAttribute("getSpecTemplates", &ExportTemplateInputImpl::m_getSpecTemplates),
        binding::boolAttribute("getConfiguredObjectTemplate", &ExportTemplateInputImpl::m_getConfiguredObjectTemplate),
        binding::boolAttribute("getConfiguredSpecTemplate", &ExportTemplateInputImpl::m_getConfiguredSpecTemplate),
        binding::boolAttribute("getExcelTemplates", &ExportTemplateInputImpl::m_getExcelTemplates));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportTemplateInput,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportTemplateInput",
                          schemaVersion, schemaNamespaceURI)

ExportTemplateInput::ExportTemplateInput(bool getObjectTemplates, bool getSpecTemplates,
                                         bool getConfiguredObjectTemplate, bool getConfiguredSpecTemplate,
                                         bool getExcelTemplates)
    : Handle(binding::newObject<ExportTemplateInputImpl>(getObjectTemplates, getSpecTemplates,
                                                         getConfiguredObjectTemplate, getConfiguredSpecTemplate,
                                                         getExcelTemplates)) {}
ExportTemplateInputImpl::ExportTemplateInputImpl(bool getObjectTemplates, bool getSpecTemplates,
                                                 bool getConfiguredObjectTemplate, bool getConfiguredSpecTemplate,
                                                 bool getExcelTemplates)
    : BaseObject(schemaNamespaceURI),
      m_getObjectTemplates(getObjectTemplates),
      m_getSpecTemplates(getSpecTemplates),
      m_getConfiguredObjectTemplate(getConfiguredObjectTemplate),
      m_getConfiguredSpecTemplate(getConfiguredSpecTemplate),
      m_getExcelTemplates(getExcelTemplates) {}

bool ExportTemplateInput::getGetObjectTemplates() const { return getHandleObject().getGetObjectTemplates(); }
void ExportTemplateInput::setGetObjectTemplates(bool getObjectTemplates) {
    getHandleObject().setGetObjectTemplates(getObjectTemplates);
}
bool ExportTemplateInput::getGetSpecTemplates() const { return getHandleObject().getGetSpecTemplates(); }
void ExportTemplateInput::setGetSpecTemplates(bool getSpecTemplates) {
    getHandleObject().setGetSpecTemplates(getSpecTemplates);
}
bool ExportTemplateInput::getGetConfiguredObjectTemplate() const {
    return getHandleObject().getGetConfiguredObjectTemplate();
}
void ExportTemplateInput::setGetConfiguredObjectTemplate(bool getConfiguredObjectTemplate) {
    getHandleObject().setGetConfiguredObjectTemplate(getConfiguredObjectTemplate);
}
bool ExportTemplateInput::getGetConfiguredSpecTemplate() const {
    return getHandleObject().getGetConfiguredSpecTemplate();
}
void ExportTemplateInput::setGetConfiguredSpecTemplate(bool getConfiguredSpecTemplate) {
    getHandleObject().setGetConfiguredSpecTemplate(getConfiguredSpecTemplate);
}
bool ExportTemplateInput::getGetExcelTemplates() const { return getHandleObject().getGetExcelTemplates(); }
void ExportTemplateInput::setGetExcelTemplates(bool getExcelTemplates) {
    getHandleObject().setGetExcelTemplates(getExcelTemplates);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
