#include "importexport/2008_06/ConfiguredTemplate.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ConfiguredTemplateImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::stringAttribute("businessObjectType", &ConfiguredTemplateImpl::m_businessObjectType),
                        binding::stringAttribute("templateName", &ConfiguredTemplateImpl::m_templateName),
                        binding::stringAttribute("templateType", &ConfiguredTemplateImpl::m_templateType));
};

KXSOA_DEFINE_PAIRED_CLASS(ConfiguredTemplate,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ConfiguredTemplate",
                          schemaVersion, schemaNamespaceURI)

ConfiguredTemplate::ConfiguredTemplate(std::string const& businessObjectType, std::string const& templateName,
                                       std::string const& templateType)
    : Handle(binding::newObject<ConfiguredTemplateImpl>(businessObjectType, templateName, templateType)) {}
ConfiguredTemplateImpl::ConfiguredTemplateImpl(std::string const& businessObjectType, std::string const& templateName,
                                               std::string const& templateType)
    : BaseObject(schemaNamespaceURI),
      m_businessObjectType(businessObjectType),
      m_templateName(templateName),
      m_templateType(templateType) {}

std::string& ConfiguredTemplate::getBusinessObjectType() { return getHandleObject().getBusinessObjectType(); }
std::string const& ConfiguredTemplate::getBusinessObjectType() const {
    return getHandleObject().getBusinessObjectType();
}
void ConfiguredTemplate::setBusinessObjectType(std::string const& businessObjectType) {
    getHandleObject().setBusinessObjectType(businessObjectType);
}
std::string& ConfiguredTemplate::getTemplateName() { return getHandleObject().getTemplateName(); }
std::string const& ConfiguredTemplate::getTemplateName() const { return getHandleObject().getTemplateName(); }
void ConfiguredTemplate::setTemplateName(std::string const& templateName) {
    getHandleObject().setTemplateName(templateName);
}
std::string& ConfiguredTemplate::getTemplateType() { return getHandleObject().getTemplateType(); }
std::string const& ConfiguredTemplate::getTemplateType() const { return getHandleObject().getTemplateType(); }
void ConfiguredTemplate::setTemplateType(std::string const& templateType) {
    getHandleObject().setTemplateType(templateType);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
