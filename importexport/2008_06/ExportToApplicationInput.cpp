#include "importexport/2008_06/ExportToApplicationInput.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportToApplicationInputImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::structList("inputs", &ExportToApplicationInputImpl::m_inputs));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportToApplicationInput,
                          "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput",
                          schemaVersion, schemaNamespaceURI)

std::vector<ExportToApplicationInputData1> const& ExportToApplicationInput::getInputArray() const {
    return getHandleObject().getInputArray();
}
void ExportToApplicationInput::setInputArray(std::vector<ExportToApplicationInputData1> const& inputs) {
    getHandleObject().setInputArray(inputs);
}
void ExportToApplicationInput::addInput(ExportToApplicationInputData1 const& input) {
    getHandleObject().addInput(input);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
