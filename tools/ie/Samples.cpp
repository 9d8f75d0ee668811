#include "Samples.h"

#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"

#include <string>

namespace kxsoa_ie {

namespace v2007 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v2008 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

namespace {

// "<what>-<n>", counting from 1.
std::string numbered(char const* what, std::size_t n) { return what + ('-' + std::to_string(n + 1)); }

ModelObject object(std::size_t n) { return ModelObject(numbered("uid", n), n % 2 ? "Folder" : "Item"); }

ServiceData serviceData(std::size_t entries) {
    ServiceData data;
    for (std::size_t i = 0; i < entries; ++i) {
        data.addPartialError(numbered("row skipped: bad date", i));
        data.addUpdatedObject(object(i));
    }
    return data;
}

v2007::ImportFromApplicationInputData importRecord2007(std::size_t n) {
    return v2007::ImportFromApplicationInputData("csv", "Folder", numbered("write-ticket", n));
}

v2007::ExportToApplicationInputData exportRecord2007(std::size_t n, std::size_t entries) {
    v2007::ExportToApplicationInputData record("xlsx", numbered("template", n));
    for (std::size_t i = 0; i < entries; ++i) {
        record.addObjectsToExport(object(i));
        record.addAttributesToExport(numbered("attribute", i));
    }
    return record;
}

v2008::ImportFromApplicationInputData1 importRecord2008(std::size_t n) {
    return v2008::ImportFromApplicationInputData1("csv", "Drawing", "Folder", true, numbered("write-ticket", n));
}

v2008::TemplateOverride templateOverride(std::size_t n) {
    return v2008::TemplateOverride(n % 2 ? "Folder" : "Item", "excel", numbered("override-template", n));
}

v2008::ExportToApplicationInputData1 exportRecord2008(std::size_t n, std::size_t entries) {
    v2008::ExportToApplicationInputData1 record("xlsx", "excel", numbered("template", n));
    for (std::size_t i = 0; i < entries; ++i) {
        record.addObjectsToExport(object(i));
        record.addAttributesToExport(numbered("attribute", i));
        record.addObjectTemplateOverride(templateOverride(i));
    }
    return record;
}

v2008::ConfiguredTemplate configuredTemplate(std::size_t n) {
    return v2008::ConfiguredTemplate(n % 2 ? "Folder" : "Item", numbered("configured", n), "excel");
}

}  // namespace

template <>
v2007::ImportFromApplicationInputData makeSample(std::size_t) {
    return importRecord2007(0);
}
template <>
v2007::ImportFromApplicationInput makeSample(std::size_t entries) {
    v2007::ImportFromApplicationInput request;
    for (std::size_t i = 0; i < entries; ++i) request.addInput(importRecord2007(i));
    return request;
}
template <>
v2007::ImportFromApplicationResponse makeSample(std::size_t entries) {
    v2007::ImportFromApplicationResponse response(serviceData(entries));
    for (std::size_t i = 0; i < entries; ++i) response.addResultObject(object(i));
    return response;
}
template <>
v2007::ExportToApplicationInputData makeSample(std::size_t entries) {
    return exportRecord2007(0, entries);
}
template <>
v2007::ExportToApplicationInput makeSample(std::size_t entries) {
    v2007::ExportToApplicationInput request;
    for (std::size_t i = 0; i < entries; ++i) request.addInput(exportRecord2007(i, entries));
    return request;
}
template <>
v2007::ExportToApplicationResponse makeSample(std::size_t entries) {
    v2007::ExportToApplicationResponse response(serviceData(entries));
    for (std::size_t i = 0; i < entries; ++i) response.addTransientFileReadTicket(numbered("read-ticket", i));
    return response;
}

template <>
v2008::ImportFromApplicationInputData1 makeSample(std::size_t) {
    return importRecord2008(0);
}
template <>
v2008::ImportFromApplicationInput makeSample(std::size_t entries) {
    v2008::ImportFromApplicationInput request;
    for (std::size_t i = 0; i < entries; ++i) request.addInput(importRecord2008(i));
    return request;
}
template <>
v2008::TemplateOverride makeSample(std::size_t) {
    return templateOverride(0);
}
template <>
v2008::ExportToApplicationInputData1 makeSample(std::size_t entries) {
    return exportRecord2008(0, entries);
}
template <>
v2008::ExportToApplicationInput makeSample(std::size_t entries) {
    v2008::ExportToApplicationInput request;
    for (std::size_t i = 0; i < entries; ++i) request.addInput(exportRecord2008(i, entries));
    return request;
}
template <>
v2008::ExportTemplateInput makeSample(std::size_t) {
    return v2008::ExportTemplateInput(true, true, true, true, true);
}
template <>
v2008::GetExportTemplatesInput makeSample(std::size_t entries) {
    return v2008::GetExportTemplatesInput(makeSample<v2008::ExportTemplateInput>(entries));
}
template <>
v2008::ConfiguredTemplate makeSample(std::size_t) {
    return configuredTemplate(0);
}
template <>
v2008::GetExportTemplateResponse makeSample(std::size_t entries) {
    v2008::GetExportTemplateResponse response(serviceData(entries));
    for (std::size_t i = 0; i < entries; ++i) {
        response.addSpecTemplate(numbered("spec-template", i));
        response.addObjectTemplat(numbered("object-template", i));
        response.addExcelTemplate(numbered("excel-template", i));
        response.addConfiguredSpecTemplate(configuredTemplate(i));
        response.addConfiguredObjectTemplate(configuredTemplate(entries + i));
    }
    return response;
}

}  // namespace kxsoa_ie
