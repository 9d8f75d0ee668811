#include "importexport/2007_06/ImportFromApplicationResponse.h"

#include "importexport/2007_06/SchemaNamespace.h"
#include "xml/internal/Binding.h"

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct ImportFromApplicationResponseImpl::Members {
    static constexpr auto table =
        std::make_tuple(binding::objectList("resultObjects", &ImportFromApplicationResponseImpl::m_resultObjects),
                        binding::serviceData(&ImportFromApplicationResponseImpl::m_serviceData));
};

KXSOA_DEFINE_PAIRED_CLASS(ImportFromApplicationResponse,
                          "Kestrune::Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationResponse",
                          schemaVersion, schemaNamespaceURI)

ImportFromApplicationResponse::ImportFromApplicationResponse(ServiceData const& serviceData)
    : Handle(binding::newObject<ImportFromApplicationResponseImpl>(serviceData)) {}
ImportFromApplicationResponseImpl::ImportFromApplicationResponseImpl(ServiceData const& serviceData)
    : BaseObject(schemaNamespaceURI), m_serviceData(serviceData) {}

std::vector<ModelObject> const& ImportFromApplicationResponse::getResultObjectArray() const {
    return getHandleObject().getResultObjectArray();
}
void ImportFromApplicationResponse::setResultObjectArray(std::vector<ModelObject> const& resultObjects) {
    getHandleObject().setResultObjectArray(resultObjects);
}
void ImportFromApplicationResponse::addResultObject(ModelObject const& resultObject) {
    getHandleObject().addResultObject(resultObject);
}
ServiceData& ImportFromApplicationResponse::getServiceData() { return getHandleObject().getServiceData(); }
ServiceData const& ImportFromApplicationResponse::getServiceData() const { return getHandleObject().getServiceData(); }
void ImportFromApplicationResponse::setServiceData(ServiceData const& serviceData) {
    getHandleObject().setServiceData(serviceData);
}

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
