#include "Workloads.h"

#include <cstdint>
#include <string>

namespace kxsoa_bench {

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

namespace {

// Longer than this, a std::string holds its characters in a heap block.
std::size_t const kInlineCapacity = std::string().capacity();

std::size_t longStrings(std::initializer_list<std::string const*> strings) {
    std::size_t count = 0;
    for (std::string const* s : strings) count += s->size() > kInlineCapacity ? 1 : 0;
    return count;
}

std::size_t nonEmpty(std::initializer_list<bool> lists) {
    std::size_t count = 0;
    for (bool empty : lists) count += empty ? 0 : 1;
    return count;
}

// A uid as the server hands them out: 14 characters of base64-like text,
// distinct for distinct `n`.
std::string uid(std::size_t n) {
    static char const digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    std::uint64_t bits = (n + 1) * 0x9E3779B97F4A7C15u;
    std::string text = "Qm";
    for (int i = 0; i < 12; ++i, bits >>= 5) text += digits[bits % 64];
    return text;
}

char const* const kTypes[] = {"ItemRevision", "Item", "Dataset", "Folder", "DocumentRevision"};
char const* const kAttributes[] = {
    "object_name",   "object_desc",         "item_id",     "item_revision_id", "owning_user & group",
    "last_mod_date", "release_status_list", "object_type", "creation_date",    "checked_out"};

void addService(Contents& contents, ServiceData const& data) {
    ++contents.objects;
    contents.lists += nonEmpty({data.getPartialErrors().empty(), data.getUpdatedObjects().empty()});
    for (std::string const& error : data.getPartialErrors()) contents.longStrings += longStrings({&error});
    for (ModelObject const& object : data.getUpdatedObjects()) {
        ++contents.objects;
        contents.longStrings += longStrings({&object.getUid(), &object.getType()});
    }
}

}  // namespace

ie08::ExportToApplicationInput exportRequest(std::size_t records, std::size_t objects, std::size_t attributes,
                                             std::size_t overrides) {
    ie08::ExportToApplicationInput request;
    for (std::size_t i = 0; i < records; ++i) {
        ie08::ExportToApplicationInputData1 record("application/vnd.ms-excel", "ExcelTemplate",
                                                   "export-template-" + std::to_string(i % 97));
        for (std::size_t j = 0; j < objects; ++j)
            record.addObjectsToExport(ModelObject(uid(i * objects + j), kTypes[j % 5]));
        for (std::size_t j = 0; j < attributes; ++j)
            record.addAttributesToExport(j < 10 ? kAttributes[j] : "attribute_" + std::to_string(j));
        for (std::size_t j = 0; j < overrides; ++j)
            record.addObjectTemplateOverride(
                ie08::TemplateOverride(kTypes[j % 5], "ExcelTemplate", "override-" + std::to_string(j)));
        request.addInput(record);
    }
    return request;
}

Contents contentsOf(ie08::ExportToApplicationInput const& request) {
    Contents contents;
    contents.objects = 1;
    contents.lists = nonEmpty({request.getInputArray().empty()});
    for (ie08::ExportToApplicationInputData1 const& record : request.getInputArray()) {
        ++contents.objects;
        contents.longStrings +=
            longStrings({&record.getApplicationFormat(), &record.getTemplateType(), &record.getTemplateId()});
        contents.lists +=
            nonEmpty({record.getObjectsToExportArray().empty(), record.getAttributesToExportArray().empty(),
                      record.getObjectTemplateOverrideArray().empty()});
        for (ModelObject const& object : record.getObjectsToExportArray()) {
            ++contents.objects;
            contents.longStrings += longStrings({&object.getUid(), &object.getType()});
        }
        for (std::string const& attribute : record.getAttributesToExportArray())
            contents.longStrings += longStrings({&attribute});
        for (ie08::TemplateOverride const& o : record.getObjectTemplateOverrideArray()) {
            ++contents.objects;
            contents.longStrings += longStrings({&o.getBusinessObjectType(), &o.getTemplateType(), &o.getTemplateId()});
        }
    }
    return contents;
}

ie08::GetExportTemplateResponse templateResponse(std::size_t names, std::size_t configured) {
    ServiceData data;
    data.addPartialError("The template \"monthly-report\" could not be read & was skipped");
    data.addUpdatedObject(ModelObject(uid(1), "Dataset"));
    data.addUpdatedObject(ModelObject(uid(2), "Dataset"));
    ie08::GetExportTemplateResponse response(data);
    for (std::size_t i = 0; i < names; ++i) {
        std::string const n = std::to_string(i);
        response.addSpecTemplate("SpecTemplate_" + n);
        response.addObjectTemplat("ObjectTemplate " + n);
        response.addExcelTemplate(i % 10 == 0 ? "Excel <draft> " + n : "ExcelTemplate-" + n);
    }
    for (std::size_t i = 0; i < configured; ++i) {
        ie08::ConfiguredTemplate const t(kTypes[i % 5], "configured-template-" + std::to_string(i),
                                         i % 2 == 0 ? "ExcelTemplate" : "SpecTemplate");
        if (i % 2 == 0)
            response.addConfiguredSpecTemplate(t);
        else
            response.addConfiguredObjectTemplate(t);
    }
    return response;
}

Contents contentsOf(ie08::GetExportTemplateResponse const& response) {
    Contents contents;
    contents.objects = 1;
    for (auto const* list :
         {&response.getSpecTemplateArray(), &response.getObjectTemplatArray(), &response.getExcelTemplateArray()}) {
        contents.lists += nonEmpty({list->empty()});
        for (std::string const& name : *list) contents.longStrings += longStrings({&name});
    }
    for (auto const* list :
         {&response.getConfiguredSpecTemplateArray(), &response.getConfiguredObjectTemplateArray()}) {
        contents.lists += nonEmpty({list->empty()});
        for (ie08::ConfiguredTemplate const& t : *list) {
            ++contents.objects;
            contents.longStrings +=
                longStrings({&t.getBusinessObjectType(), &t.getTemplateName(), &t.getTemplateType()});
        }
    }
    addService(contents, response.getServiceData());
    return contents;
}

ie07::ImportFromApplicationInput importRequest(std::size_t records) {
    ie07::ImportFromApplicationInput request;
    for (std::size_t i = 0; i < records; ++i) {
        // A write ticket is an opaque token of some 60 characters.
        std::string const ticket = "FMS-WRITE-" + uid(i) + uid(i + 1) + uid(i + 2) + "-" + std::to_string(i);
        request.addInput(ie07::ImportFromApplicationInputData(i % 3 == 0 ? "xlsx" : "csv", kTypes[i % 5], ticket));
    }
    return request;
}

Contents contentsOf(ie07::ImportFromApplicationInput const& request) {
    Contents contents;
    contents.objects = 1;
    contents.lists = nonEmpty({request.getInputArray().empty()});
    for (ie07::ImportFromApplicationInputData const& record : request.getInputArray()) {
        ++contents.objects;
        contents.longStrings += longStrings({&record.getApplicationFormat(), &record.getCreateSpecElementType(),
                                             &record.getTransientFileWriteTicket()});
    }
    return contents;
}

}  // namespace kxsoa_bench
