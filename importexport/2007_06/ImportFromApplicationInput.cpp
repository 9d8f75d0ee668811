#include "importexport/2007_06/ImportFromApplicationInput.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ImportFromApplicationInputImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::structList("inputs", &ImportFromApplicationInputImpl::m_inputs));
};

KXSOA_DEFINE_PAIRED_CLASS(ImportFromApplicationInput,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput",
                          schemaVersion, schemaNamespaceURI)

std::vector<ImportFromApplicationInputData> const& ImportFromApplicationInput::getInputArray() const {
    return getHandleObject().getInputArray();
}
void ImportFromApplicationInput::setInputArray(std::vector<ImportFromApplicationInputData> const& inputs) {
    getHandleObject().setInputArray(inputs);
}
void ImportFromApplicationInput::addInput(ImportFromApplicationInputData const& input) {
    getHandleObject().addInput(input);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
