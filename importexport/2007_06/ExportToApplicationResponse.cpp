#include "importexport/2007_06/ExportToApplicationResponse.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ExportToApplicationResponseImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringList("transientFileReadTickets", &ExportToApplicationResponseImpl::m_transientFileReadTickets),
        binding::serviceData(&ExportToApplicationResponseImpl::m_serviceData));
};

KXSOA_DEFINE_PAIRED_CLASS(ExportToApplicationResponse,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationResponse",
                          schemaVersion, schemaNamespaceURI)

ExportToApplicationResponse::ExportToApplicationResponse(ServiceData const& serviceData)
    : Handle(binding::newObject<ExportToApplicationResponseImpl>(serviceData)) {}
ExportToApplicationResponseImpl::ExportToApplicationResponseImpl(ServiceData const& serviceData)
    : BaseObject(schemaNamespaceURI), m_serviceData(serviceData) {}

std::vector<std::string> const& ExportToApplicationResponse::getTransientFileReadTicketArray() const {
    return getHandleObject().getTransientFileReadTicketArray();
}
void ExportToApplicationResponse::setTransientFileReadTicketArray(
    std::vector<std::string> const& transientFileReadTickets) {
    getHandleObject().setTransientFileReadTicketArray(transientFileReadTickets);
}
void ExportToApplicationResponse::addTransientFileReadTicket(std::string const& transientFileReadTicket) {
    getHandleObject().addTransientFileReadTicket(transientFileReadTicket);
}
ServiceData& ExportToApplicationResponse::getServiceData() { return getHandleObject().getServiceData(); }
ServiceData const& ExportToApplicationResponse::getServiceData() const { return getHandleObject().getServiceData(); }
void ExportToApplicationResponse::setServiceData(ServiceData const& serviceData) {
    getHandleObject().setServiceData(serviceData);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
