#include "importexport/2007_06/ImportFromApplicationInputData.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ImportFromApplicationInputDataImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringAttribute("applicationFormat", &ImportFromApplicationInputDataImpl::m_applicationFormat),
        binding::stringAttribute("createSpecElementType", &ImportFromApplicationInputDataImpl::m_createSpecElementType),
        binding::stringAttribute("transientFileWriteTicket",
                                 &ImportFromApplicationInputDataImpl::m_transientFileWriteTicket));
};

KXSOA_DEFINE_PAIRED_CLASS(ImportFromApplicationInputData,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInputData",
                          schemaVersion, schemaNamespaceURI)

ImportFromApplicationInputData::ImportFromApplicationInputData(std::string const& applicationFormat,
                                                               std::string const& createSpecElementType,
                                                               std::string const& transientFileWriteTicket)
    : Handle(binding::newObject<ImportFromApplicationInputDataImpl>(applicationFormat, createSpecElementType,
                                                                    transientFileWriteTicket)) {}
ImportFromApplicationInputDataImpl::ImportFromApplicationInputDataImpl(std::string const& applicationFormat,
                                                                       std::string const& createSpecElementType,
                                                                       std::string const& transientFileWriteTicket)
    : BaseObject(schemaNamespaceURI),
      m_applicationFormat(applicationFormat),
      m_createSpecElementType(createSpecElementType),
      m_transientFileWriteTicket(transientFileWriteTicket) {}

std::string& ImportFromApplicationInputData::getApplicationFormat() { return getHandleObject().getApplicationFormat(); }
std::string const& ImportFromApplicationInputData::getApplicationFormat() const {
    return getHandleObject().getApplicationFormat();
}
void ImportFromApplicationInputData::setApplicationFormat(std::string const& applicationFormat) {
    getHandleObject().setApplicationFormat(applicationFormat);
}
std::string& ImportFromApplicationInputData::getCreateSpecElementType() {
    return getHandleObject().getCreateSpecElementType();
}
std::string const& ImportFromApplicationInputData::getCreateSpecElementType() const {
    return getHandleObject().getCreateSpecElementType();
}
void ImportFromApplicationInputData::setCreateSpecElementType(std::string const& createSpecElementType) {
    getHandleObject().setCreateSpecElementType(createSpecElementType);
}
std::string& ImportFromApplicationInputData::getTransientFileWriteTicket() {
    return getHandleObject().getTransientFileWriteTicket();
}
std::string const& ImportFromApplicationInputData::getTransientFileWriteTicket() const {
    return getHandleObject().getTransientFileWriteTicket();
}
void ImportFromApplicationInputData::setTransientFileWriteTicket(std::string const& transientFileWriteTicket) {
    getHandleObject().setTransientFileWriteTicket(transientFileWriteTicket);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
