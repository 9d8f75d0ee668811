#include "importexport/2008_06/TemplateOverride.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct TemplateOverrideImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::stringAttribute("businessObjectType", &TemplateOverrideImpl::m_businessObjectType),
                        binding::stringAttribute("templateType", &TemplateOverrideImpl::m_templateType),
                        binding::stringAttribute("templateId", &TemplateOverrideImpl::m_templateId));
};

KXSOA_DEFINE_PAIRED_CLASS(TemplateOverride,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::TemplateOverride",
                          schemaVersion, schemaNamespaceURI)

TemplateOverride::TemplateOverride(std::string const& businessObjectType, std::string const& templateType,
                                   std::string const& templateId)
    : Handle(binding::newObject<TemplateOverrideImpl>(businessObjectType, templateType, templateId)) {}
TemplateOverrideImpl::TemplateOverrideImpl(std::string const& businessObjectType, std::string const& templateType,
                                           std::string const& templateId)
    : BaseObject(schemaNamespaceURI),
      m_businessObjectType(businessObjectType),
      m_templateType(templateType),
      m_templateId(templateId) {}

std::string& TemplateOverride::getBusinessObjectType() { return getHandleObject().getBusinessObjectType(); }
std::string const& TemplateOverride::getBusinessObjectType() const { return getHandleObject().getBusinessObjectType(); }
void TemplateOverride::setBusinessObjectType(std::string const& businessObjectType) {
    getHandleObject().setBusinessObjectType(businessObjectType);
}
std::string& TemplateOverride::getTemplateType() { return getHandleObject().getTemplateType(); }
std::string const& TemplateOverride::getTemplateType() const { return getHandleObject().getTemplateType(); }
void TemplateOverride::setTemplateType(std::string const& templateType) {
    getHandleObject().setTemplateType(templateType);
}
std::string& TemplateOverride::getTemplateId() { return getHandleObject().getTemplateId(); }
std::string const& TemplateOverride::getTemplateId() const { return getHandleObject().getTemplateId(); }
void TemplateOverride::setTemplateId(std::string const& templateId) { getHandleObject().setTemplateId(templateId); }

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
