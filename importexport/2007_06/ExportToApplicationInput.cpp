#include "importexport/2007_06/ExportToApplicationInput.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportToApplicationInputImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::structList("inputs", &ExportToApplicationInputImpl::m_inputs));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportToApplicationInput,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput",
                          schemaVersion, schemaNamespaceURI)

std::vector<ExportToApplicationInputData> const& ExportToApplicationInput::getInputArray() const {
    return getHandleObject().getInputArray();
}
void ExportToApplicationInput::setInputArray(std::vector<ExportToApplicationInputData> const& inputs) {
    getHandleObject().setInputArray(inputs);
}
void ExportToApplicationInput::addInput(ExportToApplicationInputData const& input) {
    getHandleObject().addInput(input);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
