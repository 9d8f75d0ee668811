#include "importexport/2008_06/ImportFromApplicationInputData1.h"

#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ImportFromApplicationInputData1Impl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringAttribute("applicationFormat", &ImportFromApplicationInputData1Impl::m_applicationFormat),
        binding::stringAttribute("specificationType", &ImportFromApplicationInputData1Impl::m_specificationType),
        binding::stringAttribute("createSpecElementType",
                                 &ImportFromApplicationInputData1Impl::m_createSpecElementType),
        binding::boolAttribute("isLive", &ImportFromApplicationInputData1Impl::m_isLive),
        binding::stringAttribute("transientFileWriteTicket",
                                 &ImportFromApplicationInputData1Impl::m_transientFileWriteTicket));
};

KXSOA_DEFINE_PAIRED_CLASS(
    ImportFromApplicationInputData1,
    "Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInputData1", schemaVersion,
    schemaNamespaceURI)

ImportFromApplicationInputData1::ImportFromApplicationInputData1(std::string const& applicationFormat,
                                                                 std::string const& specificationType,
                                                                 std::string const& createSpecElementType, bool isLive,
                                                                 std::string const& transientFileWriteTicket)
    : Handle(binding::newObject<ImportFromApplicationInputData1Impl>(
          applicationFormat, specificationType, createSpecElementType, isLive, transientFileWriteTicket)) {}
ImportFromApplicationInputData1Impl::ImportFromApplicationInputData1Impl(std::string const& applicationFormat,
                                                                         std::string const& specificationType,
                                                                         std::string const& createSpecElementType,
                                                                         bool isLive,
                                                                         std::string const& transientFileWriteTicket)
    : BaseObject(schemaNamespaceURI),
      m_applicationFormat(applicationFormat),
      m_specificationType(specificationType),
      m_createSpecElementType(createSpecElementType),
      m_isLive(isLive),
      m_transientFileWriteTicket(transientFileWriteTicket) {}

std::string& ImportFromApplicationInputData1::getApplicationFormat() {
    return getHandleObject().getApplicationFormat();
}
std::string const& ImportFromApplicationInputData1::getApplicationFormat() const {
    return getHandleObject().getApplicationFormat();
}
void ImportFromApplicationInputData1::setApplicationFormat(std::string const& applicationFormat) {
    getHandleObject().setApplicationFormat(applicationFormat);
}
std::string& ImportFromApplicationInputData1::getSpecificationType() {
    return getHandleObject().getSpecificationType();
}
std::string const& ImportFromApplicationInputData1::getSpecificationType() const {
    return getHandleObject().getSpecificationType();
}
void ImportFromApplicationInputData1::setSpecificationType(std::string const& specificationType) {
    getHandleObject().setSpecificationType(specificationType);
}
std::string& ImportFromApplicationInputData1::getCreateSpecElementType() {
    return getHandleObject().getCreateSpecElementType();
}
std::string const& ImportFromApplicationInputData1::getCreateSpecElementType() const {
    return getHandleObject().getCreateSpecElementType();
}
void ImportFromApplicationInputData1::setCreateSpecElementType(std::string const& createSpecElementType) {
    getHandleObject().setCreateSpecElementType(createSpecElementType);
}
bool ImportFromApplicationInputData1::getIsLive() const { return getHandleObject().getIsLive(); }
void ImportFromApplicationInputData1::setIsLive(bool isLive) { getHandleObject().setIsLive(isLive); }
std::string& ImportFromApplicationInputData1::getTransientFileWriteTicket() {
    return getHandleObject().getTransientFileWriteTicket();
}
std::string const& ImportFromApplicationInputData1::getTransientFileWriteTicket() const {
    return getHandleObject().getTransientFileWriteTicket();
}
void ImportFromApplicationInputData1::setTransientFileWriteTicket(std::string const& transientFileWriteTicket) {
    getHandleObject().setTransientFileWriteTicket(transientFileWriteTicket);
}

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
