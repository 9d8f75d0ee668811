#pragma once

// What request_server and request_client agree on: the answer the server
// gives to each request, and the mix of requests the client sends. The client
// works out each answer itself from the request it sent, and compares it,
// member by member, with the answer it received.

#include "importexport/ImportExport.h"

#include <cstddef>
#include <string>
#include <type_traits>
#include <variant>

namespace Loopback {

namespace v7 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Soa::Common::Xml::AnyRequest;
using Kestrune::Soa::Common::Xml::makeSample;
using Kestrune::Soa::Common::Xml::ResponseOf;

// The answer to `request`, of the type ResponseOf names: an import makes one
// business object per record (named after its write ticket, of its
// create-spec type), an export writes one file per record (its read ticket
// names the template and the objects' count), and a template query gets one
// template of each kind its filter asks for.
template <class Request>
ResponseOf<Request> answer(Request const& request) {
    using Response = ResponseOf<Request>;
    Response response;
    if constexpr (std::is_same_v<Response, v7::ImportFromApplicationResponse>) {
        for (auto const& record : request.getInputArray()) {
            ModelObject const created("new-" + record.getTransientFileWriteTicket(), record.getCreateSpecElementType());
            response.addResultObject(created);
            response.getServiceData().addUpdatedObject(created);
        }
    } else if constexpr (std::is_same_v<Response, v7::ExportToApplicationResponse>) {
        std::size_t file = 0;
        for (auto const& record : request.getInputArray()) {
            response.addTransientFileReadTicket("file-" + std::to_string(++file) + "-" + record.getTemplateId() + "-" +
                                                std::to_string(record.getObjectsToExportArray().size()));
        }
    } else {
        static_assert(std::is_same_v<Response, v8::GetExportTemplateResponse>);
        v8::ExportTemplateInput const& filter = request.getFilter();
        if (filter.getGetObjectTemplates()) response.addObjectTemplat("object-template");
        if (filter.getGetSpecTemplates()) response.addSpecTemplate("spec-template");
        if (filter.getGetExcelTemplates()) response.addExcelTemplate("excel-template");
        if (filter.getGetConfiguredObjectTemplate()) {
            response.addConfiguredObjectTemplate(v8::ConfiguredTemplate("Item", "configured-object", "object"));
        }
        if (filter.getGetConfiguredSpecTemplate()) {
            response.addConfiguredSpecTemplate(v8::ConfiguredTemplate("Item", "configured-spec", "spec"));
        }
    }
    return response;
}

// The client's request number `n` (from 0): the five requests of both
// versions in turn, every member set, with 0 to 3 records; every other
// template query leaves the Excel templates out.
inline AnyRequest sampleRequest(std::size_t n) {
    std::size_t const records = n / 5 % 4;
    switch (n % 5) {
        case 0:
            return makeSample<v7::ImportFromApplicationInput>(records);
        case 1:
            return makeSample<v7::ExportToApplicationInput>(records);
        case 2:
            return makeSample<v8::ImportFromApplicationInput>(records);
        case 3:
            return makeSample<v8::ExportToApplicationInput>(records);
        default: {
            auto query = makeSample<v8::GetExportTemplatesInput>(0);
            query.getFilter().setGetExcelTemplates(n / 5 % 2 == 0);
            return query;
        }
    }
}

}  // namespace Loopback
