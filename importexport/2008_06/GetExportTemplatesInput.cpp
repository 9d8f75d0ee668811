#include "importexport/2008_06/GetExportTemplatesInput.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct GetExportTemplatesInputImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::nestedStruct("filter", &GetExportTemplatesInputImpl::m_filter));
};

KXSOA_DEFINE_PAIRED_CLASS(GetExportTemplatesInput,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::GetExportTemplatesInput",
                          schemaVersion, schemaNamespaceURI)

GetExportTemplatesInput::GetExportTemplatesInput(ExportTemplateInput const& filter)
    : Handle(binding::newObject<GetExportTemplatesInputImpl>(filter)) {}
GetExportTemplatesInputImpl::GetExportTemplatesInputImpl(ExportTemplateInput const& filter)
    : BaseObject(schemaNamespaceURI), m_filter(filter) {}

ExportTemplateInput& GetExportTemplatesInput::getFilter() { return getHandleObject().getFilter(); }
ExportTemplateInput const& GetExportTemplatesInput::getFilter() const { return getHandleObject().getFilter(); }
void GetExportTemplatesInput::setFilter(ExportTemplateInput const& filter) { getHandleObject().setFilter(filter); }

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
